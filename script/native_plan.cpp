// The plan of a program for the code generator: one walk over every path,
// with the interpreter's own rules for each record (run.cpp), so that every
// check it makes at run time is decided here once.
#include "script/native_plan.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace native {
namespace {

// The stack and loops at a record: all that decides what the record does.
struct State {
  std::vector<double*> cells;  // one per value: its variable, or null
  std::vector<int32_t> loops;  // record after each running loop's LOOP-START
  bool operator==(const State& other) const { return cells == other.cells && loops == other.loops; }
};

struct Walk {
  const Instruction* code;
  int32_t count;
  int32_t stackLimit;
  Plan* plan;
  std::vector<State> states;
  std::vector<bool> reached;
  std::vector<int32_t> pending;
  bool failed = false;
};

void Fail(Walk& walk, const char* reason) {
  if (walk.failed) return;
  walk.failed = true;
  std::snprintf(walk.plan->reason, sizeof walk.plan->reason, "%s", reason);
}

// Hands `state` on to record `index`; the end of the code needs no state.
void Reach(Walk& walk, int32_t index, const State& state) {
  if (index >= walk.count) return;
  if (walk.reached[index]) {
    if (!(walk.states[index] == state)) {
      char reason[96];
      std::snprintf(reason, sizeof reason, "the stack differs between paths reaching record %d",
                    static_cast<int>(index));
      Fail(walk, reason);
    }
    return;
  }
  if (static_cast<int32_t>(state.cells.size()) > kMaxPlannedDepth) {
    Fail(walk, "the stack grows deeper than the compiled code keeps");
    return;
  }
  walk.reached[index] = true;
  walk.states[index] = state;
  walk.pending.push_back(index);
}

int32_t SkipTarget(const Walk& walk, int32_t index) {
  return static_cast<int32_t>(SkipBranch(walk.code + index + 1, walk.code + walk.count) -
                              walk.code);
}

void Stop(Step& step, StopReason reason) {
  step.action = Action::kStop;
  step.stop = reason;
}

// An operator of instruction_set.h: its form decides how many values it
// takes and what its result's address entry is.
#define MORFEL_FORM_MARKER 0
#define MORFEL_FORM_TEST 0
#define MORFEL_FORM_ASSIGN 0
#define MORFEL_FORM_UNARY 1
#define MORFEL_FORM_BINARY 2

enum class Planned : uint8_t { kNotAnOperator, kOperator, kUnknownMarker };

// A marker that PlanRecord does not carry out itself is one added to the
// instruction list after the code generator was written.
Planned PlanOperator(int32_t code, Step& step, State& state) {
  switch (code) {
#define MORFEL_OPCODE(NAME_, Name_, code_, form_, token_, level_, nesting_, takes_, leaves_) \
  case code_:                                                                                \
    if (MORFEL_FORM_##form_ == 0) return Planned::kUnknownMarker;                            \
    step.op = Operator::k##Name_;                                                            \
    step.takes = MORFEL_FORM_##form_;                                                        \
    break;
#include "script/instruction_set.h"
    default:
      return Planned::kNotAnOperator;
  }
  if (static_cast<int32_t>(state.cells.size()) < step.takes) {
    Stop(step, StopReason::kMissingOperand);
    return Planned::kOperator;
  }
  step.action = Action::kOperator;
  // A two-operand result keeps a's address entry; one operand names none.
  if (step.takes == 2)
    state.cells.pop_back();
  else
    state.cells.back() = nullptr;
  return Planned::kOperator;
}

#undef MORFEL_FORM_MARKER
#undef MORFEL_FORM_TEST
#undef MORFEL_FORM_ASSIGN
#undef MORFEL_FORM_UNARY
#undef MORFEL_FORM_BINARY

// Decides record `index` from its state and hands the state on.
void PlanRecord(Walk& walk, int32_t index) {
  const Instruction& record = walk.code[index];
  Step& step = walk.plan->steps[index];
  State state = walk.states[index];
  const int32_t depth = static_cast<int32_t>(state.cells.size());
  step.depth = depth;
  step.loops = static_cast<int32_t>(state.loops.size());
  const int32_t next = index + 1;
  if (record.kind == KIND_CONST || record.kind == KIND_VAR) {
    if (record.kind == KIND_VAR && record.cell == nullptr)
      return Stop(step, StopReason::kBadRecord);
    if (depth >= walk.stackLimit) return Stop(step, StopReason::kStackFull);
    step.action = record.kind == KIND_CONST ? Action::kConst : Action::kVar;
    step.value = record.kind == KIND_CONST ? record.value : 0.0;
    step.cell = record.kind == KIND_VAR ? record.cell : nullptr;
    state.cells.push_back(step.cell);
    return Reach(walk, next, state);
  }
  if (record.kind == KIND_STR) {
    step.action = Action::kText;
    return Reach(walk, next, state);
  }
  if (record.kind != KIND_OP) return Stop(step, StopReason::kBadRecord);
  switch (record.code) {
    case OP_END:
      step.action = Action::kEmpty;
      state.cells.clear();
      return Reach(walk, next, state);
    case OP_LOOP_START:
      if (step.loops >= kMaxLoopNesting) return Stop(step, StopReason::kLoopNesting);
      step.action = Action::kNothing;
      state.loops.push_back(next);
      return Reach(walk, next, state);
    case OP_LOOP_END:
      if (state.loops.empty()) return Stop(step, StopReason::kBadRecord);
      step.action = Action::kLoopBack;
      step.target = state.loops.back();
      return Reach(walk, step.target, state);
    case OP_IF_END:
      step.action = Action::kNothing;
      return Reach(walk, next, state);
    case OP_ELSE:
      step.action = Action::kJump;
      step.target = SkipTarget(walk, index);
      return Reach(walk, step.target, state);
    case OP_IF_TEST:
    case OP_LOOP_TEST: {
      if (depth == 0) return Stop(step, StopReason::kMissingOperand);
      step.action = Action::kTest;
      step.target = SkipTarget(walk, index);
      state.cells.pop_back();
      Reach(walk, next, state);
      if (record.code == OP_LOOP_TEST && !state.loops.empty()) state.loops.pop_back();
      return Reach(walk, step.target, state);
    }
    case OP_EXIT:
      if (depth == 0) return Stop(step, StopReason::kMissingOperand);
      step.action = Action::kExit;
      return;
    case OP_ASSIGN:
      if (depth < 2) return Stop(step, StopReason::kMissingOperand);
      step.action = Action::kAssign;
      state.cells.pop_back();
      step.cell = state.cells.back();  // the entry under the value
      return Reach(walk, next, state);
    default:
      break;
  }
  switch (PlanOperator(record.code, step, state)) {
    case Planned::kOperator:
      if (step.action == Action::kStop) return;
      return Reach(walk, next, state);
    case Planned::kUnknownMarker:
      return Fail(walk, "a marker the code generator does not know");
    case Planned::kNotAnOperator:
      break;
  }
  const BuiltinEntry* builtin = FindBuiltinByCode(record.code);
  if (builtin == nullptr || builtin->handler == nullptr) return Stop(step, StopReason::kBadRecord);
  if (depth == 0 || depth < builtin->stackArgs) return Stop(step, StopReason::kMissingOperand);
  step.action = Action::kCall;
  step.takes = builtin->stackArgs;
  step.handler = builtin->handler;
  state.cells.resize(static_cast<size_t>(depth - builtin->stackArgs));
  state.cells.push_back(nullptr);
  Reach(walk, next, state);
}

// Variables worth a register: referenced at least twice, inner loops first.
void WeighVariables(Plan* plan) {
  std::vector<std::pair<double*, int64_t>> weights;
  for (size_t i = 0; i < plan->steps.size(); ++i) {
    const Step& step = plan->steps[i];
    double* cell =
        step.action == Action::kVar || step.action == Action::kAssign ? step.cell : nullptr;
    if (cell == nullptr) continue;
    const int64_t weight = int64_t{1} << (3 * std::min(step.loops, 4));
    auto found = std::find_if(weights.begin(), weights.end(),
                              [cell](const auto& entry) { return entry.first == cell; });
    if (found == weights.end())
      weights.emplace_back(cell, weight);
    else
      found->second += weight;
  }
  std::stable_sort(weights.begin(), weights.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  for (const auto& entry : weights)
    if (entry.second >= 2) plan->hotCells.push_back(entry.first);
}

}  // namespace

void MakePlan(const Instruction* code, int32_t count, int32_t stackLimit, Plan* plan) {
  plan->steps.assign(static_cast<size_t>(count > 0 ? count : 0), Step{});
  plan->hotCells.clear();
  plan->maxDepth = 0;
  plan->ok = false;
  plan->reason[0] = '\0';
  if (count <= 0) {
    plan->ok = true;
    return;
  }
  Walk walk{code, count, stackLimit, plan, {}, {}, {}};
  walk.states.resize(static_cast<size_t>(count));
  walk.reached.assign(static_cast<size_t>(count), false);
  Reach(walk, 0, State{});
  while (!walk.pending.empty() && !walk.failed) {
    const int32_t index = walk.pending.back();
    walk.pending.pop_back();
    PlanRecord(walk, index);
  }
  if (walk.failed) return;
  for (const Step& step : plan->steps)
    if (step.action != Action::kUnreached)
      plan->maxDepth = std::max(plan->maxDepth, step.depth + 1);
  WeighVariables(plan);
  plan->ok = true;
}

}  // namespace native
