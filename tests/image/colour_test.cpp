#include <limits>

#include <gtest/gtest.h>

#include "image/image.h"

namespace {

TEST(RgbToHls, KnownColours) {
  struct Case {
    const char* what;
    double r, g, b, h, s, l;
  } cases[] = {
      {"pure red is hue 1, not 0", 1, 0, 0, 1.0, 1.0, 0.5},
      {"black", 0, 0, 0, 0, 0, 0},
      {"white is a grey", 1, 1, 1, 0, 0, 1},
      {"mid grey", 128 / 255.0, 128 / 255.0, 128 / 255.0, 0, 0, 128 / 255.0},
      {"green", 0, 1, 0, 2 * (1.0 / 6.0), 1, 0.5},
      {"blue", 0, 0, 1, 4 * (1.0 / 6.0), 1, 0.5},
      {"yellow", 1, 1, 0, 1 * (1.0 / 6.0), 1, 0.5},
      {"magenta", 1, 0, 1, 5 * (1.0 / 6.0), 1, 0.5},
      {"clamped inputs", 300 / 255.0, -20 / 255.0, 0, 1.0, 1.0, 0.5},
  };
  for (const Case& c : cases) {
    const HlsColour hls = RgbToHls(c.r, c.g, c.b);
    EXPECT_EQ(hls.h, c.h) << c.what;
    EXPECT_EQ(hls.s, c.s) << c.what;
    EXPECT_EQ(hls.l, c.l) << c.what;
  }
}

TEST(RgbToHls, SextantsFollowExactComparisons) {
  // r is max, g not min: 1 - gc; g = 0.5, delta 1 -> 0.5 sextants.
  EXPECT_DOUBLE_EQ(RgbToHls(1, 0.5, 0).h, 0.5 / 6);
  // r is max, g is min: 5 + bc.
  EXPECT_DOUBLE_EQ(RgbToHls(1, 0, 0.5).h, 5.5 / 6);
  // g is max, b is min: 1 + rc; b not min: 3 - bc.
  EXPECT_DOUBLE_EQ(RgbToHls(0.5, 1, 0).h, 1.5 / 6);
  EXPECT_DOUBLE_EQ(RgbToHls(0, 1, 0.5).h, 2.5 / 6);
  // b is max, r is min: 3 + gc; r not min: 5 - rc.
  EXPECT_DOUBLE_EQ(RgbToHls(0, 0.5, 1).h, 3.5 / 6);
  EXPECT_DOUBLE_EQ(RgbToHls(0.5, 0, 1).h, 4.5 / 6);
  // l above one half uses delta / (2 - max - min).
  EXPECT_DOUBLE_EQ(RgbToHls(1, 0.5, 0.5).s, 0.5 / 0.5);
  EXPECT_DOUBLE_EQ(RgbToHls(0.75, 0.25, 0.25).s, 0.5 / 1.0);
}

TEST(HlsToRgb, SextantTable) {
  struct Case {
    double h, r, g, b;
  } cases[] = {
      {0.0, 1, 0, 0},       {1.0 / 6, 1, 1, 0},   {2.0 / 6, 0, 1, 0}, {3.0 / 6, 0, 1, 1},
      {4.0 / 6, 0, 0, 1},   {5.0 / 6, 1, 0, 1},   {1.0, 1, 0, 0},     {0.5 / 6, 1, 0.5, 0},
      {1.5 / 6, 0.5, 1, 0}, {2.5 / 6, 0, 1, 0.5}, {3.5 / 6, 0, 0.5, 1}, {4.5 / 6, 0.5, 0, 1},
      {5.5 / 6, 1, 0, 0.5},
  };
  for (const Case& c : cases) {
    const RgbColour rgb = HlsToRgb(c.h, 1.0, 0.5);
    EXPECT_NEAR(rgb.r, c.r, 1e-12) << c.h;
    EXPECT_NEAR(rgb.g, c.g, 1e-12) << c.h;
    EXPECT_NEAR(rgb.b, c.b, 1e-12) << c.h;
  }
}

TEST(HlsToRgb, GreysAndBlack) {
  for (double h : {0.0, 0.3, 0.99, 1.0}) {
    const RgbColour grey = HlsToRgb(h, 0.0, 0.4);
    EXPECT_EQ(grey.r, 0.4);
    EXPECT_EQ(grey.g, 0.4);
    EXPECT_EQ(grey.b, 0.4);
    const RgbColour black = HlsToRgb(h, 0.7, 0.0);
    EXPECT_EQ(black.r, 0.0);
    EXPECT_EQ(black.g, 0.0);
    EXPECT_EQ(black.b, 0.0);
  }
}

TEST(HlsToRgb, ScriptScaleRedRoundTrip) {
  const double unit = 1.0 / 255.0;  // how the script wrappers scale
  for (double hue : {0.0, 255.0}) {
    const RgbColour red = HlsToRgb(hue * unit, 255 * unit, 127.5 * unit);
    EXPECT_EQ(red.r * 255, 255);
    EXPECT_EQ(red.g * 255, 0);
    EXPECT_EQ(red.b * 255, 0);
  }
  const HlsColour hls = RgbToHls(255 * unit, 0, 0);
  EXPECT_EQ(hls.h * 255, 255);
  EXPECT_EQ(hls.l * 255, 127.5);
  EXPECT_EQ(hls.s * 255, 255);
}

TEST(HlsToRgb, ClampsAndSurvivesNotANumber) {
  const RgbColour clamped = HlsToRgb(7.0, 2.0, 0.5);  // hue 1, saturation 1
  EXPECT_EQ(clamped.r, 1.0);
  EXPECT_EQ(clamped.g, 0.0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const RgbColour fromNan = HlsToRgb(nan, nan, nan);
  EXPECT_EQ(fromNan.r, 0.0);
  const HlsColour hls = RgbToHls(nan, 0.5, 0.5);  // treated as 0
  const HlsColour same = RgbToHls(0.0, 0.5, 0.5);
  EXPECT_EQ(hls.h, same.h);
  EXPECT_EQ(hls.s, same.s);
  EXPECT_EQ(hls.l, same.l);
}

}  // namespace
