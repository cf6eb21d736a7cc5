#include <gtest/gtest.h>

#include "session/session.h"

namespace {

struct PreviewSizeCase {
  const char* what;
  int32_t areaWidth;
  int32_t areaHeight;
  int32_t imageWidth;
  int32_t imageHeight;
  int32_t width;
  int32_t height;
};

const PreviewSizeCase kPreviewSizeCases[] = {
    {"wider image fills the width", 164, 120, 400, 200, 164, 82},
    {"taller image fills the height, width rounded up to 4", 164, 120, 100, 400, 32, 120},
    {"area width rounded down to 4", 166, 120, 400, 200, 164, 82},
    {"same proportions as the area", 164, 120, 164, 120, 164, 120},
    {"smaller image is scaled up", 164, 120, 41, 30, 164, 120},
    {"very tall image keeps at least one pixel of width", 164, 120, 1, 100000, 4, 120},
    {"very wide image keeps at least one row", 164, 120, 100000, 1, 164, 1},
    {"huge image does not overflow", 164, 120, 1000000000, 500000000, 164, 82},
    {"huge tall image does not overflow", 164, 120, 500000000, 1000000000, 60, 120},
    {"empty image takes the whole area", 164, 120, 0, 0, 164, 120},
    {"image of no rows takes the whole area", 164, 120, 10, 0, 164, 120},
    {"area narrower than 4 still gives a drawable image", 3, 10, 10, 10, 4, 1},
};

TEST(PreviewSize, FollowsTheImageProportionsInsideTheArea) {
  for (const PreviewSizeCase& c : kPreviewSizeCases) {
    const PreviewSize size =
        ComputePreviewSize(c.areaWidth, c.areaHeight, c.imageWidth, c.imageHeight);
    EXPECT_EQ(size.width, c.width) << c.what;
    EXPECT_EQ(size.height, c.height) << c.what;
  }
}

TEST(PreviewSize, WidthIsAlwaysAMultipleOfFourWithinTheArea) {
  for (int32_t w = 1; w <= 64; w += 7) {
    for (int32_t h = 1; h <= 64; h += 5) {
      const PreviewSize size = ComputePreviewSize(164, 120, w, h);
      EXPECT_EQ(size.width % 4, 0) << w << "x" << h;
      EXPECT_LE(size.width, 164) << w << "x" << h;
      EXPECT_LE(size.height, 120) << w << "x" << h;
      EXPECT_GE(size.height, 1) << w << "x" << h;
    }
  }
}

}  // namespace
