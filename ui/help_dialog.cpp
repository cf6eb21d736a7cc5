#include <windows.h>

#include "ui/editor_internal.h"
#include "ui/help_internal.h"

// Puts the author line into the template's one static without an id. The
// template leaves its text to us, so it is found by its missing id.
static void SetAuthorLine(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    int id = GetDlgCtrlID(child);
    if (id == 0 || id == -1 || id == 0xFFFF) {
      SetWindowTextA(child, kHelpAuthorLine);
      return;
    }
  }
}

INT_PTR CALLBACK HelpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(dialog, kHelpTextBox, kHelpReferenceText);
      SetAuthorLine(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

void ShowHelp(HWND owner) {
  DialogBoxParamA(EditorModuleInstance(), "helpdlg", owner, HelpDialogProc, 0);
}
