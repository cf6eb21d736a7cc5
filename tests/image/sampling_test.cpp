#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "image/image.h"

namespace {

// A one-channel image whose every row is `row`.
void RowsOf(RgbtImage& image, std::initializer_list<int> row, int32_t height) {
  image.Create(static_cast<int32_t>(row.size()), height, 1, 0);
  for (int32_t y = 0; y < height; ++y) {
    int32_t x = 0;
    for (int v : row) image.data[y * image.width + x++] = static_cast<uint8_t>(v);
  }
}

TEST(Sampling, ZeroFractionGivesThePixelInEveryKernel) {
  RgbtImage image(3, 3, 3);
  for (int i = 0; i < 27; ++i) image.data[i] = static_cast<uint8_t>(i * 9);
  for (int32_t k = 0; k < 3; ++k) {
    const uint8_t pixel = *image.PixelAddress(1, 2, k);
    EXPECT_EQ(SampleRound(image, 1, 2, k), pixel);
    EXPECT_EQ(SampleLinear(image, 1, 2, 0.0, 0.0, k), pixel);
    EXPECT_EQ(SampleBezier(image, 1, 2, 0.0, 0.0, k), pixel);
  }
}

TEST(SamplingLinear, WrapsRightAndBottomNeighbours) {
  RgbtImage image;
  RowsOf(image, {100, 0, 0, 50}, 2);
  EXPECT_EQ(SampleLinear(image, 3, 0, 0.5, 0.0, 0), 75);  // last column with column 0
  image.data[4] = 200;                                    // (0, 1)
  EXPECT_EQ(SampleLinear(image, 0, 1, 0.0, 0.5, 0), 150);  // last row with row 0
  EXPECT_EQ(SampleLinear(image, 0, 0, 0.25, 0.0, 0), 75);
  EXPECT_EQ(SampleLinear(image, 0, 0, 0.3, 0.0, 0), 70);  // 70.0000...1 or 69.99...: truncated
}

TEST(SamplingBezier, HardEdgesOvershootAndClamp) {
  struct Case {
    const char* what;
    std::initializer_list<int> row;
    int expected;
  } cases[] = {
      {"rising edge: 127.5 truncated", {0, 0, 255, 255}, 127},
      {"bump: 318.75 clamped", {0, 255, 255, 0}, 255},
      {"dip: -63.75 clamped", {255, 0, 0, 255}, 0},
      {"flat", {40, 40, 40, 40}, 40},
  };
  for (const Case& c : cases) {
    RgbtImage image;
    RowsOf(image, c.row, 4);
    EXPECT_EQ(SampleBezier(image, 1, 1, 0.5, 0.0, 0), c.expected) << c.what;
    EXPECT_EQ(SampleBezier(image, 1, 2, 0.5, 0.7, 0), c.expected) << c.what << " (all rows alike)";
  }
}

TEST(SamplingBezier, EdgesRepeatTheBorderPixel) {
  RgbtImage image;
  RowsOf(image, {0, 255, 255, 255}, 1);
  // At sx = 0 the missing left neighbour is column 0 again: points 0, 0, 255, 255.
  EXPECT_EQ(SampleBezier(image, 0, 0, 0.5, 0.0, 0), 127);
  RowsOf(image, {0, 0, 0, 255}, 1);
  // At sx = W - 2 the missing right neighbour is column W - 1: 0, 0, 255, 255.
  EXPECT_EQ(SampleBezier(image, 2, 0, 0.5, 0.0, 0), 127);
}

// The kernel as stated with the curve object: a curve per row, then one
// through the row results, each evaluated on segment 1; truncate, clamp.
int ThroughCurves(const RgbtImage& image, int32_t sx, int32_t sy, double fx, double fy, int32_t k) {
  Curve curve;
  double across[4];
  for (int32_t j = 0; j < 4; ++j) {
    for (int32_t i = 0; i < 4; ++i) curve.AddPoint(i, *image.PixelAddress(sx - 1 + i, sy - 1 + j, k));
    across[j] = curve.EvaluateSegment(1, fx);
  }
  Curve down;
  for (int32_t j = 0; j < 4; ++j) down.AddPoint(j, across[j]);
  const double value = down.EvaluateSegment(1, fy);
  const int truncated = static_cast<int>(value);
  return truncated < 0 ? 0 : truncated > 255 ? 255 : truncated;
}

TEST(SamplingBezier, MatchesTheCurveObjectEverywhere) {
  RgbtImage image(7, 5, 3);
  uint32_t seed = 12345;
  for (int32_t i = 0; i < image.rowLength * image.height; ++i) {
    seed = seed * 1103515245u + 12345u;
    image.data[i] = static_cast<uint8_t>(seed >> 16);
  }
  const double fractions[] = {0.0, 0.1, 0.25, 0.5, 0.7071, 0.999};
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t x = 0; x < image.width; ++x)
      for (double fx : fractions)
        for (double fy : fractions)
          for (int32_t k = 0; k < 3; ++k)
            ASSERT_EQ(SampleBezier(image, x, y, fx, fy, k), ThroughCurves(image, x, y, fx, fy, k))
                << x << "," << y << " " << fx << "," << fy << " channel " << k;
}

