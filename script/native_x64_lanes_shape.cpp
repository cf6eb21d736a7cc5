// Which programs the vector lanes run exactly, and how they keep each
// variable. Four pixels at once are exact only when no pixel's program can
// see what the pixel before it left behind: every variable the program
// assigns must be assigned before it is read, on every path, within the
// pixel (cx and cy, which place the next pixel, not at all). The code must
// be the compiler's ifs and loops, each found where the plan's jumps say,
// and hold nothing with a state or an effect: no built-in, exit or stop.
#include "script/native_x64_lanes.h"

#if defined(MORFEL_NATIVE_X64)
#include <algorithm>
#include <cstdio>

namespace native {
namespace x64 {

namespace {

struct Shaper {
  const Plan& plan;
  const Instruction* records;
  LanesShape* shape;
  std::vector<bool> assigned;  // by variable: anywhere in the program
  std::vector<bool> loaded;    // by variable: by the driver
  bool failed = false;

  void Fail(const char* reason) {
    if (failed) return;
    failed = true;
    std::snprintf(shape->reason, sizeof shape->reason, "%s", reason);
  }

  int32_t Variable(double* cell) {
    auto found = std::find(shape->cells.begin(), shape->cells.end(), cell);
    if (found != shape->cells.end()) return static_cast<int32_t>(found - shape->cells.begin());
    shape->cells.push_back(cell);
    assigned.push_back(false);
    loaded.push_back(false);
    return static_cast<int32_t>(shape->cells.size()) - 1;
  }

  bool IsMarker(int32_t index, int32_t code) const {
    return index >= 0 && index < static_cast<int32_t>(plan.records.size()) &&
           records[index].kind == KIND_OP && records[index].code == code;
  }

  const PlannedRecord& RecordAt(int32_t index) const {
    return plan.records[static_cast<size_t>(index)];
  }

  void Read(double* cell, const std::vector<bool>& defined) {
    const size_t v = static_cast<size_t>(Variable(cell));
    if (assigned[v] && !loaded[v] && !defined[v])
      Fail("a variable is read before the program sets it");
  }

