// Whole-plane built-ins (_Fill, _FillT, _Copy) and pixel writes (_Pset,
// _Tset) on the destination planes.
#include <string>
#include <utility>
#include <vector>

#include "tests/script/builtin_fixture.h"

namespace {

// Every byte of an image, for whole-plane comparisons.
std::vector<uint8_t> Bytes(const RgbtImage& image) {
  return std::vector<uint8_t>(image.data, image.data + image.rowLength * image.height);
}

TEST_F(BuiltinTest, FillBlendsWithTheOpacityOfT) {
  RunText("T = 255; _Fill(255, 0, 0);");
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) {
      EXPECT_EQ(Pixel(dstRgb, x, y)[0], 0);
      EXPECT_EQ(Pixel(dstRgb, x, y)[1], 0);
      EXPECT_EQ(Pixel(dstRgb, x, y)[2], 255);
    }
  PaintPattern(dstRgb, dstT, true);
  std::vector<uint8_t> before = Bytes(dstRgb);
  RunText("T = 0; _Fill(255, 255, 255); T = -40; _Fill(9, 9, 9);");
  EXPECT_EQ(Bytes(dstRgb), before);
  RunText("T = 128.9; _Fill(300, 10.7, -5);");  // clamped and truncated: 255, 10, 0
  double a = 128 * 0.00392156862745098;
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) {
      const uint8_t* p = Pixel(dstRgb, x, y);
      EXPECT_EQ(p[0], static_cast<uint8_t>(DestBlue(x, y) * (1 - a) + 0 * a));
      EXPECT_EQ(p[1], static_cast<uint8_t>(DestGreen(x, y) * (1 - a) + 10 * a));
      EXPECT_EQ(p[2], static_cast<uint8_t>(DestRed(x, y) * (1 - a) + 255 * a));
    }
  EXPECT_EQ(Bytes(dstT)[0], DestT(0, 0));  // T plane untouched
}

TEST_F(BuiltinTest, FillTSetsTheLowEightBits) {
  for (const auto& [call, expected] : {std::pair<const char*, uint8_t>{"_FillT(300)", 44},
                                       {"_FillT(-1)", 255},
                                       {"_FillT(17.9)", 17}}) {
    EXPECT_EQ(Eval(call), 0.0);
    for (uint8_t byte : Bytes(dstT)) ASSERT_EQ(byte, expected) << call;
  }
  EXPECT_EQ(Pixel(dstRgb, 0, 0)[0], DestBlue(0, 0));
}

struct CopyCase {
  const char* mode;
  uint8_t source;
  uint8_t destination;
  uint8_t expected;
};

void PrintTo(const CopyCase& c, std::ostream* out) {
  *out << "_Copy(" << c.mode << ") of " << int{c.source} << " over " << int{c.destination};
}

class CopyTest : public BuiltinTest, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(CopyTest, CombinesBothPlanesByteByByte) {
  const CopyCase& c = GetParam();
  srcRgb.Fill(c.source, -1);
  srcT.Fill(c.source, -1);
  dstRgb.Fill(c.destination, -1);
  dstT.Fill(c.destination, -1);
  EXPECT_EQ(Eval(std::string("_Copy(") + c.mode + ")"), 0.0);
  for (uint8_t byte : Bytes(dstRgb)) ASSERT_EQ(byte, c.expected) << c.mode;
  for (uint8_t byte : Bytes(dstT)) ASSERT_EQ(byte, c.expected) << c.mode;
  for (uint8_t byte : Bytes(srcRgb)) ASSERT_EQ(byte, c.source) << c.mode;
  EXPECT_EQ(dstRgb.absoluteFlag, 0);
  EXPECT_EQ(dstRgb.multiplier, 0);
  EXPECT_EQ(dstRgb.divisor, 0);
  EXPECT_EQ(dstT.absoluteFlag, 0);
  EXPECT_EQ(dstT.divisor, 0);
}

INSTANTIATE_TEST_SUITE_P(
    AllModes, CopyTest,
    ::testing::Values(
        CopyCase{"0", 200, 100, 200}, CopyCase{"1", 200, 100, 255}, CopyCase{"1", 20, 100, 120},
        CopyCase{"2", 200, 100, 0}, CopyCase{"2", 30, 100, 70}, CopyCase{"3", 200, 100, 100},
        CopyCase{"3", 30, 100, 0}, CopyCase{"4", 200, 100, 78}, CopyCase{"4", 255, 100, 100},
        CopyCase{"4", 0, 100, 0}, CopyCase{"5", 200, 100, 100}, CopyCase{"5", 100, 200, 100},
        CopyCase{"5", 77, 77, 0}, CopyCase{"6", 200, 100, 200}, CopyCase{"-2", 200, 100, 200},
        CopyCase{"5.9", 30, 100, 70}, CopyCase{"1.5", 20, 100, 120}),
    // Named by their values: the default name prints the struct's padding.
    [](const ::testing::TestParamInfo<CopyCase>& info) {
      std::string mode = info.param.mode;
      for (char& c : mode) c = (c == '-') ? 'm' : (c == '.') ? 'p' : c;
      return "mode" + mode + "_" + std::to_string(info.param.source) + "_over_" +
             std::to_string(info.param.destination);
    });

