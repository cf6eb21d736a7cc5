// HLS and RGB: scaling to 0..255, argument order and the variables set.
#include "tests/script/builtin_fixture.h"

namespace {

struct HlsCase {
  const char* call;
  double h;
  double l;
  double s;
};

class HlsBuiltinTest : public BuiltinTest, public ::testing::WithParamInterface<HlsCase> {};

TEST_P(HlsBuiltinTest, SetsHueLightnessSaturationAndYieldsHue) {
  const HlsCase& c = GetParam();
  EXPECT_NEAR(Eval(c.call), c.h, 1e-9) << c.call;
  EXPECT_NEAR(Var("H"), c.h, 1e-9) << c.call;
  EXPECT_NEAR(Var("L"), c.l, 1e-9) << c.call;
  EXPECT_NEAR(Var("S"), c.s, 1e-9) << c.call;
}

INSTANTIATE_TEST_SUITE_P(
    RedGreyBlack, HlsBuiltinTest,
    ::testing::Values(HlsCase{"HLS(255, 0, 0)", 255.0, 127.5, 255.0},    // red at the top
                      HlsCase{"HLS(300, -20, 0)", 255.0, 127.5, 255.0},  // clamped
                      HlsCase{"HLS(0, 255, 0)", 85.0, 127.5, 255.0},
                      HlsCase{"HLS(0, 0, 255)", 170.0, 127.5, 255.0},
                      HlsCase{"HLS(128, 128, 128)", 0.0, 128.0, 0.0},
                      HlsCase{"HLS(0, 0, 0)", 0.0, 0.0, 0.0}));

struct RgbCase {
  const char* call;
  double r;
  double g;
  double b;
};

class RgbBuiltinTest : public BuiltinTest, public ::testing::WithParamInterface<RgbCase> {};

TEST_P(RgbBuiltinTest, SetsRedGreenBlueAndYieldsGreen) {
  const RgbCase& c = GetParam();
  EXPECT_NEAR(Eval(c.call), c.g, 1e-9) << c.call;
  EXPECT_NEAR(Var("R"), c.r, 1e-9) << c.call;
  EXPECT_NEAR(Var("G"), c.g, 1e-9) << c.call;
  EXPECT_NEAR(Var("B"), c.b, 1e-9) << c.call;
}

INSTANTIATE_TEST_SUITE_P(
    HueEndsGreyAndBlack, RgbBuiltinTest,
    ::testing::Values(RgbCase{"RGB(0, 127.5, 255)", 255.0, 0.0, 0.0},
                      RgbCase{"RGB(255, 127.5, 255)", 255.0, 0.0, 0.0},  // hue exactly 1
                      RgbCase{"RGB(85, 127.5, 255)", 0.0, 255.0, 0.0},
                      RgbCase{"RGB(40, 100, 0)", 100.0, 100.0, 100.0},  // no saturation
                      RgbCase{"RGB(200, 0, 255)", 0.0, 0.0, 0.0},       // no lightness
                      // Lightness is the second argument: a quarter-light red.
                      RgbCase{"RGB(0, 63.75, 255)", 127.5, 0.0, 0.0}));

TEST_F(BuiltinTest, RgbInvertsHls) {
  RunText("HLS(200, 100, 50); RGB(H, L, S);");
  EXPECT_NEAR(Var("R"), 200.0, 1e-9);
  EXPECT_NEAR(Var("G"), 100.0, 1e-9);
  EXPECT_NEAR(Var("B"), 50.0, 1e-9);
}

TEST_F(BuiltinTest, ColourConversionsLeaveTransparencyAlone) {
  RunText("T = 12; HLS(1, 2, 3); RGB(4, 5, 6);");
  EXPECT_EQ(Var("T"), 12.0);
}

// Before a run is bound there are no variables to set, but the value is
// still the converted one.
TEST(BuiltinUnboundTest, ColourConversionsYieldTheirValueBeforeBinding) {
  ScriptEngine engine;
  ASSERT_GT(
      engine.Compile("h = HLS(0, 255, 0); g = RGB(0, 127.5, 255);", ProgramSlot::kScratch).length,
      0);
  engine.Run(ProgramSlot::kScratch);
  double h = 0.0;
  double g = -1.0;
  engine.LookupNumber("h", &h);
  engine.LookupNumber("g", &g);
  EXPECT_NEAR(h, 85.0, 1e-9);
  EXPECT_NEAR(g, 0.0, 1e-9);
}

}  // namespace
