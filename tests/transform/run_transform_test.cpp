#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "tests/transform/run_fixture.h"

namespace {

using Orchestration = RunFixture;

void Declare(ParamSlot* slot, const char* message, const char* name, const char* value) {
  std::snprintf(slot->message, sizeof slot->message, "%s", message);
  std::snprintf(slot->name, sizeof slot->name, "%s", name);
  std::snprintf(slot->value, sizeof slot->value, "%s", value);
}

// Each pass moves the image one column left and records "loop" once (at the
// top-left pixel) as a decimal digit of s.
constexpr char kShiftingTransform[] =
    "coord=2;\r\nx=x+1;\r\nif (x==1-cx && y==-cy) s=s*10+loop;\r\n";

// False where this build has no code generator: the interpreter runs all.
bool MakesMachineCode() {
  ScriptEngine engine;
  engine.Compile("x = 1;", ProgramSlot::kTransform);
  engine.engineWanted = EngineKind::kCompiled;
  return engine.ChooseEngine().kind == EngineKind::kCompiled;
}

// Only the budget can stop this loop in time: it exits by itself only after
// far more turns than the budget allows between two checks, so a turn that
// does not count shows as a finished run. Both engines stop it at the check.
TEST_F(Orchestration, EveryTurnOfALoopCountsAgainstTheBudget) {
  for (EngineKind kind : {EngineKind::kInterpreter, EngineKind::kCompiled}) {
    MakeImages(1, 1);
    Load("", "i=0; while (1) { i=i+1; if (i==100*4096) exit(1); }");
    engine.engineWanted = kind;
    if (kind == EngineKind::kCompiled && MakesMachineCode()) {
      const EngineChoice choice = engine.ChooseEngine();
      EXPECT_EQ(choice.kind, EngineKind::kCompiled) << choice.reason;
    }
    int checks = 0;
    budget = {[](void* count) { return ++*static_cast<int*>(count) < 3; }, &checks};
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(outcome.status, TransformOutcome::Status::kInterrupted) << static_cast<int>(kind);
    EXPECT_EQ(checks, 3) << static_cast<int>(kind);
  }
}

TEST_F(Orchestration, LoopPassesFeedEachOtherWithoutKeepImage) {
  MakeImages(8, 3);
  Load("loop=3;\r\ns=0;\r\n", kShiftingTransform);
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(Variable("s"), 321);
  for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(Result(x, 1)[0], SourceBlue((x + 3) % 8)) << x;
}

TEST_F(Orchestration, KeepImageMakesEveryPassReadTheOriginal) {
  MakeImages(8, 3);
  Load("loop=3;\r\nkeepImage=1;\r\ns=0;\r\n", kShiftingTransform);
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(Variable("s"), 321);
  for (int32_t x = 0; x < 8; ++x) {
    EXPECT_EQ(Result(x, 1)[0], SourceBlue((x + 1) % 8)) << x;
    EXPECT_EQ(sourceRgb.PixelAddress(x, 1, 0)[0], SourceBlue(x)) << x;
  }
}

TEST_F(Orchestration, OnlyAKeepImageOfExactlyZeroExchanges) {
  struct Case {
    const char* keepImage;
    int32_t shift;  // columns the result is moved by after three passes
  } cases[] = {{"0", 3}, {"-0", 3}, {"0.5", 1}, {"-0.5", 1}, {"1", 1}};
  for (const Case& c : cases) {
    MakeImages(8, 3);
    std::string init = std::string("loop=3;\r\nkeepImage=") + c.keepImage + ";\r\ns=0;\r\n";
    Load(init.c_str(), kShiftingTransform);
    ASSERT_EQ(Run(), 1);
    for (int32_t x = 0; x < 8; ++x) {
      EXPECT_EQ(Result(x, 1)[0], SourceBlue((x + c.shift) % 8)) << c.keepImage << " " << x;
    }
  }
}

// The pass count is fixed after Init, and "keepImage" is looked at after each
// pass, so the Transform program can change it for the exchange that follows.
TEST_F(Orchestration, TransformProgramChangesKeepImageButNotThePassCount) {
  MakeImages(8, 3);
  Load("loop=3;\r\ns=0;\r\n",
       "coord=2;\r\nx=x+1;\r\nif (x==1-cx && y==-cy) s=s*10+loop;\r\n"
       "if (loop==2) keepImage=1;\r\nloop=7;\r\n");
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(Variable("s"), 321);
  // Pass 3's result feeds pass 2; pass 2 keeps its source for pass 1.
  for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(Result(x, 1)[0], SourceBlue((x + 2) % 8)) << x;
}

TEST_F(Orchestration, ExchangeCarriesTheTPlanesToo) {
  MakeImages(4, 3);
  // Pass 1 writes a constant image; pass 2 skips every pixel, so the result
  // is whatever the exchange left in the destination: the original source.
  Load("loop=2;\r\n", "coord=0;\r\nB=1;\r\nT=2;\r\nif (loop==1) coord=9;\r\n");
  ASSERT_EQ(Run(), 1);
  for (int32_t x = 0; x < 4; ++x) {
    EXPECT_EQ(Result(x, 2)[0], SourceBlue(x)) << x;
    EXPECT_EQ(ResultT(x, 2), SourceT(x)) << x;
    EXPECT_EQ(sourceRgb.PixelAddress(x, 2, 0)[0], 1) << x;
    EXPECT_EQ(*sourceT.PixelAddress(x, 2, 0), 2) << x;
  }
}

TEST_F(Orchestration, LoopCountIsTruncated) {
  struct Case {
    const char* init;
    double recorded;
    bool writes;
  } cases[] = {
      {"loop=2.9;\r\ns=0;\r\n", 21, true},
      {"loop=1;\r\ns=0;\r\n", 1, true},
      {"loop=0.5;\r\ns=0;\r\n", 0, false},
      {"loop=-1;\r\ns=0;\r\n", 0, false},
      {"s=0;\r\n", 1, true},  // the default is one pass
  };
  for (const Case& c : cases) {
    MakeImages(4, 2);
    Load(c.init, kShiftingTransform);
    ASSERT_EQ(Run(), 1) << c.init;
    EXPECT_EQ(Variable("s"), c.recorded) << c.init;
    EXPECT_EQ(Result(0, 0)[0] != kUntouched, c.writes) << c.init;
    EXPECT_EQ(ResultT(0, 0) != kUntouched, true) << c.init;  // filled with 255 before passes
  }
}

TEST_F(Orchestration, DestinationTIsOpaqueWherePassesDoNotWrite) {
  MakeImages(4, 2);
  Load("", "coord=5;\r\n");
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(ResultT(0, 0), 255);
  EXPECT_EQ(ResultT(3, 1), 255);
  EXPECT_EQ(Result(3, 1)[0], kUntouched);
}

TEST_F(Orchestration, ParametersAreAssignedBeforeInit) {
  MakeImages(4, 2);
  Declare(&slots[0], "Amount", "amount", "2.5*2");
  Declare(&slots[1], "Shift", "shift", "xs-1");
  Load("doubled=amount*2;\r\n", "coord=0;\r\nB=doubled;\r\nG=shift;\r\n");
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(Variable("amount"), 5.0);
  EXPECT_EQ(Result(0, 0)[0], 10);
  EXPECT_EQ(Result(0, 0)[1], 3);
  EXPECT_TRUE(errors.texts.empty());
}

// The built-in variables are set before the parameters, so a parameter may
// stand in for one of them.
TEST_F(Orchestration, ParametersOverrideBuiltInVariables) {
  MakeImages(8, 3);
  Declare(&slots[0], "Passes", "loop", "2");
  Load("s=0;\r\n", kShiftingTransform);
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(Variable("s"), 21);
  for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(Result(x, 1)[0], SourceBlue((x + 2) % 8)) << x;
}

TEST_F(Orchestration, ParametersStopAtTheFirstEmptyName) {
  MakeImages(4, 2);
  Declare(&slots[0], "One", "p", "1");
  Declare(&slots[2], "Never", "q", "(");
  Load("", "coord=0;\r\n");
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(errors.texts.empty());
}

TEST_F(Orchestration, ParameterErrorNamesItsSlotAfterEarlierAssignments) {
  MakeImages(4, 2);
  Declare(&slots[0], "First value", "first", "7");
  Declare(&slots[1], "Second value", "second", "3+");
  Load("", "coord=0;\r\n");
  RunFlags flags = 99;
  EXPECT_EQ(Run(kInterpRound, &flags), 0);
  ASSERT_EQ(errors.texts.size(), 1u);
  EXPECT_EQ(errors.texts[0], "Parameter error at Second value.");
  EXPECT_EQ(errors.owners[0], &owner);
  EXPECT_EQ(Variable("first"), 7.0);
  EXPECT_EQ(flags, 0u);
  EXPECT_EQ(Result(0, 0)[0], kUntouched);
  EXPECT_EQ(ResultT(0, 0), kUntouched);
}

// A value text is a value: one expression, never statements to run.
TEST_F(Orchestration, ParameterTextsThatAreNoValueAreRefusedUnrun) {
  const struct {
    const char* value;
    bool accepted;
  } cases[] = {
      {"50", true},
      {"-2.5", true},
      {"xs*3", true},
      {"(1<2)", true},
      {"1, 2", true},
      {"1;ran=1;", false},
      {"1;while(1){x=x+1;}", false},
      {"{1}", false},
      {"ran=1", false},
      {"1)", false},
      {"\"text\"", false},
  };
  for (const auto& c : cases) {
    MakeImages(2, 2);
    errors.texts.clear();
    engine.DefineVariable("ran", 0.0);
    Declare(&slots[0], "Amount", "amount", c.value);
    Load("", "coord=0;\r\n");
    EXPECT_EQ(Run(), c.accepted ? 1 : 0) << c.value;
    EXPECT_EQ(errors.texts.size(), c.accepted ? 0u : 1u) << c.value;
    EXPECT_EQ(Variable("ran"), 0.0) << c.value;
  }
}

TEST_F(Orchestration, MorePassesThanARunTakesAreRefused) {
  MakeImages(2, 2);
  Load("loop=1e12;\r\n", "coord=0;\r\nB=1;\r\n");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(outcome.status, TransformOutcome::Status::kTooManyPasses);
  ASSERT_EQ(errors.texts.size(), 1u);
  EXPECT_EQ(errors.texts[0], "The program asks for 2147483647 passes; a run takes at most 10000.");
  EXPECT_EQ(Result(0, 0)[0], kUntouched);
  Load("loop=10000;\r\n", "coord=0;\r\nB=B+1;\r\nkeepImage=1;\r\n");
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Result(0, 0)[0], SourceBlue(0) + 1);
}

