// _Draw and _DrawT: painting through an image slot used as a stencil.
#include <string>
#include <vector>

#include "tests/script/builtin_fixture.h"

namespace {

// The weight of a black stencil pixel at full opacity: 255 x 255 / 65535.
constexpr double kOverFullRange = 1.5259021896696422e-05;
constexpr double kFullWeight = 255.0 * 255.0 * kOverFullRange;

// Moves the frame so that offsets are absolute pixel positions.
constexpr const char* kAbsoluteFrame = "cx = 0; cy = 0; ";

class StencilTest : public BuiltinTest {
 protected:
  // A stencil whose value byte (the G byte of 3- and 4-byte pixels, the only
  // byte of 1-byte ones) is `value` and whose other bytes are `other`.
  RgbtImage& MakeStencil(int32_t slot, int32_t width, int32_t height, int32_t channels,
                         uint8_t value, uint8_t other = 255) {
    RgbtImage& stencil = FillSlot(slot, width, height, channels, other);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) Pixel(stencil, x, y)[channels / 3] = value;
    return stencil;
  }

  static uint8_t Painted(uint8_t byte, double a, double colour) {
    return static_cast<uint8_t>(byte * (1 - a) + a * colour);
  }
};

TEST_F(StencilTest, WhiteStencilLeavesTheDestination) {
  MakeStencil(0, 3, 3, 3, 255, 0);
  RunText("R = 255; G = 255; B = 255; T = 255; _Draw(0, 0, 0);");
  EXPECT_EQ(Pixel(dstRgb, 3, 2)[1], DestGreen(3, 2));
  EXPECT_EQ(Pixel(dstRgb, 3, 2)[0], DestBlue(3, 2));
}

TEST_F(StencilTest, BlackStencilPaintsNearlyAllTheWay) {
  MakeStencil(1, 1, 1, 1, 0);
  RunText("R = 250; G = 20; B = 300; T = 255; v = _Draw(1, 0, 0);");
  const uint8_t* p = Pixel(dstRgb, 3, 2);
  EXPECT_EQ(p[0], Painted(DestBlue(3, 2), kFullWeight, 255));  // B clamped
  EXPECT_EQ(p[1], Painted(DestGreen(3, 2), kFullWeight, 20));
  EXPECT_EQ(p[2], Painted(DestRed(3, 2), kFullWeight, 250));
  EXPECT_EQ(Var("v"), 0.0);
  EXPECT_EQ(Pixel(dstRgb, 2, 2)[0], DestBlue(2, 2));
}

// The colour and the opacity are clamped but keep their fractions.
TEST_F(StencilTest, OpacityAndStencilGreyScaleTheWeight) {
  MakeStencil(2, 1, 1, 3, 100, 0);
  RunText("R = 200.5; G = 0; B = 0; T = 127.5; _Draw(2, 0, 0);");
  double a = (255 - 100) * 127.5 * kOverFullRange;
  EXPECT_EQ(Pixel(dstRgb, 3, 2)[2], Painted(DestRed(3, 2), a, 200.5));
  RunText("T = -10; _Draw(2, 1, 0);");
  EXPECT_EQ(Pixel(dstRgb, 4, 2)[2], DestRed(4, 2));
}

struct PlacementCase {
  int32_t width;
  int32_t height;
  int32_t channels;
  const char* x;
  const char* y;
  int64_t centreX;
  int64_t centreY;
};

class StencilPlacementTest : public StencilTest,
                             public ::testing::WithParamInterface<PlacementCase> {
 protected:
  bool Covered(int32_t x, int32_t y) const {
    const PlacementCase& c = GetParam();
    int64_t left = c.centreX - c.width / 2;
    int64_t top = c.centreY - c.height / 2;
    return x >= left && x < left + c.width && y >= top && y < top + c.height;
  }
};

// Only destination pixels under the stencil change, wherever it is put and
// whatever its pixel size; ASan guards every byte outside.
TEST_P(StencilPlacementTest, DrawPaintsExactlyTheCoveredPixels) {
  const PlacementCase& c = GetParam();
  MakeStencil(4, c.width, c.height, c.channels, 0);
  RunText(std::string(kAbsoluteFrame) + "R = 255; G = 255; B = 255; T = 255; _Draw(4, " +
          c.x + ", " + c.y + ");");
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) {
      const uint8_t* p = Pixel(dstRgb, x, y);
      bool covered = Covered(x, y);
      EXPECT_EQ(p[0], covered ? Painted(DestBlue(x, y), kFullWeight, 255) : DestBlue(x, y))
          << x << "," << y;
      EXPECT_EQ(p[2], covered ? Painted(DestRed(x, y), kFullWeight, 255) : DestRed(x, y))
          << x << "," << y;
    }
}

