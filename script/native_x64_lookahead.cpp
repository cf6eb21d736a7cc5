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
  for (const Step& step : plan.steps) {
    if (step.action == Action::kJump || step.action == Action::kTest ||
        step.action == Action::kLoopBack)
      jumpTarget[static_cast<size_t>(step.target)] = true;
  }
}

bool Emitter::FusesWithNext(int32_t index) const {
  const Step& step = plan.steps[static_cast<size_t>(index)];
  if (step.action != Action::kConst && step.action != Action::kVar) return false;
  if (index + 1 >= count || jumpTarget[static_cast<size_t>(index) + 1]) return false;
  const Step& next = plan.steps[static_cast<size_t>(index) + 1];
  if (next.action != Action::kOperator || next.takes != 2 || next.depth != step.depth + 1)
    return false;
  return AppliesDirectly(next.op);
}

bool AppliesDirectly(Operator op) {
  switch (op) {
    case Operator::kAdd:
    case Operator::kSubtract:
    case Operator::kMultiply:
    case Operator::kDivide:
    case Operator::kLess:
    case Operator::kLessEqual:
    case Operator::kEqual:
    case Operator::kNotEqual:
      return true;
    default:
      return false;
  }
}

bool Emitter::GivesTruthValue(Operator op) {
  switch (op) {
    case Operator::kLess:
    case Operator::kLessEqual:
    case Operator::kGreater:
    case Operator::kGreaterEqual:
    case Operator::kEqual:
    case Operator::kNotEqual:
    case Operator::kAnd:
    case Operator::kOr:
      return true;
    default:
      return false;
  }
}

void Emitter::NoteTruthValue(const Step& step) {
  const size_t depth = static_cast<size_t>(step.depth);
  switch (step.action) {
    case Action::kConst:
      truthValue[depth] = IsTruthValue(step.value);
      break;
    case Action::kVar:
      truthValue[depth] = false;
      break;
    case Action::kAssign:
      truthValue[depth - 2] = truthValue[depth - 1];
      break;
    case Action::kOperator:
      truthValue[depth - static_cast<size_t>(step.takes)] = GivesTruthValue(step.op);
      break;
    case Action::kCall:
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
  const int32_t count = static_cast<int32_t>(plan.steps.size());
  const int32_t slot = plan.steps[static_cast<size_t>(index)].depth;
  for (int32_t j = index + 1; j < count; ++j) {
    if (jumpTarget[static_cast<size_t>(j)]) return false;
    const Step& step = plan.steps[static_cast<size_t>(j)];
    switch (step.action) {
      case Action::kConst:
      case Action::kVar:
      case Action::kText:
        continue;
      case Action::kOperator:
      case Action::kCall:
        if (step.depth - step.takes <= slot) return false;
        continue;
      case Action::kAssign:
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
  return next < plan.steps.size() && !jumpTarget[next] && plan.steps[next].action == Action::kEmpty;
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
