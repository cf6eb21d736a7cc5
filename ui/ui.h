// Dialogs: the main filter dialog (program choice, parameter rows, preview,
// parameter set files), the program editor and the help dialog, drawn over
// the session of the export call (session/session.h).
//
// Contracts
// - A dialog works on the FilterContext given as DialogBoxParamA's last
//   argument, which it keeps with its window (DWLP_USER) from WM_INITDIALOG
//   on. Opened without one, a dialog does nothing and ends with 0.
// - The dialog procedures are thin: they read their controls, call the
//   context's operations and show what those return, first in the controls,
//   then in message boxes.
// - Group combo box 203 and program combo box 201 exist in both the main
//   dialog and the editor; item i is name i of the context's groupList and
//   functionList, and items GroupNo and FuncNo are selected.
// - Errors for the user are message boxes titled "error" with a stop icon;
//   questions are titled "message".
// - The main dialog ends with 1 after OK (the edit boxes' texts are then in
//   the parameter slots) and with 0 after Cancel or the close command.
#ifndef MORFEL_UI_UI_H
#define MORFEL_UI_UI_H

#include <windows.h>

#include "session/session.h"
#include "ui/resource.h"

// Template names of the dialogs in the plug-in's resources.
constexpr const char kMainDialogTemplate[] = "sampledlg";
constexpr const char kEditorDialogTemplate[] = "editdlg";

// The main filter dialog ("sampledlg") and the program editor ("editdlg");
// the initialization value is the FilterContext.
INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shows each message in its box, owned by owner, one after the other.
void ShowMessages(HWND owner, const UserMessages& messages);

#endif
