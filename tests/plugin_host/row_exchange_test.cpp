#include <gtest/gtest.h>

#include <cstdint>

#include "files/files.h"
#include "plugin_host/plugin_host.h"

namespace {

// Four columns, three rows, every pixel different where the tests look.
Picture Checkerboard(int width, int height) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      picture.bgr.push_back(static_cast<uint8_t>(x * 10));
      picture.bgr.push_back(static_cast<uint8_t>(y * 10));
      picture.bgr.push_back(static_cast<uint8_t>((x + y) % 2 ? 255 : 0));
      picture.t.push_back(static_cast<uint8_t>(x * 20));
    }
  }
  return picture;
}

}  // namespace

TEST(RowExchange, CallbacksRefuseRowsOutsideThePicture) {
  Picture source = Checkerboard(4, 3);
  Picture result;
  RowExchange exchange(source, &result);
  uint8_t rgb[12];
  uint8_t t[4];
  EXPECT_EQ(exchange.readTable()->rgbRow(2, 0, 3, rgb, -1), 1);
  EXPECT_EQ(rgb[0], source.bgr[2 * 12]);
  EXPECT_EQ(exchange.readTable()->tRow(3, 0, 3, t, -1, 1), 0);
  EXPECT_EQ(exchange.readTable()->rgbRow(0, 0, 4, rgb, -1), 0);
  EXPECT_EQ(exchange.writeTable()->rgbRow(-1, 0, 3, rgb, -1), 0);
  EXPECT_EQ(exchange.writeTable()->tRow(1, 0, 3, t, -1, 1), 1);
  EXPECT_EQ(exchange.refused(), 3);
  EXPECT_EQ(exchange.tRowsWritten(), 1);
}
