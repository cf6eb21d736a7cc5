// Convolution matrices: SetMatrix3, SetMatrix5, Conv and _Conv.
#include <string>

#include "tests/script/builtin_fixture.h"

namespace {

// A 3x3 matrix call with a single coefficient of 1 at `element` and the
// given factor.
std::string UnitMatrix3(int32_t slot, int32_t element, double factor) {
  std::string call = "SetMatrix3(" + std::to_string(slot);
  for (int32_t k = 0; k < 9; ++k) call += k == element ? ", 1" : ", 0";
  return call + ", " + std::to_string(factor) + ");";
}

std::string UnitMatrix5(int32_t slot, int32_t element, double factor) {
  std::string call = "SetMatrix5(" + std::to_string(slot);
  for (int32_t k = 0; k < 25; ++k) call += k == element ? ", 1" : ", 0";
  return call + ", " + std::to_string(factor) + ");";
}

// Moves the frame so that Conv(n, x, y) names the absolute pixel (x, y).
constexpr const char* kAbsoluteFrame = "cx = 0; cy = 0; ";

class ConvTest : public BuiltinTest {
 protected:
  // Expects R, G, B, T to hold the source pixel (x, y) times `scale`.
  void ExpectSource(int32_t x, int32_t y, double scale) {
    EXPECT_DOUBLE_EQ(Var("R"), scale * PatternRed(x, y)) << x << "," << y;
    EXPECT_DOUBLE_EQ(Var("G"), scale * PatternGreen(x, y)) << x << "," << y;
    EXPECT_DOUBLE_EQ(Var("B"), scale * PatternBlue(x, y)) << x << "," << y;
    EXPECT_DOUBLE_EQ(Var("T"), scale * PatternT(x, y)) << x << "," << y;
  }
};

// Each coefficient weighs the pixel at its place in the window, rows top to
// bottom, columns left to right; the factor multiplies.
TEST_F(ConvTest, CoefficientsRunRowMajorOverTheWindow) {
  for (int32_t element = 0; element < 9; ++element) {
    RunText(UnitMatrix3(1, element, 0.5) + kAbsoluteFrame + "g = Conv(1, 2, 1);");
    ExpectSource(2 - 1 + element % 3, 1 - 1 + element / 3, 0.5);
    EXPECT_DOUBLE_EQ(Var("g"), Var("G"));
  }
}

TEST_F(ConvTest, FiveByFiveCoefficientsRunRowMajorOverTheWindow) {
  ASSERT_NO_FATAL_FAILURE(MakePlanes(7, 6));
  for (int32_t element : {0, 4, 7, 12, 20, 24}) {
    RunText(UnitMatrix5(6, element, 2) + kAbsoluteFrame + "Conv(6, 3, 2);");
    ExpectSource(3 - 2 + element % 5, 2 - 2 + element / 5, 2.0);
  }
}

TEST_F(ConvTest, SumsAreNeitherRoundedNorClamped) {
  RunText("SetMatrix3(0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0.1);" + std::string(kAbsoluteFrame) +
          "Conv(0, 1, 1);");
  double sum = 0.0;
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) sum += PatternRed(x, y);
  EXPECT_DOUBLE_EQ(Var("R"), sum * 0.1);
  RunText("SetMatrix3(0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 1);" + std::string(kAbsoluteFrame) +
          "Conv(0, 1, 1);");
  EXPECT_DOUBLE_EQ(Var("G"), 3.0 * PatternGreen(1, 1));  // above 255
}

TEST_F(ConvTest, CentreCoefficientReproducesTheCentrePixel) {
  RunText("SetMatrix3(0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1); Conv(0, 0, 0);");
  ExpectSource(3, 2, 1.0);
}

TEST_F(ConvTest, ZeroFactorClearsTheColourInside) {
  RunText("SetMatrix3(2, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0); Conv(2, 0, 0);");
  ExpectSource(3, 2, 0.0);
}

struct EdgeCase {
  int32_t x;
  int32_t y;
  bool fits3;
  bool fits5;
};

class ConvEdgeTest : public ConvTest, public ::testing::WithParamInterface<EdgeCase> {};

