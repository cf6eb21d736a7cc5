// Private to the program editor and the help dialog. Control ids come from
// ui/resource.h, shared with the dialog templates.
#ifndef MORFEL_UI_EDITOR_INTERNAL_H
#define MORFEL_UI_EDITOR_INTERNAL_H

#include <windows.h>

#include "session/session.h"
#include "ui/resource.h"

// ---- editor boxes (editor_boxes.cpp)

// The group and name boxes and the two text boxes as typed.
EditedProgram ReadEditor(HWND dialog);
// The two text boxes as typed.
CurrentProgram ReadEditorTexts(HWND dialog);
// The chosen group and program's names and the current program's texts.
void ShowProgramInEditor(HWND dialog, const FilterContext& context);
// The starting point "Clear" gives.
void ClearEditor(HWND dialog);

// ---- help (help_dialog.cpp)

// Opens the help dialog over owner, from owner's own module.
void ShowHelp(HWND owner);
INT_PTR CALLBACK HelpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
