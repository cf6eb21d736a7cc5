#include <windows.h>

#include "ui/dialog_common.h"
#include "ui/editor_internal.h"
#include "ui/help_internal.h"

INT_PTR CALLBACK HelpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  if (IsCloseCommand(message, wParam)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(dialog, IDC_HELP_TEXT, kHelpReferenceText);
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
    default:
      return FALSE;
  }
}

void ShowHelp(HWND owner) {
  // The help template lives in the module that made its owner's dialog.
  HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
  DialogBoxParamA(module, "helpdlg", owner, HelpDialogProc, 0);
}