// With a factor of 0 a fitting window gives 0, a window that does not fit
// gives the pixel itself (its address clamped into the image).
TEST_P(ConvEdgeTest, WindowIsUsedOnlyWhereItFits) {
  ASSERT_NO_FATAL_FAILURE(MakePlanes(7, 6));
  const EdgeCase& c = GetParam();
  std::string at = std::to_string(c.x) + ", " + std::to_string(c.y) + ");";
  int32_t px = c.x < 0 ? 0 : (c.x > 6 ? 6 : c.x);
  int32_t py = c.y < 0 ? 0 : (c.y > 5 ? 5 : c.y);
  RunText(UnitMatrix3(0, 4, 0) + kAbsoluteFrame + "Conv(0, " + at);
  ExpectSource(px, py, c.fits3 ? 0.0 : 1.0);
  RunText(UnitMatrix5(0, 12, 0) + kAbsoluteFrame + "Conv(0, " + at);
  ExpectSource(px, py, c.fits5 ? 0.0 : 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    SevenBySix, ConvEdgeTest,
    ::testing::Values(EdgeCase{0, 2, false, false}, EdgeCase{1, 2, true, false},
                      EdgeCase{2, 2, true, true}, EdgeCase{4, 3, true, true},
                      EdgeCase{5, 3, true, false}, EdgeCase{6, 3, false, false},
                      EdgeCase{3, 0, false, false}, EdgeCase{3, 1, true, false},
                      EdgeCase{3, 4, true, false}, EdgeCase{3, 5, false, false},
                      EdgeCase{-4, 2, false, false}, EdgeCase{9, 9, false, false},
                      EdgeCase{-2000000000, 2000000000, false, false}));

TEST_F(ConvTest, MatrixNumberOutsideTheSlotsYieldsZeroAndChangesNothing) {
  RunText("R = 1; G = 2; B = 3; T = 4; a = Conv(8, 0, 0); b = _Conv(-1, 0, 0);");
  EXPECT_EQ(Var("a"), 0.0);
  EXPECT_EQ(Var("b"), 0.0);
  EXPECT_EQ(Var("R"), 1.0);
  EXPECT_EQ(Var("T"), 4.0);
}

TEST_F(ConvTest, SetMatrixOutsideTheSlotsSelectsMatrixZero) {
  RunText(UnitMatrix5(9, 12, 1) + UnitMatrix3(-3, 4, 0.5));
  EXPECT_EQ(engine.matrixSize[0], 3);
  EXPECT_EQ(engine.matrixSlot[0][4], 1.0);
  EXPECT_EQ(engine.matrixSlot[0][9], 0.5);
  RunText(UnitMatrix5(9, 12, 1));
  EXPECT_EQ(engine.matrixSize[0], 5);
  EXPECT_EQ(engine.matrixSlot[0][12], 1.0);
  EXPECT_EQ(engine.matrixSlot[0][25], 1.0);
}

TEST_F(ConvTest, SetMatrixYieldsItsFirstArgumentAndTheProgramGoesOn) {
  RunText("n = 0; a = SetMatrix3(2.7, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1); n = n + 1;"
          " b = SetMatrix5(-4.5, 0,0,0,0,0, 0,0,0,0,0, 0,0,1,0,0, 0,0,0,0,0, 0,0,0,0,0, 1);"
          " n = n + 1;");
  EXPECT_EQ(Var("a"), 2.7);
  EXPECT_EQ(Var("b"), -4.5);
  EXPECT_EQ(Var("n"), 2.0);
  EXPECT_EQ(engine.matrixSize[2], 3);
}

// A matrix never set convolves to zero inside the image, even when a Reset
// left cells of an earlier 5x5 matrix behind.
TEST_F(ConvTest, MatrixNeverSetGivesZeroInside) {
  ASSERT_NO_FATAL_FAILURE(MakePlanes(7, 6));
  RunText("SetMatrix5(4, 1,1,1,1,1, 1,1,1,1,1, 1,1,1,1,1, 1,1,1,1,1, 1,1,1,1,1, 1);");
  engine.Reset();
  ASSERT_NO_FATAL_FAILURE(Bind());
  RunText("Conv(4, 0, 0);");  // (3.5, 3) truncated: the window fits
  ExpectSource(3, 3, 0.0);
  RunText("Conv(5, -cx, 0);");  // at the edge: the pixel itself
  ExpectSource(0, 3, 1.0);
}

// _Conv filters the destination planes, T included.
TEST_F(ConvTest, DestinationConvolutionReadsTheDestinationPlanes) {
  RunText(UnitMatrix3(0, 5, 1) + kAbsoluteFrame + "g = _Conv(0, 2, 1);");
  EXPECT_EQ(Var("R"), DestRed(3, 1));
  EXPECT_EQ(Var("G"), DestGreen(3, 1));
  EXPECT_EQ(Var("B"), DestBlue(3, 1));
  EXPECT_EQ(Var("T"), DestT(3, 1));
  EXPECT_EQ(Var("g"), DestGreen(3, 1));
  RunText(std::string(kAbsoluteFrame) + "_Conv(0, 0, 3);");  // edge: the pixel itself
  EXPECT_EQ(Var("B"), DestBlue(0, 3));
  EXPECT_EQ(Var("T"), DestT(0, 3));
}

}  // namespace

namespace {

// A kernel applied with Conv equals the same kernel built from add() calls
// with the colour cleared first, the documented way to weigh neighbours by
// hand; both walk every interior pixel of the source.
TEST_F(ConvTest, ConvMatchesTheSameKernelBuiltWithAdd) {
  RunText("SetMatrix3(3, 1, 2, 1, 0, 0, 0, -1, -2, -1, 0.25);");
  for (int32_t y = 1; y < kHeight - 1; ++y) {
    for (int32_t x = 1; x < kWidth - 1; ++x) {
      std::string at = std::to_string(x) + ", " + std::to_string(y);
      RunText(std::string(kAbsoluteFrame) + "Conv(3, " + at + "); r = R; g = G; b = B;");
      RunText(std::string(kAbsoluteFrame) + "x0 = " + std::to_string(x) +
              "; y0 = " + std::to_string(y) +
              "; R = 0; G = 0; B = 0;"
              " add(x0 - 1, y0 - 1, 0.25); add(x0, y0 - 1, 0.5); add(x0 + 1, y0 - 1, 0.25);"
              " add(x0 - 1, y0 + 1, -0.25); add(x0, y0 + 1, -0.5); add(x0 + 1, y0 + 1, -0.25);");
      EXPECT_NEAR(Var("R"), Var("r"), 1e-9) << at;
      EXPECT_NEAR(Var("G"), Var("g"), 1e-9) << at;
      EXPECT_NEAR(Var("B"), Var("b"), 1e-9) << at;
    }
  }
}

}  // namespace