TEST_P(StencilPlacementTest, DrawTRaisesExactlyTheCoveredPixels) {
  const PlacementCase& c = GetParam();
  MakeStencil(6, c.width, c.height, c.channels, 0);
  RunText(std::string(kAbsoluteFrame) + "T = 30; _DrawT(6, " + c.x + ", " + c.y + ");");
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) {
      int32_t raised = DestT(x, y) + 30 > 255 ? 255 : DestT(x, y) + 30;
      EXPECT_EQ(*Pixel(dstT, x, y), Covered(x, y) ? raised : DestT(x, y)) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EdgesAndSizes, StencilPlacementTest,
    ::testing::Values(PlacementCase{3, 3, 3, "3", "2", 3, 2},
                      PlacementCase{3, 3, 1, "0", "0", 0, 0},         // top-left corner
                      PlacementCase{3, 3, 4, "5", "3", 5, 3},         // bottom-right corner
                      PlacementCase{2, 2, 3, "6", "4", 6, 4},         // one pixel inside
                      PlacementCase{4, 2, 1, "-2", "1", -2, 1},       // just left: nothing
                      PlacementCase{3, 3, 3, "7", "1", 7, 1},         // just right: nothing
                      PlacementCase{3, 3, 3, "2", "-2", 2, -2},       // just above: nothing
                      PlacementCase{10, 9, 4, "3", "2", 3, 2},        // larger than the plane
                      PlacementCase{7, 1, 2, "2.9", "3.9", 2, 3},     // truncated centre
                      PlacementCase{1, 1, 1, "-0.9", "0", 0, 0},      // truncated toward zero
                      PlacementCase{5, 5, 3, "-pow(10, 12)", "pow(10, 12)", INT32_MIN,
                                    INT32_MAX},
                      PlacementCase{5, 5, 1, "pow(-1, 0.5)", "1", 0, 1}));  // NaN: 0

TEST_F(StencilTest, TheValueByteIsGreenOfColourStencils) {
  for (int32_t channels : {3, 4}) {
    PaintPattern(dstRgb, dstT, true);
    RgbtImage& stencil = MakeStencil(3, 1, 1, channels, 255, 0);  // G white, others black
    RunText("R = 0; G = 0; B = 0; T = 255; _Draw(3, 0, 0);");
    EXPECT_EQ(Pixel(dstRgb, 3, 2)[1], DestGreen(3, 2)) << channels;
    Pixel(stencil, 0, 0)[1] = 0;
    RunText("_Draw(3, 0, 0);");
    EXPECT_EQ(Pixel(dstRgb, 3, 2)[1], Painted(DestGreen(3, 2), kFullWeight, 0)) << channels;
  }
}

TEST_F(StencilTest, EmptyOrUnknownSlotsDrawNothing) {
  std::vector<uint8_t> rgb(dstRgb.data, dstRgb.data + dstRgb.rowLength * dstRgb.height);
  std::vector<uint8_t> t(dstT.data, dstT.data + dstT.rowLength * dstT.height);
  RunText("R = 255; T = 255; _Draw(0, 0, 0); _Draw(8, 0, 0); _Draw(-1, 0, 0);"
          " _DrawT(0, 0, 0); _DrawT(8, 0, 0); _DrawT(-1, 0, 0);");
  EXPECT_EQ(std::vector<uint8_t>(dstRgb.data, dstRgb.data + rgb.size()), rgb);
  EXPECT_EQ(std::vector<uint8_t>(dstT.data, dstT.data + t.size()), t);
}

struct RaiseCase {
  const char* t;
  uint8_t stencil;
  int32_t change;  // added to DestT(3, 2) = 167, then clamped
};

class DrawTRaiseTest : public StencilTest, public ::testing::WithParamInterface<RaiseCase> {};

TEST_P(DrawTRaiseTest, RaisesByTheStencilWeightTruncatedThenClamps) {
  const RaiseCase& c = GetParam();
  MakeStencil(5, 1, 1, 1, c.stencil);
  RunText(std::string("T = ") + c.t + "; _DrawT(5, 0, 0);");
  int32_t expected = DestT(3, 2) + c.change;
  expected = expected < 0 ? 0 : (expected > 255 ? 255 : expected);
  EXPECT_EQ(*Pixel(dstT, 3, 2), expected) << c.t << " through " << int32_t{c.stencil};
}

INSTANTIATE_TEST_SUITE_P(
    Weights, DrawTRaiseTest,
    ::testing::Values(RaiseCase{"50", 0, 50}, RaiseCase{"50", 255, 0},
                      RaiseCase{"255", 128, 127}, RaiseCase{"100", 128, 49},  // 49.8
                      RaiseCase{"-100", 0, -100}, RaiseCase{"-1", 128, 0},     // -0.49
                      RaiseCase{"-300", 0, -300}, RaiseCase{"200", 0, 200},
                      RaiseCase{"pow(10, 300)", 254, 1000},
                      RaiseCase{"-pow(10, 400)", 0, -1000},
                      RaiseCase{"pow(10, 400)", 255, 0},  // infinity through white
                      RaiseCase{"pow(-1, 0.5)", 0, 0}));  // NaN

}  // namespace
