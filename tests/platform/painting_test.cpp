#include <windows.h>

#include <gtest/gtest.h>

#include <morfel_platform_ext.h>

#include <vector>

#include "tests/platform/test_support.h"

namespace {

// A bottom-up 24-bit bitmap whose pixel (x, y from the top) is (x, y, 7) in
// blue, green, red; rows padded to 4 bytes.
struct Bitmap {
  BITMAPINFO info = {};
  std::vector<unsigned char> bits;
  Bitmap(int width, int height) {
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~3u;
    bits.assign(stride * height, 0);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        unsigned char *pixel = &bits[(height - 1 - y) * stride + x * 3];
        pixel[0] = static_cast<unsigned char>(x);
        pixel[1] = static_cast<unsigned char>(y);
        pixel[2] = 7;
      }
  }
};

struct Surface {
  int width = 0, height = 0;
  std::vector<unsigned char> bgr;
  explicit Surface(HWND window) {
    long size = MorfelReadWindowPixels(window, nullptr, 0, &width, &height);
    bgr.resize(size > 0 ? size : 0);
    MorfelReadWindowPixels(window, bgr.data(), size, nullptr, nullptr);
  }
  const unsigned char *At(int x, int y) const { return &bgr[(static_cast<size_t>(y) * width + x) * 3]; }
};

void ExpectPixel(const Surface &surface, int x, int y, int blue, int green, int red) {
  ASSERT_TRUE(x >= 0 && y >= 0 && x < surface.width && y < surface.height) << x << "," << y;
  const unsigned char *pixel = surface.At(x, y);
  EXPECT_EQ(pixel[0], blue) << x << "," << y;
  EXPECT_EQ(pixel[1], green) << x << "," << y;
  EXPECT_EQ(pixel[2], red) << x << "," << y;
}

// Draws in the dialog's first paint and reads the preview area afterwards.
template <class Draw>
Surface DrawIntoTestArea(Draw draw) {
  TestDialog dialog;
  static Draw *s_draw;
  s_draw = &draw;
  Surface *result = nullptr;
  dialog.onCommand = [&](HWND window, int id, int) {
    if (id != IDCANCEL) return false;
    (*s_draw)(window);
    result = new Surface(GetDlgItem(window, IDC_TEST_AREA));
    EndDialog(window, IDCANCEL);
    return true;
  };
  RunTestDialog(&dialog);
  Surface copy = *result;
  delete result;
  return copy;
}

TEST(PaintingTest, BottomUpBitmapLandsUprightInTheControl) {
  Bitmap bitmap(10, 6);
  Surface surface = DrawIntoTestArea([&](HWND dialog) {
    HWND area = GetDlgItem(dialog, IDC_TEST_AREA);
    HDC dc = GetDC(area);
    EXPECT_EQ(SetDIBitsToDevice(dc, 2, 3, 10, 6, 0, 0, 0, 6, bitmap.bits.data(), &bitmap.info, DIB_RGB_COLORS), 6);
    ReleaseDC(area, dc);
  });
  EXPECT_EQ(surface.width, 60);  // 40 x 32 dialog units
  EXPECT_EQ(surface.height, 48);
  ExpectPixel(surface, 2, 3, 0, 0, 7);  // top-left of the picture
  ExpectPixel(surface, 11, 8, 9, 5, 7);  // bottom-right
  ExpectPixel(surface, 1, 3, 240, 240, 240);  // untouched face colour
  ExpectPixel(surface, 12, 8, 240, 240, 240);
}

TEST(PaintingTest, DialogPaintingOverTheControlReachesIt) {
  Bitmap bitmap(4, 4);
  Surface surface = DrawIntoTestArea([&](HWND dialog) {
    RECT area, frame;
    GetWindowRect(GetDlgItem(dialog, IDC_TEST_AREA), &area);
    GetWindowRect(dialog, &frame);
    PAINTSTRUCT paint;
    InvalidateRect(dialog, nullptr, FALSE);
    HDC dc = BeginPaint(dialog, &paint);
    // Client coordinates of the area: 100, 90 dialog units = 150, 135 pixels.
    SetDIBitsToDevice(dc, 150 + 1, 135 + 1, 4, 4, 0, 0, 0, 4, bitmap.bits.data(), &bitmap.info, DIB_RGB_COLORS);
    EndPaint(dialog, &paint);
  });
  ExpectPixel(surface, 1, 1, 0, 0, 7);
  ExpectPixel(surface, 4, 4, 3, 3, 7);
}

TEST(PaintingTest, DrawingBeyondTheAreaIsClipped) {
  Bitmap bitmap(100, 100);
  Surface surface = DrawIntoTestArea([&](HWND dialog) {
    HWND area = GetDlgItem(dialog, IDC_TEST_AREA);
    HDC dc = GetDC(area);
    SetDIBitsToDevice(dc, -50, -50, 100, 100, 0, 0, 0, 100, bitmap.bits.data(), &bitmap.info, DIB_RGB_COLORS);
    ReleaseDC(area, dc);
  });
  ExpectPixel(surface, 0, 0, 50, 50, 7);
  ExpectPixel(surface, 49, 47, 99, 97, 7);  // the area is 60 x 48
  ExpectPixel(surface, 50, 47, 240, 240, 240);
}

TEST(PaintingTest, BadBitmapsAreRefused) {
  Bitmap bitmap(4, 4);
  DrawIntoTestArea([&](HWND dialog) {
    HWND area = GetDlgItem(dialog, IDC_TEST_AREA);
    HDC dc = GetDC(area);
    struct Case {
      WORD bits;
      LONG width;
      LONG height;
    } cases[] = {{8, 4, 4}, {24, 0, 4}, {24, 4, 0}, {24, -4, 4}, {24, 1 << 20, 4}, {24, 4, -(1 << 20)}};
    for (const Case &c : cases) {
      BITMAPINFO info = bitmap.info;
      info.bmiHeader.biBitCount = c.bits;
      info.bmiHeader.biWidth = c.width;
      info.bmiHeader.biHeight = c.height;
      EXPECT_EQ(SetDIBitsToDevice(dc, 0, 0, 4, 4, 0, 0, 0, 4, bitmap.bits.data(), &info, DIB_RGB_COLORS), 0);
    }
    EXPECT_EQ(SetDIBitsToDevice(dc, 0, 0, 4, 4, 0, 0, 0, 4, nullptr, &bitmap.info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(SetDIBitsToDevice(reinterpret_cast<HDC>(0x999), 0, 0, 4, 4, 0, 0, 0, 4, bitmap.bits.data(),
                                &bitmap.info, DIB_RGB_COLORS),
              0);
    ReleaseDC(area, dc);
  });
  EXPECT_EQ(MorfelReadWindowPixels(reinterpret_cast<HWND>(0x999), nullptr, 0, nullptr, nullptr), -1);
}

}  // namespace
