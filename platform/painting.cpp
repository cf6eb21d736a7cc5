// Invalidation, WM_PAINT, device contexts and each window's pixel surface.
#include <windows.h>

#include <map>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

namespace {

// What a window shows where nothing was drawn: the dialog face colour.
constexpr unsigned char kFaceColour = 240;

struct DCState {
  std::map<uintptr_t, HWND> contexts;
  uintptr_t next = 0x30000;
};

DCState& State() {
  static DCState state;
  return state;
}

HDC NewDC(HWND window) {
  DCState& state = State();
  uintptr_t value = state.next;
  state.next += 4;
  state.contexts[value] = window;
  return reinterpret_cast<HDC>(value);
}

}  // namespace

namespace morfel_platform {

HWND WindowOfDC(HDC dc) {
  auto& contexts = State().contexts;
  auto found = contexts.find(reinterpret_cast<uintptr_t>(dc));
  return found == contexts.end() ? nullptr : found->second;
}

void ReleaseDCsOf(HWND window) {
  auto& contexts = State().contexts;
  for (auto it = contexts.begin(); it != contexts.end();)
    it = it->second == window ? contexts.erase(it) : std::next(it);
}

void EnsureSurface(HWND handle) {
  Window* window = FindWindowRecord(handle);
  if (!window) return;
  int width = ClientWidth(*window);
  int height = ClientHeight(*window);
  if (window->surfaceWidth == width && window->surfaceHeight == height && !window->surface.empty())
    return;
  window->surface.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, kFaceColour);
  window->surfaceWidth = width;
  window->surfaceHeight = height;
}

bool PaintNextInvalidWindow() {
  for (HWND handle : AllWindows()) {
    Window* window = FindWindowRecord(handle);
    if (!window || !window->invalid || !IsWindowVisible(handle)) continue;
    SendMessageA(handle, WM_PAINT, 0, 0);
    // A procedure that never validates would be asked again for ever.
    if (Window* after = FindWindowRecord(handle)) after->invalid = false;
    return true;
  }
  return false;
}

}  // namespace morfel_platform

extern "C" BOOL WINAPI InvalidateRect(HWND handle, const RECT*, BOOL) {
  if (!handle) {
    for (HWND each : AllWindows()) FindWindowRecord(each)->invalid = true;
    return TRUE;
  }
  Window* window = FindWindowRecord(handle);
  if (!window) return FALSE;
  window->invalid = true;
  return TRUE;
}

extern "C" HDC WINAPI BeginPaint(HWND handle, LPPAINTSTRUCT paint) {
  Window* window = FindWindowRecord(handle);
  if (!window || !paint) return nullptr;
  window->invalid = false;
  *paint = PAINTSTRUCT{};
  paint->hdc = NewDC(handle);
  paint->rcPaint = RECT{0, 0, ClientWidth(*window), ClientHeight(*window)};
  return paint->hdc;
}

extern "C" BOOL WINAPI EndPaint(HWND, const PAINTSTRUCT* paint) {
  if (!paint) return FALSE;
  State().contexts.erase(reinterpret_cast<uintptr_t>(paint->hdc));
  return TRUE;
}

extern "C" HDC WINAPI GetDC(HWND handle) {
  if (!handle) handle = GetDesktopWindow();
  return FindWindowRecord(handle) ? NewDC(handle) : nullptr;
}

extern "C" int WINAPI ReleaseDC(HWND, HDC dc) {
  return State().contexts.erase(reinterpret_cast<uintptr_t>(dc)) ? 1 : 0;
}
