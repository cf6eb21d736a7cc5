// The pixel built-ins: wrapped, interpolated reads of the run's planes and
// the image slots, and the colour variables they write.
#include <string>

#include "tests/script/builtin_fixture.h"

namespace {

// The fixture's planes are 6 x 4, so (cx, cy) is (3, 2).
constexpr int32_t kCx = 3;
constexpr int32_t kCy = 2;

struct ChannelCase {
  const char* call;  // a function of (x, y) applied at the offset
  uint8_t (*pattern)(int32_t, int32_t);
};

class ChannelReadTest : public BuiltinTest, public ::testing::WithParamInterface<ChannelCase> {
 protected:
  double Read(const std::string& offsets) {
    return Eval(std::string(GetParam().call) + "(" + offsets + ")");
  }
  double At(int32_t x, int32_t y) { return GetParam().pattern(x, y); }
};

TEST_P(ChannelReadTest, ReadsThePixelAtTheCentreOffset) {
  EXPECT_EQ(Read("0, 0"), At(kCx, kCy));
  EXPECT_EQ(Read("1, -1"), At(kCx + 1, kCy - 1));
  EXPECT_EQ(Read("-3, 1"), At(0, kCy + 1));
}

TEST_P(ChannelReadTest, WrapsAtBothEdges) {
  EXPECT_EQ(Read("-cx - 1, 0"), At(kWidth - 1, kCy));   // left of column 0
  EXPECT_EQ(Read("cx, 0"), At(0, kCy));                 // right of the last column
  EXPECT_EQ(Read("0, -cy - 1"), At(kCx, kHeight - 1));  // above row 0
  EXPECT_EQ(Read("0, cy"), At(kCx, 0));                 // below the last row
  EXPECT_EQ(Read("5 * xs, -7 * ys"), At(kCx, kCy));     // whole turns
}

TEST_P(ChannelReadTest, InterpolatesFractionalOffsetsAndTruncates) {
  auto average = [&](double a, double b) { return static_cast<double>(static_cast<int>((a + b) / 2)); };
  EXPECT_EQ(Read("0.5, 0"), average(At(kCx, kCy), At(kCx + 1, kCy)));
  EXPECT_EQ(Read("0, 0.5"), average(At(kCx, kCy), At(kCx, kCy + 1)));
  // Across the right and bottom edges the neighbour is the first column or row.
  EXPECT_EQ(Read("cx - 0.5, 0"), average(At(kWidth - 1, kCy), At(0, kCy)));
  EXPECT_EQ(Read("0, cy - 0.5"), average(At(kCx, kHeight - 1), At(kCx, 0)));
  // Left of column 0 by a fraction: between the last column and column 0.
  EXPECT_EQ(Read("-cx - 0.5, 0"), average(At(kWidth - 1, kCy), At(0, kCy)));
  double quarter = 0.75 * At(kCx, kCy) + 0.25 * At(kCx + 1, kCy);
  EXPECT_EQ(Read("0.25, 0"), static_cast<double>(static_cast<int>(quarter)));
}

TEST_P(ChannelReadTest, FarAndNonFiniteOffsetsStayInsideTheImage) {
  // Beyond 256 image sizes the shift no longer keeps the position positive.
  EXPECT_EQ(Read("-cx - 1000 * xs - 1, 0"), At(kWidth - 1, kCy));
  EXPECT_EQ(Read("0, -1000 * ys + 1"), At(kCx, kCy + 1));
  // Beyond the int32 range on the right and below.
  EXPECT_EQ(Read("6 * pow(10, 9) + 1, 0"), At(kCx + 1, kCy));
  EXPECT_EQ(Read("0, 4 * pow(10, 9) + 1"), At(kCx, kCy + 1));
  double huge = Read("pow(10, 300), pow(10, 300)");
  EXPECT_GE(huge, 0.0);
  EXPECT_LE(huge, 255.0);
  double infinite = Read("pow(10, 400), -pow(10, 400)");
  EXPECT_GE(infinite, 0.0);
  double notANumber = Read("pow(-1, 0.5), 0");
  EXPECT_GE(notANumber, 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    SourceAndDestination, ChannelReadTest,
    ::testing::Values(ChannelCase{"R", PatternRed}, ChannelCase{"G", PatternGreen},
                      ChannelCase{"B", PatternBlue}, ChannelCase{"T", PatternT},
                      ChannelCase{"_R", DestRed}, ChannelCase{"_G", DestGreen},
                      ChannelCase{"_B", DestBlue}, ChannelCase{"_T", DestT}));

TEST_F(BuiltinTest, GetSetsTheColourVariablesAndYieldsGreen) {
  EXPECT_EQ(Eval("get(1, 1)"), PatternGreen(kCx + 1, kCy + 1));
  EXPECT_EQ(Var("R"), PatternRed(kCx + 1, kCy + 1));
  EXPECT_EQ(Var("G"), PatternGreen(kCx + 1, kCy + 1));
  EXPECT_EQ(Var("B"), PatternBlue(kCx + 1, kCy + 1));
  EXPECT_EQ(Eval("_get(-cx, 0)"), DestGreen(0, kCy));
  EXPECT_EQ(Var("R"), DestRed(0, kCy));
  EXPECT_EQ(Var("B"), DestBlue(0, kCy));
}

TEST_F(BuiltinTest, AddAccumulatesWeightedPixels) {
  RunText("R = 0; G = 0; B = 0; g = add(0, 0, 0.5); add(1, 0, 0.25);");
  EXPECT_EQ(Var("g"), 0.5 * PatternGreen(kCx, kCy));
  EXPECT_DOUBLE_EQ(Var("R"), 0.5 * PatternRed(kCx, kCy) + 0.25 * PatternRed(kCx + 1, kCy));
  EXPECT_DOUBLE_EQ(Var("G"), 0.5 * PatternGreen(kCx, kCy) + 0.25 * PatternGreen(kCx + 1, kCy));
  EXPECT_DOUBLE_EQ(Var("B"), 0.5 * PatternBlue(kCx, kCy) + 0.25 * PatternBlue(kCx + 1, kCy));
  RunText("R = 1; G = 2; B = 3; _add(0, 0, -1);");
  EXPECT_DOUBLE_EQ(Var("R"), 1.0 - DestRed(kCx, kCy));
  EXPECT_DOUBLE_EQ(Var("G"), 2.0 - DestGreen(kCx, kCy));
  EXPECT_DOUBLE_EQ(Var("B"), 3.0 - DestBlue(kCx, kCy));
}

TEST_F(BuiltinTest, GetbReadsAnImageSlot) {
  RgbtImage& slot = FillSlot(3, 2, 2, 3, 0);
  uint8_t* p = Pixel(slot, 1, 0);
  p[0] = 11;
  p[1] = 22;
  p[2] = 33;
  // The slot image is read in the same frame as the planes: offsets from
  // (cx, cy), wrapped by the slot's own size.
  EXPECT_EQ(Eval("getb(3, 1 - cx, -cy)"), 22.0);
  EXPECT_EQ(Var("R"), 33.0);
  EXPECT_EQ(Var("B"), 11.0);
  EXPECT_EQ(Eval("getb(3.9, 3 - cx, 2 - cy)"), 22.0);  // wraps, slot truncated
}

TEST_F(BuiltinTest, GetbOnAOneByteSlotSetsBlueOnly) {
  FillSlot(1, 3, 3, 1, 77);
  RunText("R = 1; G = 2; B = 3;");
  EXPECT_EQ(Eval("getb(1, 0, 0)"), 2.0);
  EXPECT_EQ(Var("R"), 1.0);
  EXPECT_EQ(Var("B"), 77.0);
}

TEST_F(BuiltinTest, GetbOutsideTheSlotsOrOnAnEmptySlotChangesNothing) {
  FillSlot(0, 2, 2, 3, 9);
  for (const char* call : {"getb(8, 0, 0)", "getb(-1, 0, 0)", "getb(5, 0, 0)",
                           "getb(100000, 0, 0)", "getb(-pow(10, 20), 0, 0)"}) {
    RunText("R = 1; G = 2; B = 3;");
    EXPECT_EQ(Eval(call), 0.0) << call;
    EXPECT_EQ(Var("R"), 1.0) << call;
    EXPECT_EQ(Var("G"), 2.0) << call;
    EXPECT_EQ(Var("B"), 3.0) << call;
  }
}

TEST_F(BuiltinTest, SlotSizesAreZeroForEmptyAndUnknownSlots) {
  FillSlot(7, 5, 3, 1, 0);
  EXPECT_EQ(Eval("xs(7)"), 5.0);
  EXPECT_EQ(Eval("ys(7)"), 3.0);
  for (const char* call : {"xs(0)", "ys(0)", "xs(8)", "ys(-1)", "xs(-0.5)"}) {
    EXPECT_EQ(Eval(call), 0.0) << call;
  }
}

TEST_F(BuiltinTest, CleanPaintsFullyTransparentSourcePixels) {
  *Pixel(srcT, 0, 0) = 0;
  *Pixel(srcT, 5, 3) = 0;
  *Pixel(srcT, 2, 1) = 1;
  EXPECT_EQ(Eval("clean(258)"), 1.0);  // low 8 bits: 2
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      bool transparent = (x == 0 && y == 0) || (x == 5 && y == 3);
      const uint8_t* p = Pixel(srcRgb, x, y);
      EXPECT_EQ(p[0], transparent ? 2 : PatternBlue(x, y)) << x << "," << y;
      EXPECT_EQ(p[1], transparent ? 2 : PatternGreen(x, y)) << x << "," << y;
      EXPECT_EQ(p[2], transparent ? 2 : PatternRed(x, y)) << x << "," << y;
    }
  }
  // Later reads of the source in the same run see the cleaned pixel.
  EXPECT_EQ(Eval("R(-cx, -cy)"), 2.0);
}

TEST_F(BuiltinTest, CleanWalksOnlyPixelsBothPlanesHave) {
  ASSERT_GT(srcT.Create(3, 2, 1), 0);
  srcT.Fill(0, -1);
  EXPECT_EQ(Eval("clean(0)"), 1.0);
  EXPECT_EQ(Pixel(srcRgb, 2, 1)[0], 0);
  EXPECT_EQ(Pixel(srcRgb, 3, 1)[0], PatternBlue(3, 1));
  EXPECT_EQ(Pixel(srcRgb, 0, 2)[1], PatternGreen(0, 2));
}

}  // namespace
