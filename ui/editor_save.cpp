#include "ui/editor_internal.h"

// Stores the edited program: in place when its group and name exist,
// otherwise as a new last program.
void SaveProgram(HWND dialog) {
  EditorNames names;
  ReadEditor(dialog, &names);
  const CurrentProgram& program = EditorProgram();
  ProgramLibrary& library = EditorLibrary();
  if (!ProgramTextsFit(dialog, program)) return;
  const ProgramTextCheck namesCheck = CheckProgramNames(names.group, names.name);
  if (namesCheck != kProgramTextsFit) {
    ShowErrorMessage(dialog, ProgramTextCheckMessage(namesCheck));
    return;
  }

  int index = library.FindProgram(names.group, names.name);
  if (index >= 0) {
    if (!AskQuestion(dialog, "Do you overwrite?")) return;
    library.SetProgramTexts(index, program.initText, program.transformText);
  } else {
    if (library.ProgramCount() >= kMaxPrograms) {
      ShowErrorMessage(
          dialog, "The library is full (1000 programs). Delete a program before saving a new one.");
      return;
    }
    if (!AskQuestion(dialog, "Do you save as a new program?")) return;
    library.AppendProgram(names.group, names.name, program.initText, program.transformText);
  }
  WriteLibraryFile(dialog);
  FillGroupCombo(dialog, names.group);
  FillFunctionCombo(dialog, names.name);
  ShowProgramInEditor(dialog);
}
