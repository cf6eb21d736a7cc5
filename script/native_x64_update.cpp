// A statement that updates a variable kept in a register by a constant or
// another variable (i = i + 1, s = s * k), its value unused: the operator
// works on the variable's register itself instead of on a copy that is
// then moved back. The loop counters people write are such statements.
#include "script/native_x64_emitter.h"

#if defined(MORFEL_NATIVE_X64)

namespace native {
namespace x64 {

// True for records from `index`: the variable v pushed as the target, v
// pushed again, an operand fused into its operator (FusesWithNext), the
// assignment into v, and the stack emptied after it; all reached only
// from the record before.
bool Emitter::UpdatesInPlace(int32_t index) const {
  if (index + 5 >= count) return false;
  const auto at = [this](int32_t k) -> const PlannedRecord& { return plan.records[static_cast<size_t>(k)]; };
  for (int32_t k = index + 1; k <= index + 5; ++k)
    if (jumpTarget[static_cast<size_t>(k)]) return false;
  const PlannedRecord& target = at(index);
  const PlannedRecord& read = at(index + 1);
  const PlannedRecord& assign = at(index + 4);
  if (target.action != PlanAction::kVar || read.action != PlanAction::kVar || read.cell != target.cell)
    return false;
  if (VariableIndex(read.cell) < 0 || !OnlyAssignedTo(plan, jumpTarget, index)) return false;
  if (!FusesWithNext(index + 2)) return false;
  const PlannedRecord& op = at(index + 3);
  if (op.depth != target.depth + 3 || !AppliesDirectly(op.op)) return false;
  return assign.action == PlanAction::kAssign && assign.cell == target.cell &&
         assign.depth == target.depth + 2 && EmptiedNext(index + 4);
}

void Emitter::EmitUpdateInPlace(int32_t index) {
  const PlannedRecord& target = plan.records[static_cast<size_t>(index)];
  const PlannedRecord& operand = plan.records[static_cast<size_t>(index) + 2];
  const PlannedRecord& op = plan.records[static_cast<size_t>(index) + 3];
  const Xmm value = VariableRegister(VariableIndex(target.cell));
  if (operand.action == PlanAction::kConst) {
    ApplyOperator(op.op, value, ptr[rip + Constant(operand.value)]);
  } else {
    const int32_t v = VariableIndex(operand.cell);
    if (v >= 0) {
      ApplyOperator(op.op, value, VariableRegister(v));
    } else {
      mov(r11, reinterpret_cast<uint64_t>(operand.cell));
      ApplyOperator(op.op, value, qword[r11]);
    }
  }
  GoOn(index + 5, target.depth + 1);
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
