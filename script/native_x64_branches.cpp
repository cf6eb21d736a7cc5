// A comparison whose only reader is the test right after it (the condition
// of an if or a while) branches on the processor's flags instead of making
// its 0 or 1 and testing that: the loops people write test a counter
// against a bound on every turn. The flags of ucomisd give each operator's
// answer for NaN too: every comparison but != is false when an operand is
// NaN, != is true.
#include "script/native_x64_emitter.h"

#if defined(MORFEL_NATIVE_X64)

namespace native {
namespace x64 {

// The records the branch takes from `index`: 2 (a comparison, its test),
// 3 (an operand fused into the comparison, the comparison, its test) or 0
// when the records there are not such a branch.
int32_t Emitter::ComparedTestLength(int32_t index) const {
  const auto at = [this](int32_t k) -> const PlannedRecord& {
    return plan.records[static_cast<size_t>(k)];
  };
  const bool fused = FusesWithNext(index);
  const int32_t op = fused ? index + 1 : index;
  if (op + 1 >= count) return 0;
  const PlannedRecord& compare = at(op);
  if (compare.action != PlanAction::kOperator || compare.takes != 2 || !IsComparison(compare.op))
    return 0;
  if (jumpTarget[static_cast<size_t>(op)] || jumpTarget[static_cast<size_t>(op) + 1]) return 0;
  const PlannedRecord& test = at(op + 1);
  if (test.action != PlanAction::kTest || test.depth != compare.depth - 1) return 0;
  return op + 2 - index;
}

// The branch of ComparedTestLength's records: on to the record after the
// test when the comparison holds, to the test's target when it does not.
void Emitter::EmitComparedTest(int32_t index, int32_t length) {
  const bool fused = length == 3;
  const PlannedRecord& compare = plan.records[static_cast<size_t>(index + length - 2)];
  const PlannedRecord& test = plan.records[static_cast<size_t>(index + length - 1)];
  const int32_t depth = compare.depth;  // a at depth - 2, b at depth - 1
  Xmm a = Fetch(depth - 2, xmm13);
  if (!fused) {
    ucomisd(a, Fetch(depth - 1, xmm14));
  } else {
    const PlannedRecord& operand = plan.records[static_cast<size_t>(index)];
    const int32_t v = operand.action == PlanAction::kVar ? VariableIndex(operand.cell) : -1;
    if (operand.action == PlanAction::kConst) {
      ucomisd(a, ptr[rip + Constant(operand.value)]);
    } else if (v >= 0) {
      ucomisd(a, VariableRegister(v));
    } else {
      mov(r11, reinterpret_cast<uint64_t>(operand.cell));
      ucomisd(a, qword[r11]);
    }
  }
  // ucomisd a, b: a > b clears ZF, PF and CF; a < b sets CF; a == b sets
  // ZF; unordered sets all three.
  const Label& otherwise = Target(test.target, depth - 2);
  Label holds;
  switch (compare.op) {
    case PlanOperator::kLess:
      jp(otherwise, T_NEAR);
      jae(otherwise, T_NEAR);
      break;
    case PlanOperator::kLessEqual:
      jp(otherwise, T_NEAR);
      ja(otherwise, T_NEAR);
      break;
    case PlanOperator::kGreater:
      jbe(otherwise, T_NEAR);
      break;
    case PlanOperator::kGreaterEqual:
      jb(otherwise, T_NEAR);
      break;
    case PlanOperator::kEqual:
      jp(otherwise, T_NEAR);
      jne(otherwise, T_NEAR);
      break;
    default:  // kNotEqual: NaN is unequal
      jp(holds, T_NEAR);
      je(otherwise, T_NEAR);
      break;
  }
  L(holds);
  GoOn(index + length, depth - 2);
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
