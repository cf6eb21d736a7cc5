// The execution loop against a plain reference of its rules: random record
// lists of constants, variables, markers and operators, run by both, must
// end the same way with the same result and the same variable values. The
// reference walks every record one at a time with a skipping flag and a
// nesting depth, the way the language has always been described, so that
// any shortcut taken by Run for speed is checked against it; the traced run
// of the pixel tracer too.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "script/script.h"
#include "tests/script/seeded_random.h"

namespace {

constexpr int32_t kVariables = 3;
// Records a reference run may execute before the case is dropped as an
// endless loop (Run would never return from it either).
constexpr int64_t kStepBudget = 20000;

struct Outcome {
  bool finished;  // false: over the step budget
  int32_t value;
  double result;
};

// One record at a time, exactly as the rules state them.
Outcome ReferenceRun(const std::vector<Instruction>& code, int32_t stackLimit) {
  std::vector<double> values;
  std::vector<double*> cells;
  std::vector<int32_t> loopStack;
  bool skipping = false;
  int32_t depth = 0;
  const Outcome stopped{true, 0, -1.0};
  int64_t steps = 0;
  for (int32_t i = 0; i < static_cast<int32_t>(code.size()); ++i) {
    if (++steps > kStepBudget) return {false, 0, 0.0};
    const Instruction& record = code[i];
    if (skipping) {
      if (record.kind != KIND_OP) continue;
      int32_t c = record.code;
      if (c == OP_IF_TEST || c == OP_LOOP_START) {
        ++depth;
      } else if (c == OP_LOOP_END) {
        if (--depth == 0) {
          depth = 1;
          skipping = false;
        }
      } else if (c == OP_IF_END) {
        if (--depth == 0) {
          skipping = false;
          depth = 1;
        }
      } else if (c == OP_ELSE && depth <= 1) {
        skipping = false;
        depth = 1;
      }
      continue;
    }
    if (record.kind == KIND_CONST || record.kind == KIND_VAR) {
      if (static_cast<int32_t>(values.size()) >= stackLimit) return stopped;
      values.push_back(record.kind == KIND_CONST ? record.value : *record.cell);
      cells.push_back(record.kind == KIND_CONST ? nullptr : record.cell);
      continue;
    }
    switch (record.code) {
      case OP_END:
        values.clear();
        cells.clear();
        continue;
      case OP_LOOP_START:
        if (loopStack.size() >= static_cast<size_t>(kMaxLoopNesting)) return stopped;
        loopStack.push_back(i);
        continue;
      case OP_LOOP_END:
        if (loopStack.empty()) return stopped;
        i = loopStack.back();
        continue;
      case OP_IF_END:
        skipping = false;
        depth = 1;
        continue;
      case OP_ELSE:
        skipping = !skipping;
        depth = 1;
        continue;
    }
    if (values.empty()) return stopped;
    double b = values.back();
    values.pop_back();
    cells.pop_back();
    switch (record.code) {
      case OP_IF_TEST:
        if (b == 0.0) {
          skipping = true;
          depth = 1;
        }
        break;
      case OP_LOOP_TEST:
        if (b == 0.0) {
          if (!loopStack.empty()) loopStack.pop_back();
          skipping = true;
          depth = 1;
        }
        break;
      case OP_NEG:
        values.push_back(-b);
        cells.push_back(nullptr);
        break;
      case OP_ADD:
      case OP_LT:
      case OP_ASSIGN:
        if (values.empty()) return stopped;
        if (record.code == OP_ADD) values.back() += b;
        if (record.code == OP_LT) values.back() = values.back() < b ? 1.0 : 0.0;
        if (record.code == OP_ASSIGN) {
          values.back() = b;
          if (cells.back() != nullptr) *cells.back() = b;
        }
        break;
      default:
        return stopped;
    }
  }
  if (values.empty()) return {true, 0, 0.0};
  return {true, 1, values.back()};
}

// Random code that leans on the markers, so that skips start and end in
// every nesting, including code cut off in the middle of a construct.
std::vector<Instruction> RandomCode(Random& random, double* variables) {
  static const int32_t kCodes[] = {OP_END,        OP_IF_TEST,   OP_ELSE,     OP_IF_END,
                                   OP_LOOP_START, OP_LOOP_TEST, OP_LOOP_END, OP_ADD,
                                   OP_LT,         OP_ASSIGN,    OP_NEG};
  std::vector<Instruction> code(static_cast<size_t>(1 + random.Below(40)));
  for (Instruction& record : code) {
    record = Instruction{};
    switch (random.Below(3)) {
      case 0:
        record.kind = KIND_CONST;
        record.value = random.Below(4) - 1;
        break;
      case 1:
        record.kind = KIND_VAR;
        record.cell = &variables[random.Below(kVariables)];
        break;
      default:
        record.kind = KIND_OP;
        record.code = random.Pick(kCodes);
        break;
    }
  }
  return code;
}

TEST(RunReference, RandomCodeEndsAsTheRulesSay) {
  Random random(4242);
  int compared = 0;
  for (int k = 0; k < 20000; ++k) {
    double referenceVariables[kVariables];
    double runVariables[kVariables];
    double startVariables[kVariables];
    for (int v = 0; v < kVariables; ++v)
      startVariables[v] = referenceVariables[v] = runVariables[v] = random.Below(3) - 1;
    std::vector<Instruction> code = RandomCode(random, runVariables);
    // The reference gets the same code aimed at its own variables.
    std::vector<Instruction> referenceCode = code;
    for (Instruction& record : referenceCode)
      if (record.kind == KIND_VAR) record.cell = referenceVariables + (record.cell - runVariables);

    const int32_t stackLimit = 1 + random.Below(8);
    Outcome expected = ReferenceRun(referenceCode, stackLimit);
    if (!expected.finished) continue;

    ScriptEngine engine;
    engine.PrepareRun(stackLimit);
    for (size_t i = 0; i < code.size(); ++i)
      *engine.scratchCode.SetAtGrow(static_cast<int32_t>(i)) = code[i];
    // The reference reports a stop as no value with the result untouched.
    RunOutcome outcome = engine.Run(ProgramSlot::kScratch);
    ASSERT_EQ(outcome.HasValue() ? 1 : 0, expected.value) << "case " << k;
    EXPECT_EQ(outcome.Stopped() ? -1.0 : outcome.value, expected.result) << "case " << k;
    for (int v = 0; v < kVariables; ++v)
      EXPECT_EQ(runVariables[v], referenceVariables[v]) << "case " << k << " variable " << v;
    // A traced run ends the same way, told of every record it executes.
    for (int v = 0; v < kVariables; ++v) runVariables[v] = startVariables[v];
    int32_t told = 0;
    RunObserver observer;
    observer.beforeRecord = [](void* context, int32_t, const double*, double* const*, int32_t) {
      ++*static_cast<int32_t*>(context);
    };
    observer.context = &told;
    RunOutcome traced = engine.RunTraced(ProgramSlot::kScratch, observer);
    ASSERT_EQ(traced.HasValue() ? 1 : 0, expected.value) << "traced case " << k;
    EXPECT_EQ(traced.Stopped() ? -1.0 : traced.value, expected.result) << "traced case " << k;
    EXPECT_EQ(told > 0, !code.empty()) << "traced case " << k;
    for (int v = 0; v < kVariables; ++v)
      EXPECT_EQ(runVariables[v], referenceVariables[v]) << "traced case " << k << " variable " << v;
    ++compared;
  }
  EXPECT_GT(compared, 15000);
}

}  // namespace
