#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "script/script.h"
#include "script_helpers.h"

namespace {

struct ValueCase {
  const char* text;
  double value;
};

TEST(Run, Operators) {
  const ValueCase cases[] = {
      {"1 + 2 * 3", 7},
      {"7 - 2 - 1", 4},
      {"8 / 2 / 2", 2},
      {"7 % 3", 1},
      {"-7 % 3", -1},
      {"-0.5 % 3", -1},
      {"5 % 0.5", 0},
      {"5 / 0", 0},
      {"7 % -3", 1},
      {"7.9 % 3", 1},
      {"-3 % 3", 0},
      {"0.5 && 1", 0},
      {"2 && -3", 1},
      {"0 || 0.9", 0},
      {"0 || -1", 1},
      {"1 < 2", 1},
      {"2 < 1", 0},
      {"3 <= 3", 1},
      {"3 >= 4", 0},
      {"3 == 3", 1},
      {"3 != 3", 0},
      {"4 > 3", 1},
      {"-(2 + 3)", -5},
      {"- -2", 2},
      {"2 < 1 < 3", 0},
      {"0xFF", 255},
      {"1, 2, 3", 3},
      {"1e300 * 1e300 > 0", 1},
      {"-2147483649 % 7", -2},
      {"5 % 1e20", 5},
      {"1e20 % -1", 0},
      {"-1e20 % 3", -2},
  };
  for (const ValueCase& c : cases) {
    ScriptEngine engine;
    RunOutcome outcome;
    // Parenthesised, a whole comparison or logical expression is one value.
    std::string text = std::string("(") + c.text + ")";
    double value = Evaluate(engine, text.c_str(), &outcome);
    EXPECT_TRUE(outcome.HasValue()) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(Run, StatementsLeaveNothing) {
  ScriptEngine engine;
  RunOutcome outcome;
  EXPECT_EQ(Evaluate(engine, "x = 5;", &outcome), 0.0);
  EXPECT_EQ(outcome.status, RunOutcome::Status::kFinished);
  EXPECT_EQ(Variable(engine, "x"), 5.0);
  EXPECT_EQ(Evaluate(engine, "x = y = 3;", &outcome), 0.0);
  EXPECT_EQ(Variable(engine, "x"), 3.0);
  EXPECT_EQ(Variable(engine, "y"), 3.0);
  EXPECT_EQ(Evaluate(engine, "x + 1", &outcome), 4.0);  // a bare expression list
  EXPECT_EQ(outcome.status, RunOutcome::Status::kFinishedWithValue);
}

TEST(Run, HandBuiltCode) {
  ScriptEngine engine;
  Instruction* a = engine.scratchCode.SetAtGrow(0);
  a->kind = KIND_CONST;
  a->value = 2.0;
  Instruction* b = engine.scratchCode.SetAtGrow(1);
  b->kind = KIND_CONST;
  b->value = 3.0;
  Instruction* op = engine.scratchCode.SetAtGrow(2);
  op->kind = KIND_OP;
  op->code = OP_ADD;
  RunOutcome outcome = engine.Run(ProgramSlot::kScratch);
  EXPECT_EQ(outcome.status, RunOutcome::Status::kFinishedWithValue);
  EXPECT_EQ(outcome.value, 5.0);

  // Codes and kinds the loop does not know, a variable record that names no
  // cell, a loop end without its start: each stops the run as a bad record.
  const auto unknownCode = [](Instruction* r) { r->code = 0x7777; };
  const auto unknownKind = [](Instruction* r) { r->kind = 9; };
  const auto noCell = [](Instruction* r) {
    r->kind = KIND_VAR;
    r->cell = nullptr;
  };
  const auto loopEnd = [](Instruction* r) {
    r->kind = KIND_OP;
    r->code = OP_LOOP_END;
  };
  for (void (*spoil)(Instruction*) : {+unknownCode, +unknownKind, +noCell, +loopEnd}) {
    spoil(op);
    outcome = engine.Run(ProgramSlot::kScratch);
    EXPECT_EQ(outcome.status, RunOutcome::Status::kStopped);
    EXPECT_EQ(outcome.stopReason, StopReason::kBadRecord);
    EXPECT_EQ(outcome.value, 0.0);
  }
  // A slot outside the enumeration has no program.
  EXPECT_EQ(engine.Run(static_cast<ProgramSlot>(2)).stopReason, StopReason::kBadRecord);
}

struct BranchCase {
  const char* text;
  double x;
};

TEST(Run, IfElseAndSkipping) {
  const BranchCase cases[] = {
      {"if (0) x = 1; else x = 2;", 2},
      {"if (1) x = 1; else x = 2;", 1},
      {"x = 5; if (0) x = 1;", 5},
      {"if (0) { if (1) x = 1; else x = 2; } else x = 3;", 3},
      {"if (0) { if (0) x = 1; else x = 2; x = 4; } else { x = 3; }", 3},
      {"if (1) { if (0) x = 1; else x = 2; } else x = 3;", 2},
      {"if (0) { while (1) { x = 9; } } else x = 6;", 6},
      {"if (1) if (0) x = 1; else x = 7;", 7},
      {"if (0) if (1) x = 1; else x = 7; else x = 8;", 8},
      {"if (0.5) x = 1; else x = 2;", 1},  // conditions compare with 0.0, no truncation
  };
  for (const BranchCase& c : cases) {
    ScriptEngine engine;
    RunOutcome outcome;
    Evaluate(engine, c.text, &outcome);
    EXPECT_EQ(outcome.status, RunOutcome::Status::kFinished) << c.text;
    EXPECT_EQ(Variable(engine, "x"), c.x) << c.text;
  }
}

TEST(Run, WhileLoops) {
  const BranchCase cases[] = {
      {"i = 0; while (i < 5) { i = i + 1; } x = i;", 5},
      {"x = 3; while (0) { x = 9; }", 3},
      {"i = 0; x = 0; while (i < 3) { i = i + 1; j = 0; while (j < 4) { j = j + 1; x = x + 1; } }",
       12},
      {"i = 0; x = 0; while (i < 4) { i = i + 1; if (i == 2) { x = x + 10; } else x = x + 1; }",
       13},
      {"i = 0; x = 0; while (i < 2) { i = i + 1; k = 0; while (k) { x = 100; } x = x + 1; }", 2},
  };
  for (const BranchCase& c : cases) {
    ScriptEngine engine;
    Evaluate(engine, c.text);
    EXPECT_EQ(Variable(engine, "x"), c.x) << c.text;
  }
}

// Ten while loops may run inside each other. An eleventh is refused when
// compiling, on its own line, whatever holds it; loops one after another are
// no deeper. Code built by hand that nests deeper still stops the run.
TEST(Run, TenLoopsInsideEachOtherRunAndAnEleventhDoesNotCompile) {
  auto nest = [](int depth, const std::string& inside) {
    std::string text;
    for (int k = 0; k < depth; ++k)
      text += "while (v" + std::to_string(k) + " < 1) { v" + std::to_string(k) + " = 1;\n";
    text += inside + "done = 1;";
    for (int k = 0; k < depth; ++k) text += " }";
    return text;
  };
  const struct {
    std::string text;
    int32_t errorLine;  // 0: compiles, and runs to its end
  } cases[] = {
      {nest(10, ""), 0},
      {nest(11, ""), 11},
      {nest(10, "if (1) {\nwhile (w < 1) { w = 1; }\n}\n"), 12},
      {nest(9, "while (a < 1) { a = 1; }\nwhile (b < 1) { b = 1; }\n"), 0},
  };
  for (const auto& c : cases) {
    ScriptEngine engine;
    CompileOutcome compiled = engine.Compile(c.text.c_str(), ProgramSlot::kScratch);
    if (c.errorLine != 0) {
      EXPECT_TRUE(compiled.Failed()) << c.text;
      EXPECT_EQ(compiled.errorLine, c.errorLine) << c.text;
      continue;
    }
    ASSERT_EQ(compiled.status, CompileOutcome::Status::kCompiled) << c.text;
    EXPECT_EQ(engine.Run(ProgramSlot::kScratch).status, RunOutcome::Status::kFinished);
    EXPECT_EQ(Variable(engine, "done"), 1.0) << c.text;
  }
  ScriptEngine engine;
  for (int32_t i = 0; i <= kMaxLoopNesting; ++i) {
    Instruction* start = engine.scratchCode.SetAtGrow(i);
    start->kind = KIND_OP;
    start->code = OP_LOOP_START;
  }
  EXPECT_EQ(engine.Run(ProgramSlot::kScratch).stopReason, StopReason::kLoopNesting);
}

// An endless loop asks the budget's check every kWorkBetweenChecks turns and
// stops when it says so; without a check it would never end.
TEST(Run, LoopsGoingRoundAskTheBudgetAndStopWhenItSaysSo) {
  ScriptEngine engine;
  ASSERT_FALSE(engine.Compile("i = 0; while (1) { i = i + 1; }", ProgramSlot::kScratch).Failed());
  int asked = 0;
  engine.budget = {[](void* count) { return ++*static_cast<int*>(count) < 3; }, &asked};
  engine.workLeft = kWorkBetweenChecks;
  const RunOutcome outcome = engine.Run(ProgramSlot::kScratch);
  EXPECT_EQ(outcome.stopReason, StopReason::kInterrupted);
  EXPECT_EQ(asked, 3);
  EXPECT_EQ(Variable(engine, "i"), 3.0 * kWorkBetweenChecks);
}

TEST(Run, Exit) {
  struct ExitCase {
    const char* text;
    int32_t code;
  } cases[] = {
      {"x = 1; exit(3); x = 5;", 3},
      {"exit(-1);", -1},
      {"exit(2.9);", 2},
      {"exit(-2.9);", -2},
      {"exit(1e20);", INT32_MAX},
      {"exit(-1e20);", INT32_MIN},
      {"exit(0);", 0},
      {"if (1) { exit(4); }", 4},
      {"i = 0; while (1) { i = i + 1; if (i == 3) exit(i); }", 3},
  };
  for (const ExitCase& c : cases) {
    ScriptEngine engine;
    ASSERT_GT(engine.Compile(c.text, ProgramSlot::kScratch).length, 0) << c.text;
    RunOutcome outcome = engine.Run(ProgramSlot::kScratch);
    EXPECT_EQ(outcome.status, RunOutcome::Status::kExited) << c.text;  // exit(0) too
    EXPECT_EQ(outcome.exitCode, c.code) << c.text;
    EXPECT_EQ(outcome.value, 0.0) << c.text;  // exit leaves no result
  }
  ScriptEngine engine;
  Evaluate(engine, "x = 1; exit(3); x = 5;");
  EXPECT_EQ(Variable(engine, "x"), 1.0);
}

TEST(Run, NaNAndHugeValuesTruncateSafely) {
  EXPECT_EQ(TruncateToInt32(std::nan("")), 0);
  EXPECT_EQ(TruncateToInt32(1e300), INT32_MAX);
  EXPECT_EQ(TruncateToInt32(-1e300), INT32_MIN);
  EXPECT_EQ(TruncateToInt32(INFINITY), INT32_MAX);
  EXPECT_EQ(TruncateToInt32(-INFINITY), INT32_MIN);
  EXPECT_EQ(TruncateToInt32(-2.7), -2);
  EXPECT_EQ(TruncateToInt32(2147483647.5), INT32_MAX);
  EXPECT_EQ(TruncateToInt32(-2147483648.9), INT32_MIN);
  ScriptEngine engine;
  // 0 * inf is NaN: the remainder and logical operators still give defined results.
  Evaluate(engine, "n = 0 * 1e999; a = n % 3; b = 7 % n; c = n && 1; d = n || 0;");
  EXPECT_TRUE(std::isnan(Variable(engine, "n")));
  for (const char* name : {"a", "b", "c", "d"}) EXPECT_EQ(Variable(engine, name), 0.0) << name;
  EXPECT_EQ(Evaluate(engine, "exit(0 * 1e999);"), -12345.0);
}

TEST(Run, StringsWhereValuesAreNeededStop) {
  const char* texts[] = {
      "if (\"a\") x = 1;",  // the condition leaves no value
      "\"a\" + 1",          // one value for a two-operand operator
      "sin(\"a\")",         // argument taken from the stack
      "x = \"a\";",         // nothing to assign
      "pow(\"a\", 2)",     "-\"a\"", "exit(\"a\");",
  };
  for (const char* text : texts) {
    ScriptEngine engine;
    RunOutcome outcome;
    double value = Evaluate(engine, text, &outcome, 42.0);
    EXPECT_EQ(outcome.stopReason, StopReason::kMissingOperand) << text;
    EXPECT_EQ(value, 42.0) << text;  // stopped: result untouched
    EXPECT_EQ(Variable(engine, "x"), 0.0) << text;
  }
}

TEST(Run, AssignmentThroughAConstantEntryStoresNothing) {
  ScriptEngine engine;
  Evaluate(engine, "x = 7; x = 1, 2;");
  EXPECT_EQ(Variable(engine, "x"), 7.0);
  // The target entry is the one under the value: here y's cell.
  Evaluate(engine, "x = y, 2;");
  EXPECT_EQ(Variable(engine, "y"), 2.0);
  EXPECT_EQ(Variable(engine, "x"), 7.0);
}

std::string NumberList(int count) {
  std::string text;
  for (int k = 1; k <= count; ++k) text += (k > 1 ? "," : "") + std::to_string(k);
  return text;
}

TEST(Run, DeepStatementsNeverLeaveTheStacks) {
  ScriptEngine engine;
  std::string wide = NumberList(300);
  RunOutcome outcome;
  // 300 pending values: too many for the 200 entries after Reset...
  EXPECT_EQ(Evaluate(engine, wide.c_str(), &outcome, 1.5), 1.5);
  EXPECT_EQ(outcome.stopReason, StopReason::kStackFull);
  // ...and enough with the 500 of a run.
  engine.PrepareRun(kRunStackSize);
  EXPECT_EQ(Evaluate(engine, wide.c_str(), &outcome), 300.0);
  EXPECT_EQ(outcome.status, RunOutcome::Status::kFinishedWithValue);
  std::string exact = NumberList(500);
  EXPECT_EQ(Evaluate(engine, exact.c_str(), &outcome), 500.0);
  std::string over = NumberList(501);
  EXPECT_EQ(Evaluate(engine, over.c_str(), &outcome, 1.5), 1.5);
  EXPECT_EQ(outcome.stopReason, StopReason::kStackFull);
  engine.PrepareRun(0);
  EXPECT_EQ(Evaluate(engine, "1", &outcome, 1.5), 1.5);
  EXPECT_EQ(outcome.stopReason, StopReason::kStackFull);
}

TEST(Run, ValuesPilingUpInALoopStopTheRun) {
  // Each pass leaves one value of the condition list behind and the body
  // holds no END to clear it: the stack fills and the run stops.
  ScriptEngine engine;
  ASSERT_GT(engine.Compile("while (7, 1) { if (0) x = 1; }", ProgramSlot::kScratch).length, 0);
  EXPECT_EQ(engine.Run(ProgramSlot::kScratch).stopReason, StopReason::kStackFull);
}

TEST(Run, TextRegisterHoldsTheLastString) {
  ScriptEngine engine;
  ASSERT_GT(engine
                .Compile("\"first\"; \"0123456789012345678901234567890123456789\";",
                         ProgramSlot::kScratch)
                .length,
            0);
  EXPECT_EQ(engine.Run(ProgramSlot::kScratch).status, RunOutcome::Status::kFinished);
}

}  // namespace