TEST_F(Orchestration, EmptyValueIsAParameterError) {
  MakeImages(2, 2);
  Declare(&slots[0], "Size", "size", "");
  Load("", "coord=0;\r\n");
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(errors.texts.size(), 1u);
  EXPECT_EQ(errors.texts[0], "Parameter error at Size.");
}

TEST_F(Orchestration, LongestNameAndValueFitTheAssignment) {
  MakeImages(2, 2);
  std::string name(kNameTextSize - 1, 'n');
  std::string value(kNameTextSize - 1, '1');
  value[kNameTextSize - 3] = '+';  // "111...1+1": a full-length expression
  Declare(&slots[0], "Long", name.c_str(), value.c_str());
  Load("", "coord=0;\r\n");
  ASSERT_EQ(Run(), 1);
  EXPECT_GT(Variable(name.c_str()), 1e100);
}

TEST_F(Orchestration, UnterminatedSlotTextsAreReadOnlyToTheirSize) {
  MakeImages(2, 2);
  std::memset(slots, 'a', sizeof slots);  // no terminator anywhere
  Load("", "coord=0;\r\n");
  // Every slot reads as "aaa...=aaa...;" with 127 characters each side.
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(errors.texts.empty());
}

TEST_F(Orchestration, ViewFlagsComeFromTheirIntegerParts) {
  struct Case {
    const char* transform;
    RunFlags flags;
  } cases[] = {
      {"coord=0;\r\n", 0},
      {"coord=0;\r\nvScale=1;\r\n", kRunFlagScale},
      {"coord=0;\r\nvTplane=0.5;\r\n", 0},
      {"coord=0;\r\nvTplane=-2;\r\n", kRunFlagTplane},
      {"coord=0;\r\nvScale=3;\r\nvTplane=1;\r\n", kRunFlagScale | kRunFlagTplane},
  };
  for (const Case& c : cases) {
    MakeImages(2, 2);
    Load("", c.transform);
    RunFlags flags = 99;
    ASSERT_EQ(Run(kInterpRound, &flags), 1);
    EXPECT_EQ(flags, c.flags) << c.transform;
  }
}

TEST_F(Orchestration, BuiltInVariablesAreResetForEveryRun) {
  MakeImages(6, 4);
  Load("", "coord=0;\r\ncx=0;\r\nloop=9;\r\n");
  ASSERT_EQ(Run(), 1);
  Load("", "coord=0;\r\nB=cx;\r\nG=xs;\r\nR=loop;\r\n");
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(Result(0, 0)[0], 3);
  EXPECT_EQ(Result(0, 0)[1], 6);
  EXPECT_EQ(Result(0, 0)[2], 1);
}

}  // namespace
