#include <cstdio>

#include "ui/editor_internal.h"

void ReadEditor(HWND dialog, EditorNames* names) {
  CurrentProgram& program = EditorProgram();
  GetDlgItemTextA(dialog, IDC_EDIT_GROUP, names->group, kNameTextSize);
  GetDlgItemTextA(dialog, IDC_EDIT_NAME, names->name, kNameTextSize);
  GetDlgItemTextA(dialog, IDC_EDIT_INIT, program.initText, kProgramTextSize);
  GetDlgItemTextA(dialog, IDC_EDIT_TRANSFORM, program.transformText, kProgramTextSize);
}

void ShowProgramInEditor(HWND dialog) {
  const CurrentProgram& program = EditorProgram();
  SetDlgItemTextA(dialog, IDC_EDIT_GROUP, ChosenGroupName());
  SetDlgItemTextA(dialog, IDC_EDIT_NAME, ChosenFunctionName());
  SetDlgItemTextA(dialog, IDC_EDIT_INIT, program.initText);
  SetDlgItemTextA(dialog, IDC_EDIT_TRANSFORM, program.transformText);
}

// The starting point a user gets from "Clear": a small working program with
// one parameter, so that every part of a program is shown once.
void ClearEditor(HWND dialog) {
  SetDlgItemTextA(dialog, IDC_EDIT_GROUP, "Deform");
  SetDlgItemTextA(dialog, IDC_EDIT_NAME, "Sample");
  SetDlgItemTextA(dialog, IDC_EDIT_INIT, "coord=2;\r\n?param,message,0,100,50;\r\n");
  SetDlgItemTextA(dialog, IDC_EDIT_TRANSFORM, "x=x+xs*param/100;\r\n");
}

int WriteLibraryFile(HWND dialog) {
  if (SaveLibrary(EditorBaseFolder(), EditorLibrary())) return 1;
  // The change stays in memory; the user must know it is not on disk.
  ShowErrorMessage(dialog, "The library file could not be written; the change is not saved.");
  return 0;
}

void WarnOfUnreadableLibraryLine(HWND dialog) {
  ProgramLibrary fileContent;
  int stoppedAtLine = 0;
  if (!LoadLibrary(EditorBaseFolder(), &fileContent, &stoppedAtLine) || stoppedAtLine == 0) return;
  char message[256];
  std::snprintf(message, sizeof message,
                "The library file cannot be read past line %d. The programs after that line "
                "are not shown, and saving a change will leave them out of the file.",
                stoppedAtLine);
  ShowErrorMessage(dialog, message);
}

int ProgramTextsFit(HWND dialog, const CurrentProgram& program) {
  ProgramTextCheck check = CheckProgramTexts(program.initText, program.transformText);
  if (check == kProgramTextsFit) return 1;
  ShowErrorMessage(dialog, ProgramTextCheckMessage(check));
  return 0;
}
