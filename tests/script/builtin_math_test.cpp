// The numeric built-ins, run as tiny scripts.
#include <cmath>
#include <cstdlib>

#include "tests/script/builtin_fixture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct NumericCase {
  const char* expression;
  double expected;
};

class NumericBuiltinTest : public BuiltinTest, public ::testing::WithParamInterface<NumericCase> {};

TEST_P(NumericBuiltinTest, GivesExpectedValue) {
  EXPECT_NEAR(Eval(GetParam().expression), GetParam().expected, 1e-12) << GetParam().expression;
}

INSTANTIATE_TEST_SUITE_P(
    DomainRules, NumericBuiltinTest,
    ::testing::Values(NumericCase{"log(0)", 0.0}, NumericCase{"log(-3)", 0.0},
                      NumericCase{"log(1)", 0.0}, NumericCase{"log(exp(2))", 2.0},
                      NumericCase{"sqrt(-9)", 3.0}, NumericCase{"sqrt(16)", 4.0},
                      NumericCase{"acos(2)", 0.0}, NumericCase{"acos(-1.0001)", 0.0},
                      NumericCase{"acos(-1)", kPi}, NumericCase{"asin(1)", kPi / 2},
                      NumericCase{"asin(1.5)", 0.0}, NumericCase{"asin(-2)", 0.0},
                      NumericCase{"pow(2, 10)", 1024.0}, NumericCase{"abs(-4.5)", 4.5},
                      NumericCase{"exp(0)", 1.0}, NumericCase{"sin(0)", 0.0},
                      NumericCase{"cos(0)", 1.0}, NumericCase{"tan(0)", 0.0}));

INSTANTIATE_TEST_SUITE_P(IntRoundsDownWithTolerance, NumericBuiltinTest,
                         ::testing::Values(NumericCase{"int(2.7)", 2.0}, NumericCase{"int(0)", 0.0},
                                           NumericCase{"int(-2.7)", -3.0},
                                           NumericCase{"int(-0.5)", -1.0},
                                           NumericCase{"int(-1.0)", -1.0},
                                           NumericCase{"int(-2.000001)", -2.0},
                                           NumericCase{"int(-2.0001)", -3.0},
                                           NumericCase{"int(2147483646.5)", 2147483646.0},
                                           NumericCase{"int(-2147483647.5)", -2147483648.0},
                                           // An int32 result: beyond that range it saturates.
                                           NumericCase{"int(3000000000.5)", 2147483647.0},
                                           NumericCase{"int(-3000000000.5)", -2147483648.0},
                                           NumericCase{"int(0 * 1e999)", 0.0}));

INSTANTIATE_TEST_SUITE_P(
    ComparisonsAndSigns, NumericBuiltinTest,
    ::testing::Values(NumericCase{"min(2, 5)", 2.0}, NumericCase{"min(5, 2)", 2.0},
                      NumericCase{"max(2, 5)", 5.0}, NumericCase{"max(5, 2)", 5.0},
                      NumericCase{"sgn(0)", 0.0}, NumericCase{"sgn(-0.001)", -1.0},
                      NumericCase{"sgn(7)", 1.0}, NumericCase{"atan2(1, 0)", kPi / 2},
                      NumericCase{"atan2(0, -1)", kPi}, NumericCase{"atan2(-1, 0)", -kPi / 2}));

INSTANTIATE_TEST_SUITE_P(RandomNumbers, NumericBuiltinTest,
                         ::testing::Values(NumericCase{"rand(5, 5)", 5.0},
                                           NumericCase{"srand(1) + 7", 7.0},
                                           NumericCase{"srand(12345)", 0.0}));

// min and max keep the first argument on a tie; a signed zero shows which
// argument came back.
TEST_F(BuiltinTest, MinAndMaxKeepTheFirstArgumentOnTies) {
  EXPECT_TRUE(std::signbit(Eval("min(-0, 0)")));
  EXPECT_FALSE(std::signbit(Eval("min(0, -0)")));
  EXPECT_TRUE(std::signbit(Eval("max(-0, 0)")));
  EXPECT_FALSE(std::signbit(Eval("max(0, -0)")));
}

TEST_F(BuiltinTest, RandStaysInItsRangeInStepsOfOneTenThousandth) {
  RunText("srand(99);");
  for (int32_t draw = 0; draw < 300; ++draw) {
    double value = Eval("rand(0, 1)");
    ASSERT_GE(value, 0.0001 - 1e-12);
    ASSERT_LE(value, 1.0);
    double steps = value * 10000.0;
    ASSERT_NEAR(steps, std::round(steps), 1e-6);
  }
  for (int32_t draw = 0; draw < 100; ++draw) {
    double value = Eval("rand(-3, 5)");
    ASSERT_GT(value, -3.0);
    ASSERT_LE(value, 5.0);
  }
}

TEST_F(BuiltinTest, RandCountsDownFromMaxByTheLibraryGenerator) {
  RunText("srand(3);");
  double first = Eval("rand(10, 20)");
  double second = Eval("rand(10, 20)");
  std::srand(3);
  int k1 = std::rand() % 10000;
  int k2 = std::rand() % 10000;
  EXPECT_DOUBLE_EQ(first, 20.0 - k1 * 10.0 * 0.0001);
  EXPECT_DOUBLE_EQ(second, 20.0 - k2 * 10.0 * 0.0001);
}

TEST_F(BuiltinTest, SrandRepeatsTheSequence) {
  RunText(
      "srand(42); a = rand(0, 100); b = rand(0, 100); srand(42); c = rand(0, 100);"
      " d = rand(0, 100);");
  EXPECT_EQ(Var("a"), Var("c"));
  EXPECT_EQ(Var("b"), Var("d"));
  RunText("srand(43); e = rand(0, 100); f = rand(0, 100);");
  EXPECT_FALSE(Var("e") == Var("a") && Var("f") == Var("b"));
}

// Parameter texts are evaluated before any run is bound; the numeric
// functions need nothing from a run.
TEST(BuiltinUnboundTest, NumericFunctionsWorkBeforeBinding) {
  ScriptEngine engine;
  ASSERT_GT(engine.Compile("v = sqrt(-16) + max(1, 2) + int(-0.5);", ProgramSlot::kScratch).length,
            0);
  engine.Run(ProgramSlot::kScratch);
  double v = 0.0;
  ASSERT_EQ(engine.LookupNumber("v", &v), 1);
  EXPECT_DOUBLE_EQ(v, 5.0);
}

}  // namespace
