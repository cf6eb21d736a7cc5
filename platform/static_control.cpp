// Static controls: texts, and the black frame whose client area a dialog draws
// pictures into. They keep what was drawn; painting adds nothing.
#include <windows.h>

#include "platform/internal.h"

namespace morfel_platform {

LRESULT CALLBACK StaticProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(handle, message, wParam, lParam);
}

}  // namespace morfel_platform
