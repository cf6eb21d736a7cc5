#include "ui/editor_internal.h"

// Makes the edited program the last one of the library: every copy with its
// group and name is removed (each after a question) and one copy with the
// edited texts is appended.
void MoveProgramToEnd(HWND dialog) {
  EditorNames names;
  ReadEditor(dialog, &names);
  const CurrentProgram& program = EditorProgram();
  ProgramLibrary& library = EditorLibrary();

  int index = library.FindProgram(names.group, names.name);
  if (index < 0) {
    ShowNotice(dialog, "Program cannot be found.");
    return;
  }
  // Refused before anything is removed, so a text that cannot be stored
  // never costs the user the copies already in the library.
  if (!ProgramTextsFit(dialog, program)) return;

  int removed = 0;
  for (; index >= 0; index = library.FindProgram(names.group, names.name, index)) {
    if (!AskQuestion(dialog, "Do you move this program at last?")) break;
    library.CloseGap(index);  // the same index now holds the next program
    ++removed;
  }
  if (index >= 0) {
    // Cancelled part way: copies already removed stay removed, and the file
    // is written so that it matches what the library now holds.
    if (removed > 0) {
      WriteLibraryFile(dialog);
      FillGroupCombo(dialog, names.group);
      FillFunctionCombo(dialog, names.name);
    }
    return;
  }
  library.AppendProgram(names.group, names.name, program.initText, program.transformText);
  FillGroupCombo(dialog, names.group);
  FillFunctionCombo(dialog, names.name);
  WriteLibraryFile(dialog);
}
