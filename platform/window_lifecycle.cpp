// Creating and destroying windows, and the default window procedure.
#include <windows.h>

#include <string>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

namespace {

// Non-client widths in pixels; what matters is that they are fixed, so window
// and client rectangles stay in a known relation.
constexpr LONG kFrameWidth = 3;
constexpr LONG kCaptionHeight = 18;
constexpr LONG kBorderWidth = 1;

RECT InsetsFor(DWORD style) {
  LONG edge = 0;
  if (style & (WS_DLGFRAME | WS_THICKFRAME))
    edge = kFrameWidth;
  else if (style & WS_BORDER)
    edge = kBorderWidth;
  LONG caption = (style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0;
  return RECT{edge, edge + caption, edge, edge};
}

}  // namespace

extern "C" HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName,
                                       DWORD style, int x, int y, int width, int height,
                                       HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  std::string registeredName;
  WNDPROC proc = FindClassProc(className, &registeredName);
  if (!proc) return nullptr;
  if ((style & WS_CHILD) && !FindWindowRecord(parent)) return nullptr;
  if (parent && !FindWindowRecord(parent)) return nullptr;
  Window* window = AddWindowRecord();
  window->className = registeredName;
  window->instance = instance;
  window->proc = proc;
  window->text = windowName && !IS_INTRESOURCE(windowName) ? windowName : "";
  window->style = style;
  window->exStyle = exStyle;
  window->parent = parent;
  window->id = (style & WS_CHILD) ? static_cast<int>(reinterpret_cast<uintptr_t>(menu)) : 0;
  window->x = x;
  window->y = y;
  window->width = width < 0 ? 0 : width;
  window->height = height < 0 ? 0 : height;
  window->insets = InsetsFor(style);
  window->invalid = true;
  HWND handle = window->handle;

  CREATESTRUCTA create = {param,      instance,       menu,
                          parent,     window->height, window->width,
                          window->y,  window->x,      static_cast<LONG>(style),
                          windowName, className,      exStyle};
  if (SendMessageA(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  return FindWindowRecord(handle) ? handle : nullptr;
}

extern "C" BOOL WINAPI DestroyWindow(HWND handle) {
  Window* window = FindWindowRecord(handle);
  if (!window || window->destroying || handle == GetDesktopWindow()) return FALSE;
  // A procedure that destroys its window again while it goes (from
  // WM_DESTROY, say) must not start the teardown over and over.
  window->destroying = true;
  SendMessageA(handle, WM_DESTROY, 0, 0);
  for (HWND child : ChildrenOf(handle)) DestroyWindow(child);
  // Owned top-level windows go with their owner, as on Windows.
  for (HWND other : AllWindows()) {
    Window* owned = FindWindowRecord(other);
    if (owned && owned->parent == handle) DestroyWindow(other);
  }
  SendMessageA(handle, WM_NCDESTROY, 0, 0);
  RemoveTimersOf(handle);
  RemovePostedMessagesOf(handle);
  ReleaseDCsOf(handle);
  RemoveWindowRecord(handle);
  return TRUE;
}

extern "C" LRESULT WINAPI DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindWindowRecord(handle);
  if (!window) return 0;
  switch (message) {
    case WM_SETTEXT:
      window->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      return TRUE;
    case WM_GETTEXT: {
      size_t copied = 0;
      CopyText(window->text, reinterpret_cast<char*>(lParam), wParam, &copied);
      return static_cast<LRESULT>(copied);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(window->text.size());
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(handle, &paint);
      EndPaint(handle, &paint);
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(handle);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(handle, WM_CLOSE, 0, 0);
      return 0;
    default:
      return 0;
  }
}

extern "C" HWND WINAPI GetDesktopWindow(void) {
  static HWND desktop = [] {
    Window* window = AddWindowRecord();
    window->className = "#32769";
    window->proc = DefWindowProcA;
    window->style = WS_POPUP | WS_VISIBLE;
    window->width = 1024;  // the virtual screen
    window->height = 768;
    return window->handle;
  }();
  return desktop;
}
