// Push buttons and check boxes. A click reaches the parent as WM_COMMAND
// BN_CLICKED; an automatic check box changes its state first, as on Windows.
#include <windows.h>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

namespace {

void ToggleAutomaticState(Window& button) {
  if ((button.style & BS_TYPEMASK) == BS_AUTOCHECKBOX)
    button.check = button.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
}

}  // namespace

namespace morfel_platform {

LRESULT CALLBACK ButtonProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindWindowRecord(handle);
  if (!window) return 0;
  switch (message) {
    case BM_GETCHECK:
      return window->check;
    case BM_SETCHECK:
      window->check = wParam == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
      window->invalid = true;
      return 0;
    case BM_CLICK:
      // A disabled button cannot be clicked by a user.
      if (window->style & WS_DISABLED) return 0;
      ToggleAutomaticState(*window);
      window->invalid = true;
      NotifyParent(handle, BN_CLICKED);
      return 0;
    default:
      return DefWindowProcA(handle, message, wParam, lParam);
  }
}

}  // namespace morfel_platform
