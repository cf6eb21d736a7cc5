#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "transform/pass.h"

namespace {

using transform_pass::ColourByte;
using transform_pass::WrapAxis;
using transform_pass::WrappedAxis;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(WrapAxis, BringsPositionsOntoTheAxis) {
  const int32_t size = 16;
  const double offset = size * 256.0;
  struct Case {
    const char* what;
    double position;
    int32_t index;
    double fraction;
  } cases[] = {
      {"origin", 0.0, 0, 0.0},
      {"inside with fraction", 15.5, 15, 0.5},
      {"right edge wraps to the left", 16.0, 0, 0.0},
      {"just left of the image", -0.5, 15, 0.5},
      {"one tile left", -16.0, 0, 0.0},
      {"last exactly handled position", -offset, 0, 0.0},
      {"just beyond the tile offset", -offset - 0.5, 15, 0.5},
      {"far left", -1e12 - 0.25, 15, 0.75},
      {"beyond int32 after shifting", 3e9 + 3.0, 3, 0.0},
      {"huge", 1e300, static_cast<int32_t>(std::fmod(1e300, 16.0)), 0.0},
      {"positive infinity", kInfinity, 0, 0.0},
      {"negative infinity", -kInfinity, 0, 0.0},
      {"not a number", std::nan(""), 0, 0.0},
  };
  for (const Case& c : cases) {
    WrappedAxis wrapped = WrapAxis(c.position, offset, size);
    EXPECT_EQ(wrapped.index, c.index) << c.what;
    EXPECT_DOUBLE_EQ(wrapped.fraction, c.fraction) << c.what;
  }
}

TEST(WrapAxis, EveryPositionLandsInsideAnOddSizedAxis) {
  const int32_t size = 7;
  const double offset = size * 256.0;
  for (int32_t k = -3000; k <= 3000; ++k) {
    double position = k * 1234567.891 + k * 0.001;
    WrappedAxis wrapped = WrapAxis(position, offset, size);
    ASSERT_GE(wrapped.index, 0) << position;
    ASSERT_LT(wrapped.index, size) << position;
    ASSERT_GE(wrapped.fraction, 0.0) << position;
    ASSERT_LT(wrapped.fraction, 1.0) << position;
  }
  for (double position : {-1792.0001, -1e-300, -2147483648.0, 2147483647.5, 1e18, -1e18}) {
    WrappedAxis wrapped = WrapAxis(position, offset, size);
    EXPECT_GE(wrapped.index, 0) << position;
    EXPECT_LT(wrapped.index, size) << position;
    EXPECT_GE(wrapped.fraction, 0.0) << position;
    EXPECT_LT(wrapped.fraction, 1.0) << position;
  }
}

// Near the image the wrap takes a shortcut past the remainder; it must give
// exactly what the remainder of the shifted position gives, at every edge
// of the image and of the tiles next to it, and for other offsets too.
TEST(WrapAxis, NearTheImageAgreesWithTheRemainder) {
  for (int32_t size : {1, 2, 7, 16, 2048}) {
    for (double offset : {size * 256.0, size * 256.0 + 3.0, 1000.0}) {
      for (double position = -2.0 * size - 1.0; position <= 3.0 * size + 1.0; position += 0.25) {
        const double shifted = position + offset;
        if (shifted < 0.0) continue;
        const int32_t whole = static_cast<int32_t>(shifted);
        WrappedAxis wrapped = WrapAxis(position, offset, size);
        ASSERT_EQ(wrapped.index, whole % size) << size << " " << offset << " " << position;
        ASSERT_EQ(wrapped.fraction, shifted - whole) << size << " " << offset << " " << position;
      }
    }
  }
}

TEST(ColourByte, ClampsThenTruncates) {
  struct Case {
    double value;
    uint8_t byte;
  } cases[] = {
      {300.0, 255}, {255.0, 255}, {254.99, 254}, {12.9, 12}, {0.99, 0},
      {-5.0, 0},    {kInfinity, 255}, {-kInfinity, 0}, {std::nan(""), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ColourByte(c.value), c.byte) << c.value;
}

}  // namespace
