// The plan of a program (script.h): one walk over every path, with the
// interpreter's own rules for each record (run.cpp), so that every check
// it makes at run time is decided here once.
#include <algorithm>
#include <cstdio>

#include "script/script.h"
#include "script/skip_branch.h"

namespace {

// The stack and loops at a record: all that decides what the record does.
struct State {
  std::vector<double*> cells;  // one per value: its variable, or null
  std::vector<int32_t> loops;  // record after each running loop's LOOP-START
  // One per value: the CONST or VAR record that pushed it, or -1. Not part
  // of the shape: paths may bring the same shape from different records.
  std::vector<int32_t> pushers;
  bool SameShape(const State& other) const { return cells == other.cells && loops == other.loops; }
};

// Records a jump or a loop going round may reach keep the state that
// reached them first, to be compared with every other path's; the walk
// follows all other records, which only the record before them reaches, on
// one state changed in place.
struct Walk {
  const Instruction* code;
  int32_t count;
  int32_t stackLimit;
  ProgramPlan* plan;
  std::vector<int32_t> skipTargets;  // by record: where a skip from it lands
  std::vector<bool> joins;           // by record: other paths may reach it
  std::vector<State> states;         // by join: the state of the first path
  std::vector<bool> reached;
  std::vector<int32_t> pending;  // joins reached, not yet followed
  bool failed = false;
};

// No record follows on the path: a jump, an exit or a stop.
constexpr int32_t kNoNext = -1;

void Fail(Walk& walk, const char* reason) {
  if (walk.failed) return;
  walk.failed = true;
  std::snprintf(walk.plan->reason, sizeof walk.plan->reason, "%s", reason);
}

void MarkRead(Walk& walk, int32_t pusher) {
  if (pusher >= 0) walk.plan->records[static_cast<size_t>(pusher)].valueRead = true;
}

// Hands `state` on to the join `index`; the end of the code needs no state.
void Reach(Walk& walk, int32_t index, const State& state) {
  if (index >= walk.count) return;
  if (walk.reached[index]) {
    const State& known = walk.states[index];
    if (!known.SameShape(state)) {
      char reason[96];
      std::snprintf(reason, sizeof reason, "the stack differs between paths reaching record %d",
                    static_cast<int>(index));
      return Fail(walk, reason);
    }
    // The walk goes on from the first path's values only: what becomes of
    // another path's values is not followed, so they count as read.
    for (size_t k = 0; k < state.pushers.size(); ++k)
      if (state.pushers[k] != known.pushers[k]) MarkRead(walk, state.pushers[k]);
    return;
  }
  walk.reached[index] = true;
  walk.states[index] = state;
  walk.pending.push_back(index);
}

// Where skips land and which records other paths may reach: the records
// after an ELSE, a test's skip and a LOOP-START (where a loop goes round).
void FindJoins(Walk& walk) {
  walk.skipTargets.assign(static_cast<size_t>(walk.count), 0);
  walk.joins.assign(static_cast<size_t>(walk.count) + 1, false);
  for (int32_t index = 0; index < walk.count; ++index) {
    const Instruction& instruction = walk.code[index];
    if (instruction.kind != KIND_OP) continue;
    if (instruction.code == OP_LOOP_START) walk.joins[static_cast<size_t>(index) + 1] = true;
    if (instruction.code != OP_IF_TEST && instruction.code != OP_LOOP_TEST &&
        instruction.code != OP_ELSE)
      continue;
    const Instruction* const end = walk.code + walk.count;
    const int32_t target = static_cast<int32_t>(SkipBranch(walk.code + index + 1, end) - walk.code);
    walk.skipTargets[static_cast<size_t>(index)] = target;
    walk.joins[static_cast<size_t>(target)] = true;
  }
}

void Stop(PlannedRecord& record, StopReason reason) {
  record.action = PlanAction::kStop;
  record.stop = reason;
}

// The top `count` values are computed with and leave the stack.
void TakeValues(Walk& walk, State& state, int32_t count) {
  for (int32_t k = 0; k < count; ++k) {
    MarkRead(walk, state.pushers.back());
    state.pushers.pop_back();
    state.cells.pop_back();
  }
}

void PushValue(State& state, double* cell, int32_t pusher) {
  state.cells.push_back(cell);
  state.pushers.push_back(pusher);
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
// instruction list after the plan was written.
Planned PlanOperator(Walk& walk, int32_t code, PlannedRecord& record, State& state) {
  switch (code) {
#define MORFEL_OPCODE(NAME_, Name_, code_, form_, token_, level_, nesting_, takes_, leaves_) \
  case code_:                                                                                \
    if (MORFEL_FORM_##form_ == 0) return Planned::kUnknownMarker;                            \
    record.op = PlanOperator::k##Name_;                                                      \
    record.takes = MORFEL_FORM_##form_;                                                      \
    break;
#include "script/instruction_set.h"
    default:
      return Planned::kNotAnOperator;
  }
  if (static_cast<int32_t>(state.cells.size()) < record.takes) {
    Stop(record, StopReason::kMissingOperand);
    return Planned::kOperator;
  }
  record.action = PlanAction::kOperator;
  // A two-operand result keeps a's address entry; one operand names none.
  double* const cell = record.takes == 2 ? state.cells[state.cells.size() - 2] : nullptr;
  TakeValues(walk, state, record.takes);
  PushValue(state, cell, -1);
  return Planned::kOperator;
}

#undef MORFEL_FORM_MARKER
#undef MORFEL_FORM_TEST
#undef MORFEL_FORM_ASSIGN
#undef MORFEL_FORM_UNARY
#undef MORFEL_FORM_BINARY

// A CONST or VAR record: its value pushed, unless the stack is full or the
// record names no cell. Returns the record that follows on the path.
int32_t PlanPush(Walk& walk, int32_t index, State& state) {
  const Instruction& instruction = walk.code[index];
  PlannedRecord& record = walk.plan->records[static_cast<size_t>(index)];
  if (instruction.kind == KIND_VAR && instruction.cell == nullptr) {
    Stop(record, StopReason::kBadRecord);
    return kNoNext;
  }
  if (record.depth >= walk.stackLimit) {
    Stop(record, StopReason::kStackFull);
    return kNoNext;
  }
  const bool constant = instruction.kind == KIND_CONST;
  record.action = constant ? PlanAction::kConst : PlanAction::kVar;
  record.value = constant ? instruction.value : 0.0;
  record.cell = constant ? nullptr : instruction.cell;
  PushValue(state, record.cell, index);
  return index + 1;
}

// A marker or exit, planned; *next becomes the record that follows on the
// path. False when the record is neither.
bool PlanMarker(Walk& walk, int32_t index, State& state, int32_t* next) {
  PlannedRecord& record = walk.plan->records[static_cast<size_t>(index)];
  const int32_t code = walk.code[index].code;
  *next = kNoNext;
  if (code == OP_END) {
    record.action = PlanAction::kEmpty;
    state.cells.clear();
    state.pushers.clear();
  } else if (code == OP_LOOP_START) {
    if (record.loops >= kMaxLoopNesting) {
      Stop(record, StopReason::kLoopNesting);
      return true;
    }
    record.action = PlanAction::kNothing;
    state.loops.push_back(index + 1);
  } else if (code == OP_LOOP_END) {
    if (state.loops.empty()) {
      Stop(record, StopReason::kBadRecord);
      return true;
    }
    record.action = PlanAction::kLoopBack;
    record.target = state.loops.back();
    Reach(walk, record.target, state);
    return true;
  } else if (code == OP_IF_END) {
    record.action = PlanAction::kNothing;
  } else if (code == OP_ELSE) {
    record.action = PlanAction::kJump;
    record.target = walk.skipTargets[static_cast<size_t>(index)];
    Reach(walk, record.target, state);
    return true;
  } else if (code == OP_IF_TEST || code == OP_LOOP_TEST) {
    if (record.depth == 0) {
      Stop(record, StopReason::kMissingOperand);
      return true;
    }
    record.action = PlanAction::kTest;
    record.target = walk.skipTargets[static_cast<size_t>(index)];
    TakeValues(walk, state, 1);
    State skipped = state;
    if (code == OP_LOOP_TEST && !skipped.loops.empty()) skipped.loops.pop_back();
    Reach(walk, record.target, skipped);
  } else if (code == OP_EXIT) {
    if (record.depth == 0) {
      Stop(record, StopReason::kMissingOperand);
      return true;
    }
    record.action = PlanAction::kExit;
    MarkRead(walk, state.pushers.back());
    return true;
  } else {
    return false;
  }
  *next = index + 1;
  return true;
}

// An assignment: the top value stored into the cell under it.
int32_t PlanAssign(Walk& walk, int32_t index, State& state) {
  PlannedRecord& record = walk.plan->records[static_cast<size_t>(index)];
  if (record.depth < 2) {
    Stop(record, StopReason::kMissingOperand);
    return kNoNext;
  }
  record.action = PlanAction::kAssign;
  record.cell = state.cells[state.cells.size() - 2];  // the entry under the value
  TakeValues(walk, state, 1);
  // The target is stored into, not read: the result is the value with the
  // target's address entry.
  state.pushers.back() = -1;
  return index + 1;
}

// A built-in call on the top values.
int32_t PlanCall(Walk& walk, int32_t index, State& state) {
  PlannedRecord& record = walk.plan->records[static_cast<size_t>(index)];
  const BuiltinEntry* builtin = FindBuiltinByCode(walk.code[index].code);
  if (builtin == nullptr || builtin->handler == nullptr) {
    Stop(record, StopReason::kBadRecord);
    return kNoNext;
  }
  if (record.depth == 0 || record.depth < builtin->stackArgs) {
    Stop(record, StopReason::kMissingOperand);
    return kNoNext;
  }
  record.action = PlanAction::kCall;
  record.takes = builtin->stackArgs;
  record.handler = builtin->handler;
  TakeValues(walk, state, builtin->stackArgs);
  PushValue(state, nullptr, -1);
  return index + 1;
}

// Decides record `index` from the state that reaches it, which it changes
// into the state it hands on. Returns the record that follows on the path.
int32_t PlanRecord(Walk& walk, int32_t index, State& state) {
  const Instruction& instruction = walk.code[index];
  PlannedRecord& record = walk.plan->records[static_cast<size_t>(index)];
  record.depth = static_cast<int32_t>(state.cells.size());
  record.loops = static_cast<int32_t>(state.loops.size());
  if (instruction.kind == KIND_CONST || instruction.kind == KIND_VAR)
    return PlanPush(walk, index, state);
  if (instruction.kind == KIND_STR) {
    record.action = PlanAction::kText;
    return index + 1;
  }
  if (instruction.kind != KIND_OP) {
    Stop(record, StopReason::kBadRecord);
    return kNoNext;
  }
  int32_t next = kNoNext;
  if (PlanMarker(walk, index, state, &next)) return next;
  if (instruction.code == OP_ASSIGN) return PlanAssign(walk, index, state);
  switch (PlanOperator(walk, instruction.code, record, state)) {
    case Planned::kOperator:
      return record.action == PlanAction::kStop ? kNoNext : index + 1;
    case Planned::kUnknownMarker:
      Fail(walk, "a marker the plan does not know");
      return kNoNext;
    case Planned::kNotAnOperator:
      break;
  }
  return PlanCall(walk, index, state);
}

// Follows the path from the join `index` until it ends or meets a join.
void FollowFrom(Walk& walk, int32_t index) {
  State state = walk.states[static_cast<size_t>(index)];
  while (!walk.failed) {
    walk.reached[static_cast<size_t>(index)] = true;
    index = PlanRecord(walk, index, state);
    if (index == kNoNext || index >= walk.count) return;
    if (walk.joins[static_cast<size_t>(index)]) return Reach(walk, index, state);
  }
}

}  // namespace

void PlanProgram(const Instruction* code, int32_t count, int32_t stackLimit, ProgramPlan* plan) {
  plan->records.assign(static_cast<size_t>(count > 0 ? count : 0), PlannedRecord{});
  plan->maxDepth = 0;
  plan->ok = false;
  plan->reason[0] = '\0';
  if (count <= 0) {
    plan->ok = true;
    return;
  }
  Walk walk{code, count, stackLimit, plan, {}, {}, {}, {}, {}};
  FindJoins(walk);
  walk.joins[0] = true;  // where every path starts
  walk.states.resize(static_cast<size_t>(count));
  walk.reached.assign(static_cast<size_t>(count), false);
  Reach(walk, 0, State{});
  while (!walk.pending.empty() && !walk.failed) {
    const int32_t index = walk.pending.back();
    walk.pending.pop_back();
    FollowFrom(walk, index);
  }
  if (walk.failed) return;
  for (const PlannedRecord& record : plan->records)
    if (record.action != PlanAction::kUnreached)
      plan->maxDepth = std::max(plan->maxDepth, record.depth + 1);
  plan->ok = true;
}
