// What the records around one allow the emitter to leave out: a variable or
// constant that is the right operand of the next record's operator is used
// where it is, not copied onto the stack first; values known to be exactly
// 0.0 or 1.0 on the straight run of code being written (comparisons and
// logical operators give nothing else) combine without a truth test; a
// variable pushed only to be assigned to is not loaded.
#include "script/native_x64_emitter.h"

#if defined(MORFEL_NATIVE_X64)
#include <cstring>

namespace native {
namespace x64 {

void Emitter::FindJumpTargets() {
  jumpTarget.assign(static_cast<size_t>(count) + 1, false);
  for (const PlannedRecord& step : plan.records) {
    if (step.action == PlanAction::kJump || step.action == PlanAction::kTest ||
        step.action == PlanAction::kLoopBack)
      jumpTarget[static_cast<size_t>(step.target)] = true;
  }
}

bool Emitter::FusesWithNext(int32_t index) const {
  const PlannedRecord& step = plan.records[static_cast<size_t>(index)];
  if (step.action != PlanAction::kConst && step.action != PlanAction::kVar) return false;
  if (index + 1 >= count || jumpTarget[static_cast<size_t>(index) + 1]) return false;
  const PlannedRecord& next = plan.records[static_cast<size_t>(index) + 1];
  if (next.action != PlanAction::kOperator || next.takes != 2 || next.depth != step.depth + 1)
    return false;
  return AppliesDirectly(next.op);
}

bool AppliesDirectly(PlanOperator op) {
  switch (op) {
    case PlanOperator::kAdd:
    case PlanOperator::kSubtract:
    case PlanOperator::kMultiply:
    case PlanOperator::kDivide:
    case PlanOperator::kLess:
    case PlanOperator::kLessEqual:
    case PlanOperator::kEqual:
    case PlanOperator::kNotEqual:
      return true;
    default:
      return false;
  }
}

bool IsComparison(PlanOperator op) {
  switch (op) {
    case PlanOperator::kLess:
    case PlanOperator::kLessEqual:
    case PlanOperator::kGreater:
    case PlanOperator::kGreaterEqual:
    case PlanOperator::kEqual:
    case PlanOperator::kNotEqual:
      return true;
    default:
      return false;
  }
}

bool Emitter::GivesTruthValue(PlanOperator op) {
  return IsComparison(op) || op == PlanOperator::kAnd || op == PlanOperator::kOr;
}

void Emitter::NoteTruthValue(const PlannedRecord& step) {
  const size_t depth = static_cast<size_t>(step.depth);
  switch (step.action) {
    case PlanAction::kConst:
      truthValue[depth] = IsTruthValue(step.value);
      break;
    case PlanAction::kVar:
      truthValue[depth] = false;
      break;
    case PlanAction::kAssign:
      truthValue[depth - 2] = truthValue[depth - 1];
      break;
    case PlanAction::kOperator:
      truthValue[depth - static_cast<size_t>(step.takes)] = GivesTruthValue(step.op);
      break;
    case PlanAction::kCall:
      truthValue[depth - static_cast<size_t>(step.takes)] = false;
      break;
    default:
      break;
  }
}

bool Emitter::IsTruthValue(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits == 0 || bits == 0x3FF0000000000000ull;
}

bool OnlyAssignedTo(const Plan& plan, const std::vector<bool>& jumpTarget, int32_t index) {
  const int32_t count = static_cast<int32_t>(plan.records.size());
  const int32_t slot = plan.records[static_cast<size_t>(index)].depth;
  for (int32_t j = index + 1; j < count; ++j) {
    if (jumpTarget[static_cast<size_t>(j)]) return false;
    const PlannedRecord& step = plan.records[static_cast<size_t>(j)];
    switch (step.action) {
      case PlanAction::kConst:
      case PlanAction::kVar:
      case PlanAction::kText:
        continue;
      case PlanAction::kOperator:
      case PlanAction::kCall:
        if (step.depth - step.takes <= slot) return false;
        continue;
      case PlanAction::kAssign:
        if (step.depth - 2 == slot) return true;
        if (step.depth - 2 < slot) return false;
        continue;
      default:
        return false;
    }
  }
  return false;
}

// True when the record after `index` empties the stack, reached from
// nowhere else.
bool Emitter::EmptiedNext(int32_t index) const {
  const size_t next = static_cast<size_t>(index) + 1;
  return next < plan.records.size() && !jumpTarget[next] &&
         plan.records[next].action == PlanAction::kEmpty;
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
