// Window placement shared by the main and the editor dialog.
#include "ui/dialog_common.h"

void CenterOnDesktop(HWND window) {
  RECT desktop;
  RECT own;
  GetWindowRect(GetDesktopWindow(), &desktop);
  GetWindowRect(window, &own);
  const int32_t width = own.right - own.left;
  const int32_t height = own.bottom - own.top;
  // The desktop's left and top edges are taken as 0: the primary screen.
  const int32_t x = (desktop.right - width) / 2;
  const int32_t y = (desktop.bottom - height) / 2;
  SetWindowPos(window, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
}