// A mode 5 after a mode 4 must not inherit its scale, nor a later mode its
// absolute flag.
TEST_F(BuiltinTest, CopyOptionsDoNotCarryOver) {
  srcRgb.Fill(30, -1);
  dstRgb.Fill(100, -1);
  RunText("_Copy(5); _Copy(3);");  // |100 - 30| = 70, then 30 - 70 clamps to 0
  for (uint8_t byte : Bytes(dstRgb)) ASSERT_EQ(byte, 0);
}

TEST_F(BuiltinTest, CopyExchangeSwapsSourceAndDestination) {
  RunText("_Copy(-1);");
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) {
      EXPECT_EQ(Pixel(dstRgb, x, y)[0], PatternBlue(x, y));
      EXPECT_EQ(Pixel(srcRgb, x, y)[2], DestRed(x, y));
      EXPECT_EQ(*Pixel(dstT, x, y), PatternT(x, y));
      EXPECT_EQ(*Pixel(srcT, x, y), DestT(x, y));
    }
  // Later reads of the source in the same run see the exchanged plane.
  EXPECT_EQ(Eval("B(0, 0)"), DestBlue(3, 2));
}

TEST_F(BuiltinTest, CopyExchangeLeavesMismatchedPairsAsTheyWere) {
  ASSERT_GT(dstRgb.Create(5, 4, 3), 0);
  dstRgb.Fill(9, -1);
  std::vector<uint8_t> source = Bytes(srcRgb);
  RunText("_Copy(-1);");
  EXPECT_EQ(Bytes(srcRgb), source);
  for (uint8_t byte : Bytes(dstRgb)) ASSERT_EQ(byte, 9);
  // The T planes still match and are exchanged.
  EXPECT_EQ(*Pixel(dstT, 1, 1), PatternT(1, 1));
  EXPECT_EQ(*Pixel(srcT, 1, 1), DestT(1, 1));
}

// Planes of different sizes combine only where both have pixels.
TEST_F(BuiltinTest, CopyBetweenPlanesOfDifferentSizesStaysInside) {
  for (const char* mode : {"0", "1", "4", "5", "-1"}) {
    ASSERT_GT(dstRgb.Create(3, 7, 3), 0);
    ASSERT_GT(dstT.Create(8, 2, 1), 0);
    dstRgb.Fill(1, -1);
    dstT.Fill(1, -1);
    RunText(std::string("_Copy(") + mode + ");");
    if (std::string(mode) == "1") {
      EXPECT_EQ(Pixel(dstRgb, 2, 3)[0], 1 + PatternBlue(2, 3));
      EXPECT_EQ(Pixel(dstRgb, 2, 4)[0], 1);  // below the source
      EXPECT_EQ(*Pixel(dstT, 5, 1), 1 + PatternT(5, 1));
      EXPECT_EQ(*Pixel(dstT, 7, 1), 1);  // right of the source
    }
  }
}

TEST_F(BuiltinTest, PsetWritesOneClampedPixelWithWrap) {
  RunText("R = 300; G = -5; B = 12.7; _Pset(-cx - 1, 0);");
  const uint8_t* p = Pixel(dstRgb, kWidth - 1, 2);
  EXPECT_EQ(p[0], 12);
  EXPECT_EQ(p[1], 0);
  EXPECT_EQ(p[2], 255);
  EXPECT_EQ(Pixel(dstRgb, kWidth - 2, 2)[0], DestBlue(kWidth - 2, 2));
  RunText("R = 1; G = 2; B = 3; _Pset(cx + 0.5, cy - 0.25);");  // (0.5, 3.75): pixel (0, 3)
  EXPECT_EQ(Pixel(dstRgb, 0, 3)[2], 1);
  RunText("R = 4; _Pset(-1000 * xs - 2, 0);");  // far left still wraps
  EXPECT_EQ(Pixel(dstRgb, 1, 2)[2], 4);
  RunText("R = 5; _Pset(pow(10, 400), pow(-1, 0.5));");
  EXPECT_EQ(*Pixel(dstT, 0, 0), DestT(0, 0));
}

TEST_F(BuiltinTest, TsetWritesTheLowEightBitsOfT) {
  for (const auto& [t, expected] : {std::pair<const char*, uint8_t>{"256", 0},
                                    {"-1", 255},
                                    {"511.9", 255},
                                    {"77", 77},
                                    {"-256", 0}}) {
    RunText(std::string("T = ") + t + "; _Tset(1, 1);");
    EXPECT_EQ(*Pixel(dstT, 4, 3), expected) << t;
  }
  EXPECT_EQ(*Pixel(dstT, 3, 3), DestT(3, 3));
  EXPECT_EQ(*Pixel(srcT, 4, 3), PatternT(4, 3));
}

// A destination of another size than the source wraps by its own size.
TEST_F(BuiltinTest, PixelWritesWrapByTheDestinationSize) {
  ASSERT_GT(dstRgb.Create(2, 2, 3), 0);
  ASSERT_GT(dstT.Create(1, 1, 1), 0);
  dstRgb.Fill(0, -1);
  RunText("R = 9; T = 8; _Pset(0, 0); _Tset(5, 7);");
  EXPECT_EQ(Pixel(dstRgb, 1, 0)[2], 9);  // (3, 2) wraps to (1, 0)
  EXPECT_EQ(*Pixel(dstT, 0, 0), 8);
}

}  // namespace
