// Pixel and image built-ins evaluated where no run is bound (a parameter
// text in the main dialog) or where the bound planes are empty: they yield
// 0.0 and touch no memory, which AddressSanitizer checks.
#include <string>

#include "tests/script/builtin_fixture.h"

namespace {

// Every built-in that needs the planes or the bound variables of a run.
const char* const kRunCalls[] = {
    "R(0, 0)",        "G(1, 1)",        "B(-1, 0)",        "T(0, 2)",     "_R(0, 0)",
    "_G(0, 0)",       "_B(0, 0)",       "_T(0, 0)",        "get(0, 0)",   "_get(0, 0)",
    "add(0, 0, 1)",   "_add(0, 0, 1)",  "getb(0, 0, 0)",   "clean(0)",    "Conv(0, 0, 0)",
    "_Conv(0, 0, 0)", "_Fill(1, 2, 3)", "_FillT(9)",       "_Copy(-1)",   "_Copy(1)",
    "_Copy(0)",       "_Draw(0, 0, 0)", "_DrawT(0, 0, 0)", "_Pset(0, 0)", "_Tset(0, 0)",
};

class UnboundCallTest : public ::testing::TestWithParam<const char*> {
 protected:
  ScriptEngine engine;

  void SetUp() override {
    // A loaded slot, so that only the missing run can stop getb and _Draw.
    ASSERT_GT(engine.imageSlot[0].Create(2, 2, 3), 0);
    engine.imageSlot[0].Fill(0, -1);
  }

  double Evaluate() {
    std::string text = std::string("v = ") + GetParam() + ";";
    EXPECT_GT(engine.Compile(text.c_str(), ProgramSlot::kScratch).length, 0) << text;
    engine.Run(ProgramSlot::kScratch);
    double v = -1.0;
    engine.LookupNumber("v", &v);
    return v;
  }
};

TEST_P(UnboundCallTest, YieldsZeroBeforeAnyBinding) {
  RgbtImage sizing(10, 10, 3);
  engine.InstallBuiltinVariables(sizing);
  EXPECT_EQ(Evaluate(), 0.0) << GetParam();
}

TEST_P(UnboundCallTest, YieldsZeroOnEmptyPlanes) {
  RgbtImage sizing(10, 10, 3);
  engine.InstallBuiltinVariables(sizing);
  RgbtImage rgb(4, 4, 3);
  RgbtImage emptyT;
  RgbtImage emptyRgb;
  RgbtImage t(4, 4, 1);
  engine.BindRun(&rgb, &emptyT, &emptyRgb, &t);
  EXPECT_EQ(Evaluate(), 0.0) << GetParam();
  engine.BindRun(nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(Evaluate(), 0.0) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(PixelAndImageBuiltins, UnboundCallTest, ::testing::ValuesIn(kRunCalls));

// The engine's own state needs no run: matrices can be defined and slot
// sizes read by an Init text before its planes exist.
TEST(BuiltinUnboundTest, MatricesAndSlotSizesNeedNoRun) {
  ScriptEngine engine;
  ASSERT_GT(engine.imageSlot[1].Create(3, 5, 1), 0);
  ASSERT_GT(engine
                .Compile("a = SetMatrix3(1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0.5); b = xs(1);"
                         " c = ys(1);",
                         ProgramSlot::kScratch)
                .length,
            0);
  engine.Run(ProgramSlot::kScratch);
  double a = 0.0, b = 0.0, c = 0.0;
  engine.LookupNumber("a", &a);
  engine.LookupNumber("b", &b);
  engine.LookupNumber("c", &c);
  EXPECT_EQ(a, 1.0);
  EXPECT_EQ(b, 3.0);
  EXPECT_EQ(c, 5.0);
  EXPECT_EQ(engine.matrixSize[1], 3);
  EXPECT_EQ(engine.matrixSlot[1][8], 9.0);
}

}  // namespace
