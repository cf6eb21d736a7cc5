#include <gtest/gtest.h>

#include <cstdint>

#include "files/files.h"
#include "plugin_host/plugin_host.h"
#include "tests/files/checkerboard.h"

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
