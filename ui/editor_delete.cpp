#include "ui/editor_internal.h"

// Removes the first program with the edited group and name. The library
// file and the combo boxes are refreshed even when nothing was removed.
void DeleteProgram(HWND dialog) {
  EditorNames names;
  ReadEditor(dialog, &names);
  ProgramLibrary& library = EditorLibrary();

  int index = library.FindProgram(names.group, names.name);
  if (index >= 0 && AskQuestion(dialog, "Do you delete this program?")) {
    library.CloseGap(index);
  }
  WriteLibraryFile(dialog);
  FillGroupCombo(dialog, names.group);
  EditorSettings().FuncNo = 0;
  FillFunctionCombo(dialog, nullptr);
  ShowProgramInEditor(dialog);
}
