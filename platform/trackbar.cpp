// Trackbars (sliders). Positions are clamped to the range, as on Windows; set
// by code they do not notify, a user's move is reported to the parent as
// WM_HSCROLL by whoever plays the user.
#include <commctrl.h>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

namespace {

int Clamp(const TrackbarState& bar, LONG position) {
  if (position > bar.maximum) position = bar.maximum;
  if (position < bar.minimum) position = bar.minimum;
  return position;
}

}  // namespace

namespace morfel_platform {

LRESULT CALLBACK TrackbarProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindWindowRecord(handle);
  if (!window) return 0;
  TrackbarState& bar = window->trackbar;
  switch (message) {
    case TBM_GETPOS:
      return bar.position;
    case TBM_GETRANGEMIN:
      return bar.minimum;
    case TBM_GETRANGEMAX:
      return bar.maximum;
    case TBM_SETPOS:
      bar.position = Clamp(bar, static_cast<LONG>(lParam));
      break;
    case TBM_SETRANGE:
      // The range comes as two signed 16-bit halves: minimum low, maximum high.
      bar.minimum = static_cast<short>(LOWORD(lParam));
      bar.maximum = static_cast<short>(HIWORD(lParam));
      bar.position = Clamp(bar, bar.position);
      break;
    default:
      return DefWindowProcA(handle, message, wParam, lParam);
  }
  if (wParam) window->invalid = true;  // the redraw flag
  return 0;
}

}  // namespace morfel_platform
