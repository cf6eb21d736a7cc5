// Window and client rectangles, and moving and sizing windows.
#include <windows.h>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

extern "C" BOOL WINAPI GetWindowRect(HWND handle, LPRECT rect) {
  Window* window = FindWindowRecord(handle);
  if (!window || !rect) return FALSE;
  POINT origin = {window->x, window->y};
  if (IsChildWindow(*window)) {
    POINT parent = ClientOrigin(window->parent);
    origin.x += parent.x;
    origin.y += parent.y;
  }
  *rect = RECT{origin.x, origin.y, origin.x + window->width, origin.y + window->height};
  return TRUE;
}

extern "C" BOOL WINAPI GetClientRect(HWND handle, LPRECT rect) {
  Window* window = FindWindowRecord(handle);
  if (!window || !rect) return FALSE;
  *rect = RECT{0, 0, ClientWidth(*window), ClientHeight(*window)};
  return TRUE;
}

// The z-order is not modelled: windows never overlap on a screen nobody sees.
// SWP_NOSIZE and SWP_SHOWWINDOW are the flags in use, and the ones honoured.
extern "C" BOOL WINAPI SetWindowPos(HWND handle, HWND, int x, int y, int width, int height,
                                    UINT flags) {
  Window* window = FindWindowRecord(handle);
  if (!window) return FALSE;
  window->x = x;
  window->y = y;
  if (!(flags & SWP_NOSIZE)) {
    window->width = width > 0 ? width : 0;
    window->height = height > 0 ? height : 0;
  }
  window->invalid = true;
  if (flags & SWP_SHOWWINDOW) ShowWindow(handle, SW_SHOW);
  return TRUE;
}