  void Walk(int32_t begin, int32_t end, std::vector<bool>& defined, int32_t depth);
  int32_t WalkIf(int32_t index, int32_t end, std::vector<bool>& defined, int32_t depth);
  int32_t WalkLoop(int32_t index, int32_t end, std::vector<bool>& defined, int32_t depth);
};

void Shaper::Walk(int32_t begin, int32_t end, std::vector<bool>& defined, int32_t depth) {
  for (int32_t i = begin; i < end && !failed;) {
    const PlannedRecord& step = RecordAt(i);
    switch (step.action) {
      case PlanAction::kNothing:
        if (IsMarker(i, OP_LOOP_START)) {
          i = WalkLoop(i, end, defined, depth);
          continue;
        }
        break;  // an IF-END
      case PlanAction::kEmpty:
      case PlanAction::kConst:
      case PlanAction::kText:  // read by built-ins alone
        break;
      case PlanAction::kVar:
        if (!OnlyAssignedTo(plan, shape->jumpTarget, i)) Read(step.cell, defined);
        break;
      case PlanAction::kAssign:
        if (step.cell != nullptr) defined[static_cast<size_t>(Variable(step.cell))] = true;
        break;
      case PlanAction::kOperator:
        if (step.op == PlanOperator::kRemainder) Fail("a remainder");
        break;
      case PlanAction::kTest:
        if (IsMarker(i, OP_IF_TEST)) {
          i = WalkIf(i, end, defined, depth);
          continue;
        }
        return Fail("a loop test outside its loop");
      case PlanAction::kCall:
        return Fail("a built-in");
      default:
        return Fail("an exit, a stop or a jump of its own");
    }
    ++i;
  }
}

int32_t Shaper::WalkIf(int32_t index, int32_t end, std::vector<bool>& defined, int32_t depth) {
  const PlannedRecord& test = RecordAt(index);
  LaneBlock block;
  block.test = index;
  const int32_t after = test.target;  // after the ELSE or the IF-END
  if (test.depth != 1 || after <= index + 1 || after > end) {
    Fail("an if of another shape");
    return end;
  }
  block.end = after;
  if (IsMarker(after - 1, OP_ELSE) && RecordAt(after - 1).action == PlanAction::kJump) {
    block.elseJump = after - 1;
    block.end = RecordAt(after - 1).target;
    if (block.end < after || block.end > end) block.end = -1;
  }
  if (block.end < 0 || !IsMarker(block.end - 1, OP_IF_END)) {
    Fail("an if of another shape");
    return end;
  }
  std::vector<bool> taken = defined;
  Walk(index + 1, block.elseJump >= 0 ? block.elseJump : after, taken, depth + 1);
  std::vector<bool> other = defined;
  if (block.elseJump >= 0) Walk(after, block.end, other, depth + 1);
  // Only what both ways assign is assigned after the if.
  other.resize(taken.size(), false);
  defined.resize(taken.size(), false);
  for (size_t v = 0; v < taken.size(); ++v) defined[v] = taken[v] && other[v];
  shape->blockAt[static_cast<size_t>(index)] = static_cast<int32_t>(shape->blocks.size());
  shape->blocks.push_back(block);
  shape->nesting = std::max(shape->nesting, depth + 1);
  return block.end;
}

// LOOP-START, the condition, LOOP-TEST, the body, LOOP-END back to the
// condition; a condition holds no markers.
int32_t Shaper::WalkLoop(int32_t index, int32_t end, std::vector<bool>& defined, int32_t depth) {
  int32_t test = index + 1;
  while (test < end && !IsMarker(test, OP_LOOP_TEST)) {
    const PlanAction action = RecordAt(test).action;
    if (action != PlanAction::kConst && action != PlanAction::kVar &&
        action != PlanAction::kOperator && action != PlanAction::kAssign &&
        action != PlanAction::kText)
      break;
    ++test;
  }
  const int32_t after = test < end ? RecordAt(test).target : -1;
  if (!IsMarker(test, OP_LOOP_TEST) || RecordAt(index).depth != 0 || RecordAt(test).depth != 1 ||
      after <= test + 1 || after > end || !IsMarker(after - 1, OP_LOOP_END) ||
      RecordAt(after - 1).action != PlanAction::kLoopBack ||
      RecordAt(after - 1).target != index + 1) {
    Fail("a loop of another shape");
    return end;
  }
  // The condition runs at least once; the body perhaps never.
  Walk(index + 1, test, defined, depth + 1);
  std::vector<bool> body = defined;
  Walk(test + 1, after - 1, body, depth + 1);
  defined.resize(body.size(), false);
  LaneBlock block;
  block.loop = true;
  block.test = test;
  block.end = after;
  shape->blockAt[static_cast<size_t>(index)] = static_cast<int32_t>(shape->blocks.size());
  shape->blocks.push_back(block);
  shape->nesting = std::max(shape->nesting, depth + 1);
  return after;
}

}  // namespace

void ShapeLanes(const Plan& plan, const Instruction* records, const RowCells& row,
                LanesShape* shape) {
  *shape = LanesShape{};
  // Each pixel of a program naming r or t starts with its polar position,
  // which the lanes do not work out: the scalar row function runs those.
  if (row.polarNamed) return;
  const int32_t count = static_cast<int32_t>(plan.records.size());
  shape->blockAt.assign(static_cast<size_t>(count), -1);
  shape->jumpTarget.assign(static_cast<size_t>(count) + 1, false);
  for (const PlannedRecord& step : plan.records)
    if (step.action == PlanAction::kJump || step.action == PlanAction::kTest ||
        step.action == PlanAction::kLoopBack)
      shape->jumpTarget[static_cast<size_t>(step.target)] = true;
  Shaper shaper{plan, records, shape, {}, {}};
  // The driver's cells first, in a known order.
  double* const driven[] = {row.blue, row.green, row.red, row.alpha, row.x, row.y};
  for (int32_t k = 0; k < 6; ++k) {
    const int32_t v = shaper.Variable(driven[k]);
    shaper.loaded[static_cast<size_t>(v)] = true;
    if (k < 4) shape->colour[k] = v;
  }
  shape->x = shaper.Variable(row.x);
  shape->y = shaper.Variable(row.y);
  shape->cx = shaper.Variable(row.cx);
  shape->cy = shaper.Variable(row.cy);
  shape->coord = shaper.Variable(row.coord);
  for (const PlannedRecord& step : plan.records) {
    if (step.action == PlanAction::kVar) shaper.Variable(step.cell);
    if (step.action == PlanAction::kAssign && step.cell != nullptr)
      shaper.assigned[static_cast<size_t>(shaper.Variable(step.cell))] = true;
  }
  if (shaper.assigned[static_cast<size_t>(shape->cx)] ||
      shaper.assigned[static_cast<size_t>(shape->cy)])
    shaper.Fail("the program moves the centre");
  std::vector<bool> defined(shape->cells.size(), false);
  shaper.Walk(0, count, defined, 0);
  // The driver reads coord after the program.
  const size_t coord = static_cast<size_t>(shape->coord);
  if (shaper.assigned[coord] && !defined[coord]) shaper.Fail("coord is set on some paths only");
  if (shaper.failed) return;
  for (size_t v = 0; v < shape->cells.size(); ++v) {
    LaneVariable kind = LaneVariable::kReadOnly;
    if (shaper.loaded[v])
      kind = shaper.assigned[v] ? LaneVariable::kLoaded : LaneVariable::kDriven;
    else if (shaper.assigned[v])
      kind = defined[v] ? LaneVariable::kWhole : LaneVariable::kTracked;
    shape->kinds.push_back(kind);
  }
  shape->ok = true;
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
