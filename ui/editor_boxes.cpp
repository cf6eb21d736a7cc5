#include <cstdio>

#include "ui/editor_internal.h"

void ReadEditor(HWND dialog, EditorNames* names) {
  CurrentProgram& program = EditorProgram();
  GetDlgItemTextA(dialog, kEditGroupBox, names->group, kNameTextSize);
  GetDlgItemTextA(dialog, kEditNameBox, names->name, kNameTextSize);
  GetDlgItemTextA(dialog, kEditInitBox, program.initText, kProgramTextSize);
  GetDlgItemTextA(dialog, kEditTransformBox, program.transformText, kProgramTextSize);
}

void ShowProgramInEditor(HWND dialog) {
  const CurrentProgram& program = EditorProgram();
  SetDlgItemTextA(dialog, kEditGroupBox, ChosenGroupName());
  SetDlgItemTextA(dialog, kEditNameBox, ChosenFunctionName());
  SetDlgItemTextA(dialog, kEditInitBox, program.initText);
  SetDlgItemTextA(dialog, kEditTransformBox, program.transformText);
}

// The starting point a user gets from "Clear": a small working program with
// one parameter, so that every part of a program is shown once.
void ClearEditor(HWND dialog) {
  SetDlgItemTextA(dialog, kEditGroupBox, "Deform");
  SetDlgItemTextA(dialog, kEditNameBox, "Sample");
  SetDlgItemTextA(dialog, kEditInitBox, "coord=2;\r\n?param,message,0,100,50;\r\n");
  SetDlgItemTextA(dialog, kEditTransformBox, "x=x+xs*param/100;\r\n");
}

int WriteLibraryFile(HWND dialog) {
  if (SaveLibrary(EditorBaseFolder(), EditorLibrary())) return 1;
  // The change stays in memory; the user must know it is not on disk.
  ShowErrorMessage(dialog, "The library file could not be written; the change is not saved.");
  return 0;
}

int ProgramTextsFit(HWND dialog, const CurrentProgram& program) {
  ProgramTextCheck check = CheckProgramTexts(program.initText, program.transformText);
  if (check == kProgramTextsFit) return 1;
  ShowErrorMessage(dialog, ProgramTextCheckMessage(check));
  return 0;
}
