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
  const ProgramLibrary& library = EditorLibrary();
  if (SaveLibrary(EditorBaseFolder(), library)) return 1;
  // The change stays in memory; the user must know it is not on disk, and
  // why, when the library itself is the reason.
  const char* refusal = LibrarySaveRefusal(library);
  char message[512];
  std::snprintf(message, sizeof message, "%s The change is not saved.",
                refusal != nullptr ? refusal : "The library file could not be written.");
  ShowErrorMessage(dialog, message);
  return 0;
}

// The library is never written over a file it could not read whole (that
// would drop the programs it could not read), so every change of this call
// will fail to reach the file: the user hears why before making one.
void WarnOfUnreadableLibraryLine(HWND dialog) {
  const int stoppedAtLine = EditorLibrary().incompleteLoad();
  if (stoppedAtLine == 0) return;
  if (stoppedAtLine < 0) {
    ShowErrorMessage(dialog,
                     "The library file could not be read. Its programs are not shown, and "
                     "changes cannot be saved to it.");
    return;
  }
  char message[256];
  std::snprintf(message, sizeof message,
                "The library file cannot be read past line %d. The programs after that line "
                "are not shown, and changes cannot be saved to the file until that line is "
                "mended.",
                stoppedAtLine);
  ShowErrorMessage(dialog, message);
}

int ProgramTextsFit(HWND dialog, const CurrentProgram& program) {
  ProgramTextCheck check = CheckProgramTexts(program.initText, program.transformText);
  if (check == kProgramTextsFit) return 1;
  ShowErrorMessage(dialog, ProgramTextCheckMessage(check));
  return 0;
}
