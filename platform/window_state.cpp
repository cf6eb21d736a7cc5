// Queries and changes of a window's state: enabled, shown, text, class, style.
#include <windows.h>

#include <unistd.h>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

extern "C" BOOL WINAPI IsWindow(HWND handle) { return FindWindowRecord(handle) != nullptr; }

extern "C" HWND WINAPI GetParent(HWND handle) {
  Window* window = FindWindowRecord(handle);
  return window ? window->parent : nullptr;
}

extern "C" BOOL WINAPI EnableWindow(HWND handle, BOOL enable) {
  Window* window = FindWindowRecord(handle);
  if (!window) return FALSE;
  BOOL wasDisabled = (window->style & WS_DISABLED) != 0;
  if (enable)
    window->style &= ~static_cast<DWORD>(WS_DISABLED);
  else
    window->style |= WS_DISABLED;
  return wasDisabled;
}

extern "C" DWORD WINAPI GetWindowThreadProcessId(HWND handle, LPDWORD processId) {
  Window* window = FindWindowRecord(handle);
  if (processId != nullptr) *processId = window ? static_cast<DWORD>(getpid()) : 0;
  return window ? window->thread : 0;
}

extern "C" BOOL WINAPI IsWindowEnabled(HWND handle) {
  Window* window = FindWindowRecord(handle);
  return window && !(window->style & WS_DISABLED);
}

extern "C" BOOL WINAPI ShowWindow(HWND handle, int command) {
  Window* window = FindWindowRecord(handle);
  if (!window) return FALSE;
  BOOL wasVisible = (window->style & WS_VISIBLE) != 0;
  bool show = command != SW_HIDE;
  if (show)
    window->style |= WS_VISIBLE;
  else
    window->style &= ~static_cast<DWORD>(WS_VISIBLE);
  if (show && !wasVisible) window->invalid = true;
  return wasVisible;
}

extern "C" BOOL WINAPI IsWindowVisible(HWND handle) {
  for (Window* window = FindWindowRecord(handle); window;
       window = FindWindowRecord(window->parent)) {
    if (!(window->style & WS_VISIBLE)) return FALSE;
    if (!IsChildWindow(*window)) return TRUE;
  }
  return FALSE;
}

extern "C" int WINAPI GetWindowTextA(HWND handle, LPSTR text, int maxCount) {
  if (!text || maxCount <= 0) return 0;
  text[0] = '\0';
  if (!FindWindowRecord(handle)) return 0;
  return static_cast<int>(SendMessageA(handle, WM_GETTEXT, static_cast<WPARAM>(maxCount),
                                       reinterpret_cast<LPARAM>(text)));
}

extern "C" BOOL WINAPI SetWindowTextA(HWND handle, LPCSTR text) {
  if (!FindWindowRecord(handle)) return FALSE;
  // Combo boxes answer CB_ERR (-1) when they refuse a text.
  return SendMessageA(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) > 0
             ? TRUE
             : FALSE;
}

extern "C" int WINAPI GetClassNameA(HWND handle, LPSTR className, int maxCount) {
  Window* window = FindWindowRecord(handle);
  if (!window || !className || maxCount <= 0) return 0;
  size_t copied = 0;
  CopyText(window->className, className, static_cast<size_t>(maxCount), &copied);
  return static_cast<int>(copied);
}

extern "C" LONG WINAPI GetWindowLongA(HWND handle, int index) {
  Window* window = FindWindowRecord(handle);
  if (!window) return 0;
  return index == GWL_STYLE ? static_cast<LONG>(window->style) : 0;
}

namespace {

// The cell of a window that an index names, or null when the window has no
// such cell: the application's value lives in the extra bytes of the dialog
// class, so only dialog windows have it.
LONG_PTR* DialogCell(Window& window, int index) {
  if (window.className != kDialogClass) return nullptr;
  if (index == static_cast<int>(DWLP_USER)) return &window.dialog.user;
  return nullptr;
}

}  // namespace

extern "C" LONG_PTR WINAPI GetWindowLongPtrA(HWND handle, int index) {
  Window* window = FindWindowRecord(handle);
  if (!window) return 0;
  // The style is a LONG, widened with its sign as Windows widens it.
  if (index == GWL_STYLE) return static_cast<LONG>(window->style);
  if (index == GWLP_HINSTANCE) return reinterpret_cast<LONG_PTR>(window->instance);
  LONG_PTR* cell = DialogCell(*window, index);
  return cell ? *cell : 0;
}

extern "C" LONG_PTR WINAPI SetWindowLongPtrA(HWND handle, int index, LONG_PTR value) {
  Window* window = FindWindowRecord(handle);
  if (!window) return 0;
  LONG_PTR* cell = DialogCell(*window, index);
  if (!cell) return 0;
  const LONG_PTR previous = *cell;
  *cell = value;
  return previous;
}

extern "C" int WINAPI GetDlgCtrlID(HWND handle) {
  Window* window = FindWindowRecord(handle);
  return window && IsChildWindow(*window) ? window->id : 0;
}
