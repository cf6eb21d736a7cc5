// Drawing device-independent bitmaps (24 bits per pixel, uncompressed,
// bottom-up or top-down) into a window's client surface, and reading it back.
// Drawing through a window's context also lands in the children it covers, as
// it would on a screen: a dialog that paints over its black-frame static paints
// the static's pixels.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

namespace {

// Limits on what a bitmap header may claim, so sizes never overflow.
constexpr LONG kMaxDibSide = 1 << 15;

struct DibView {
  const unsigned char* bits;
  int width;
  int height;
  bool bottomUp;
  size_t stride;
};

bool ReadDib(const BITMAPINFO* info, const void* bits, DibView* view) {
  if (!info || !bits) return false;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  if (header.biBitCount != 24 || header.biCompression != BI_RGB) return false;
  if (header.biWidth <= 0 || header.biWidth > kMaxDibSide) return false;
  if (header.biHeight == 0 || header.biHeight > kMaxDibSide || header.biHeight < -kMaxDibSide)
    return false;
  view->bits = static_cast<const unsigned char*>(bits);
  view->width = header.biWidth;
  view->height = header.biHeight > 0 ? header.biHeight : -header.biHeight;
  view->bottomUp = header.biHeight > 0;
  view->stride = (static_cast<size_t>(header.biWidth) * 3 + 3) & ~static_cast<size_t>(3);
  return true;
}

// Address of a pixel counted from the image's top-left, or null outside it.
const unsigned char* PixelFromTop(const DibView& dib, long column, long row, long rowsPresent,
                                  long firstRow) {
  if (column < 0 || column >= dib.width || row < 0 || row >= dib.height) return nullptr;
  long memoryRow = dib.bottomUp ? dib.height - 1 - row : row;
  memoryRow -= firstRow;  // the scan lines held start at this one
  if (memoryRow < 0 || memoryRow >= rowsPresent) return nullptr;
  return dib.bits + static_cast<size_t>(memoryRow) * dib.stride + static_cast<size_t>(column) * 3;
}

// Plots a rectangle of the client area of a window and of the children under
// it; source(i, j) gives the pixel for offset (i, j) in the rectangle, or null.
template <class Source>
void Plot(HWND handle, long left, long top, long width, long height, const Source& source) {
  EnsureSurface(handle);
  Window* window = FindWindowRecord(handle);
  if (!window) return;
  // Only the part of the rectangle that lies on the surface is visited.
  long iStart = std::max(0L, -left), iEnd = std::min(width, window->surfaceWidth - left);
  long jStart = std::max(0L, -top), jEnd = std::min(height, window->surfaceHeight - top);
  for (long j = jStart; j < jEnd; ++j) {
    long y = top + j;
    for (long i = iStart; i < iEnd; ++i) {
      long x = left + i;
      const unsigned char* pixel = source(i, j);
      if (pixel)
        std::memcpy(&window->surface[(static_cast<size_t>(y) * window->surfaceWidth + x) * 3],
                    pixel, 3);
    }
  }
  for (HWND child : ChildrenOf(handle)) {
    Window* inner = FindWindowRecord(child);
    if (!inner || !(inner->style & WS_VISIBLE)) continue;
    long childLeft = inner->x + inner->insets.left;
    long childTop = inner->y + inner->insets.top;
    Plot(child, left - childLeft, top - childTop, width, height, source);
  }
}

}  // namespace

extern "C" int WINAPI SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height,
                                        int xSrc, int ySrc, UINT startScan, UINT scanLines,
                                        const void* bits, const BITMAPINFO* info, UINT colorUse) {
  HWND window = WindowOfDC(dc);
  DibView dib;
  if (!window || colorUse != DIB_RGB_COLORS || !ReadDib(info, bits, &dib)) return 0;
  long rows = scanLines > static_cast<UINT>(dib.height) ? dib.height : static_cast<long>(scanLines);
  long first =
      startScan > static_cast<UINT>(dib.height) ? dib.height : static_cast<long>(startScan);
  long w = width > static_cast<DWORD>(kMaxDibSide) ? kMaxDibSide : static_cast<long>(width);
  long h = height > static_cast<DWORD>(kMaxDibSide) ? kMaxDibSide : static_cast<long>(height);
  // The source rectangle's corner (xSrc, ySrc) is its lower left in a
  // bottom-up bitmap and its upper left in a top-down one.
  Plot(window, xDest, yDest, w, h, [&](long i, long j) {
    long rowFromTop = dib.bottomUp ? dib.height - 1 - (ySrc + (h - 1 - j)) : ySrc + j;
    return PixelFromTop(dib, xSrc + i, rowFromTop, rows, dib.bottomUp ? first : 0);
  });
  return static_cast<int>(rows);
}

extern "C" long MorfelReadWindowPixels(HWND handle, unsigned char* bgr, long capacity, int* width,
                                       int* height) {
  if (!FindWindowRecord(handle)) return -1;
  EnsureSurface(handle);
  Window* window = FindWindowRecord(handle);
  if (width) *width = window->surfaceWidth;
  if (height) *height = window->surfaceHeight;
  long size = static_cast<long>(window->surface.size());
  if (bgr && capacity >= size && size > 0)
    std::memcpy(bgr, window->surface.data(), static_cast<size_t>(size));
  return size;
}
