// min and max with a constant bound, as the clamping filters write them
// (min(max(x + i, left), right) once Init's edges are constants of the
// pass): the constant goes straight to the register the instruction
// answers in instead of through its stack slot.
#include "script/native_x64_emitter.h"

#if defined(MORFEL_NATIVE_X64)
#include "script/builtins.h"

namespace native {
namespace x64 {

// True when record `index` pushes a constant that only the min or max call
// right after it takes, as its second argument.
bool Emitter::BoundsMinMax(int32_t index) const {
  const PlannedRecord& step = plan.records[static_cast<size_t>(index)];
  if (step.action != PlanAction::kConst || index + 1 >= count ||
      jumpTarget[static_cast<size_t>(index) + 1])
    return false;
  const PlannedRecord& call = plan.records[static_cast<size_t>(index) + 1];
  return call.action == PlanAction::kCall && call.takes == 2 && call.depth == step.depth + 1 &&
         (call.handler == &BuiltinMin || call.handler == &BuiltinMax);
}

// EmitMinMax with the constant b read where it is.
void Emitter::EmitBoundedMinMax(int32_t index) {
  const PlannedRecord& bound = plan.records[static_cast<size_t>(index)];
  const PlannedRecord& call = plan.records[static_cast<size_t>(index) + 1];
  const int32_t first = call.depth - 2;
  Xmm a = Fetch(first, xmm13);
  movsd(xmm15, ptr[rip + Constant(bound.value)]);
  if (call.handler == &BuiltinMin)
    minsd(xmm15, a);
  else
    maxsd(xmm15, a);
  Put(first, xmm15);
  GoOn(index + 2, first + 1);
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