TEST(Sampling, OutOfRangeArgumentsStayInside) {
  RgbtImage image;
  RowsOf(image, {10, 20}, 2);
  EXPECT_EQ(SampleRound(image, 99, -99, 5), 20);  // (1, 0)
  EXPECT_EQ(SampleLinear(image, -4, 7, 0.0, 0.0, 0), 10);
  EXPECT_EQ(SampleBezier(image, 1000, 1000, 0.0, 0.0, 0), 20);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(SampleLinear(image, 0, 0, nan, 0.0, 0), 0);
  EXPECT_EQ(SampleBezier(image, 0, 0, nan, nan, 0), 0);
  EXPECT_EQ(SampleLinear(image, 0, 0, 1e300, 0.0, 0), 255);
  RgbtImage empty;
  EXPECT_EQ(SampleRound(empty, 0, 0, 0), 0);
  EXPECT_EQ(SampleLinear(empty, 0, 0, 0.5, 0.5, 0), 0);
  EXPECT_EQ(SampleBezier(empty, 0, 0, 0.5, 0.5, 0), 0);
}

Curve FourPoints(double a, double b, double c, double d) {
  Curve curve;
  curve.AddPoint(0, a);
  curve.AddPoint(1, b);
  curve.AddPoint(2, c);
  curve.AddPoint(3, d);
  return curve;
}

TEST(CurveEvaluate, NestedBezierFormExactly) {
  const Curve curve = FourPoints(0, 255, 255, 0);
  // c1 = c2 = 340: 255 / 4 + 340 * 3 / 4.
  EXPECT_EQ(curve.EvaluateSegment(1, 0.5), 318.75);
  EXPECT_EQ(FourPoints(255, 0, 0, 255).EvaluateSegment(1, 0.5), -63.75);
  // Interior control values: c1 = s1 + (s2 - s0) / 3, c2 = s2 - (s3 - s1) / 3.
  const Curve ramp = FourPoints(10, 20, 50, 60);
  const double third = 1.0 / 3.0;
  const double c1 = 20 + (50 - 10) * third, c2 = 50 - (60 - 20) * third;
  const double t = 0.3, u = 1 - t;
  EXPECT_EQ(ramp.EvaluateSegment(1, t), ((u * 20 + 3 * t * c1) * u + 3 * t * t * c2) * u + t * t * t * 50);
}

TEST(CurveEvaluate, EndSegmentsUseTheChord) {
  const Curve curve = FourPoints(0, 30, 90, 90);
  const double third = 1.0 / 3.0;
  const double t = 0.25, u = 0.75;
  // First segment: c1 = (2 * y0 + y1) / 3.
  const double firstC1 = (2 * 0.0 + 30) * third, firstC2 = 30 - (90 - 0) * third;
  EXPECT_EQ(curve.EvaluateSegment(0, t),
            ((u * 0 + 3 * t * firstC1) * u + 3 * t * t * firstC2) * u + t * t * t * 30);
  // Last segment: c2 = (2 * y3 + y2) / 3.
  const double lastC1 = 90 + (90 - 30) * third, lastC2 = (2 * 90.0 + 90) * third;
  EXPECT_EQ(curve.EvaluateSegment(2, t),
            ((u * 90 + 3 * t * lastC1) * u + 3 * t * t * lastC2) * u + t * t * t * 90);
}

TEST(CurveEvaluate, WholePartOfTMovesOnAndMissingSegmentsGiveZero) {
  const Curve curve = FourPoints(3, 7, 11, 40);
  EXPECT_EQ(curve.EvaluateSegment(0, 1.5), curve.EvaluateSegment(1, 0.5));
  EXPECT_EQ(curve.EvaluateSegment(0, 2.0), curve.EvaluateSegment(2, 0.0));
  EXPECT_EQ(curve.EvaluateSegment(0, 1.0), 7.0);
  EXPECT_EQ(curve.EvaluateSegment(-1, 0.5), 0.0);
  EXPECT_EQ(curve.EvaluateSegment(3, 0.5), 0.0);  // no point after the last
  EXPECT_EQ(curve.EvaluateSegment(9, 0.5), 0.0);
  EXPECT_EQ(curve.EvaluateSegment(1, 3.5), 0.0);
  EXPECT_EQ(curve.EvaluateSegment(0, 1e300), 0.0);
  EXPECT_EQ(Curve().EvaluateSegment(0, 0.5), 0.0);
}

TEST(CurvePoints, AddKeepsOrderAndReplaces) {
  Curve curve;
  curve.AddPoint(2, 20);
  curve.AddPoint(0, 0);
  curve.AddPoint(1, 10);
  curve.AddPoint(2, 25);
  ASSERT_EQ(curve.Count(), 3);
  EXPECT_EQ(curve.Point(0).x, 0);
  EXPECT_EQ(curve.Point(1).y, 10);
  EXPECT_EQ(curve.Point(2).y, 25);
}

TEST(CurvePoints, SetPointExtendsByOneOnly) {
  Curve curve;
  EXPECT_EQ(curve.SetPoint(1, 5), 0);
  EXPECT_EQ(curve.SetPoint(-1, 5), 0);
  EXPECT_EQ(curve.SetPoint(0, 5), 1);
  EXPECT_EQ(curve.SetPoint(1, 6), 1);
  EXPECT_EQ(curve.SetPoint(0, 7), 1);
  ASSERT_EQ(curve.Count(), 2);
  EXPECT_EQ(curve.Point(0).y, 7);
  EXPECT_EQ(curve.Point(1).x, 1);
}

TEST(CurvePoints, CapacityIsEnforced) {
  Curve curve;
  for (int32_t i = 0; i < kCurveCapacity; ++i) EXPECT_EQ(curve.AddPoint(i, i), 1);
  EXPECT_EQ(curve.AddPoint(1000, 0), 0);
  EXPECT_EQ(curve.SetPoint(kCurveCapacity, 0), 0);
  EXPECT_EQ(curve.AddPoint(5, 50), 1);  // replacing still works when full
  EXPECT_EQ(curve.Count(), kCurveCapacity);
}

}  // namespace
