// The machine code of each record of a program's plan.
#include "script/native_x64_emitter.h"

#if defined(MORFEL_NATIVE_X64)
#include <cmath>

#include "script/builtins.h"
#include "script/operators.h"

namespace native {
namespace x64 {

bool KeepGoingFromCode(ScriptEngine* engine) { return engine->KeepGoing(); }

namespace {

double RemainderFromCode(ScriptEngine&, const double* args, const char*) {
  return script_operators::Remainder(args[0], args[1]);
}

}  // namespace

void Emitter::EmitStep(int32_t index, const PlannedRecord& step) {
  const int32_t depth = step.depth;
  switch (step.action) {
    case PlanAction::kUnreached:
    case PlanAction::kNothing:
      break;
    case PlanAction::kEmpty:
      return GoOn(index + 1, 0);
    case PlanAction::kConst: {
      Xmm into = depth < kSlotRegisters ? SlotRegister(depth) : xmm13;
      if (step.value == 0.0 && !std::signbit(step.value))
        xorpd(into, into);
      else
        movsd(into, ptr[rip + Constant(step.value)]);
      Put(depth, into);
      return GoOn(index + 1, depth + 1);
    }
    case PlanAction::kVar: {
      const int32_t v = VariableIndex(step.cell);
      if (OnlyAssignedTo(plan, jumpTarget, index)) {
        // nothing to load: the value is never read
      } else if (v >= 0) {
        Put(depth, VariableRegister(v));
      } else {
        Xmm into = depth < kSlotRegisters ? SlotRegister(depth) : xmm13;
        mov(r11, reinterpret_cast<uint64_t>(step.cell));
        movsd(into, qword[r11]);
        Put(depth, into);
      }
      return GoOn(index + 1, depth + 1);
    }
    case PlanAction::kText:
      mov(r11, reinterpret_cast<uint64_t>(program.texts[static_cast<size_t>(index)]));
      mov(qword[rsp + 32], r11);
      return GoOn(index + 1, depth);
    case PlanAction::kJump:
      jmp(Target(step.target, depth), T_NEAR);
      return;
    case PlanAction::kTest: {
      Xmm value = Fetch(depth - 1, xmm14);
      Label goOn;
      xorpd(xmm15, xmm15);
      ucomisd(value, xmm15);
      jp(goOn, T_NEAR);
      je(Target(step.target, depth - 1), T_NEAR);
      L(goOn);
      return GoOn(index + 1, depth - 1);
    }
    case PlanAction::kLoopBack:
      return EmitLoopBack(step);
    case PlanAction::kAssign: {
      Xmm value = Fetch(depth - 1, xmm14);
      if (!EmptiedNext(index)) Put(depth - 2, value);  // the statement's value
      if (step.cell != nullptr) {
        const int32_t v = VariableIndex(step.cell);
        if (v >= 0) {
          movapd(VariableRegister(v), value);
        } else {
          mov(r11, reinterpret_cast<uint64_t>(step.cell));
          movsd(qword[r11], value);
        }
      }
      return GoOn(index + 1, depth - 1);
    }
    case PlanAction::kOperator:
      EmitOperator(step);
      return GoOn(index + 1, depth - step.takes + 1);
    case PlanAction::kCall:
      if (!EmitPixelCall(step) && !EmitStencilCall(step) && !EmitMinMax(step))
        EmitCall(depth, step.takes, step.handler, true);
      return GoOn(index + 1, depth - step.takes + 1);
    case PlanAction::kExit:
      return EndWithValue(depth, Ending::kExited);
    case PlanAction::kStop:
      return EndWith(StoppedCode(step.stop));
  }
  GoOn(index + 1, depth);
}

void Emitter::EmitFused(int32_t index) {
  const PlannedRecord& operand = plan.records[static_cast<size_t>(index)];
  const PlannedRecord& step = plan.records[static_cast<size_t>(index) + 1];
  const int32_t depth = step.depth;  // the operand's place: depth - 1
  Xmm a = Fetch(depth - 2, xmm13);
  if (operand.action == PlanAction::kConst) {
    ApplyOperator(step.op, a, ptr[rip + Constant(operand.value)]);
  } else {
    const int32_t v = VariableIndex(operand.cell);
    if (v >= 0) {
      ApplyOperator(step.op, a, VariableRegister(v));
    } else {
      mov(r11, reinterpret_cast<uint64_t>(operand.cell));
      ApplyOperator(step.op, a, qword[r11]);
    }
  }
  Put(depth - 2, a);
  GoOn(index + 2, depth - 1);
}

// a = a op b for the arithmetic and the comparisons but > and >=, whose
// operands cmpsd takes the other way round (EmitOperator).
void Emitter::ApplyOperator(PlanOperator op, const Xmm& a, const Xbyak::Operand& b) {
  switch (op) {
    case PlanOperator::kAdd:
      return addsd(a, b);
    case PlanOperator::kSubtract:
      return subsd(a, b);
    case PlanOperator::kMultiply:
      return mulsd(a, b);
    case PlanOperator::kDivide: {
      Label divide;
      Label done;
      xorpd(xmm15, xmm15);
      ucomisd(xmm15, b);  // equal or unordered either way round
      jp(divide, T_NEAR);
      jne(divide, T_NEAR);
      xorpd(a, a);
      jmp(done, T_NEAR);
      L(divide);
      divsd(a, b);
      L(done);
      return;
    }
    case PlanOperator::kLess:
      cmpltsd(a, b);
      break;
    case PlanOperator::kLessEqual:
      cmplesd(a, b);
      break;
    case PlanOperator::kEqual:
      cmpeqsd(a, b);
      break;
    case PlanOperator::kNotEqual:
      cmpneqsd(a, b);  // unordered: true, as a != b is for NaN
      break;
    default:
      return;
  }
  andpd(a, ptr[rip + one]);
}

// One unit of the run budget, as the interpreter counts it; its check
// sees the variables in their cells.
void Emitter::EmitLoopBack(const PlannedRecord& step) {
  SpendUnit();
  jg(Target(step.target, step.depth), T_NEAR);
  SpillSlots(step.depth);
  StoreVariables();
  mov(Argument(0), rbx);
  mov(r10, reinterpret_cast<uint64_t>(&KeepGoingFromCode));
  call(r10);
  ReloadSlots(0, step.depth);
  LoadVariables();
  test(al, al);
  jnz(Target(step.target, step.depth), T_NEAR);
  EndWith(StoppedCode(StopReason::kInterrupted));
}

// A handler on the top `takes` values, read from their homes; the result
// takes the first argument's place. A built-in that may change the run's
// planes (exchange them, load a slot) has them read again after it.
void Emitter::EmitCall(int32_t depth, int32_t takes, BuiltinHandler handler, bool mayMovePlanes) {
  const int32_t first = depth - takes;
  SpillSlots(depth);
  StoreVariables();
  mov(Argument(0), rbx);
  lea(Argument(1), ptr[rsp + homeOffset + 8 * first]);
  mov(Argument(2), qword[rsp + 32]);
  mov(r10, reinterpret_cast<uint64_t>(handler));
  call(r10);
  if (mayMovePlanes && inlinesPixels) {
    movsd(Home(first), xmm0);
    RefreshPlanes();
    movsd(xmm0, Home(first));
  }
  Put(first, xmm0);
  ReloadSlots(0, first);
  LoadVariables();
}

// The truth of `value` as a mask in `into`: |value| >= 1, NaN false,
// which is TruncateToInt32(value) != 0.
void Emitter::TruthMask(const Xmm& into, const Xmm& value, const Xmm& scratch) {
  movapd(scratch, value);
  andpd(scratch, ptr[rip + absMask]);
  movsd(into, ptr[rip + one]);
  cmplesd(into, scratch);
}

// a = a and b, or a = a or b, bit by bit: for truth values and masks.
void Emitter::CombineTruths(PlanOperator op, const Xmm& a, const Xmm& b) {
  if (op == PlanOperator::kAnd)
    andpd(a, b);
  else
    orpd(a, b);
}

// min(a, b) is b < a ? b : a and max(a, b) is b > a ? b : a, a NaN giving
// a: exactly what minsd and maxsd give with b as their destination.
bool Emitter::EmitMinMax(const PlannedRecord& step) {
  const bool min = step.handler == &BuiltinMin;
  if (!min && step.handler != &BuiltinMax) return false;
  const int32_t first = step.depth - step.takes;
  Xmm a = Fetch(first, xmm13);
  movapd(xmm15, Fetch(first + 1, xmm14));
  if (min)
    minsd(xmm15, a);
  else
    maxsd(xmm15, a);
  Put(first, xmm15);
  return true;
}

void Emitter::EmitOperator(const PlannedRecord& step) {
  const int32_t depth = step.depth;
  if (step.op == PlanOperator::kNegate) {
    Xmm value = Fetch(depth - 1, xmm13);
    xorpd(value, ptr[rip + signMask]);
    return Put(depth - 1, value);
  }
  if (step.op == PlanOperator::kRemainder) return EmitCall(depth, 2, &RemainderFromCode);
  Xmm a = Fetch(depth - 2, xmm13);
  Xmm b = Fetch(depth - 1, xmm14);
  Xmm result = a;
  if (AppliesDirectly(step.op)) {
    ApplyOperator(step.op, a, b);
    return Put(depth - 2, result);
  }
  switch (step.op) {
    case PlanOperator::kGreater:
    case PlanOperator::kGreaterEqual:
      movapd(xmm15, b);
      if (step.op == PlanOperator::kGreater)
        cmpltsd(xmm15, a);
      else
        cmplesd(xmm15, a);
      andpd(xmm15, ptr[rip + one]);
      result = xmm15;
      break;
    case PlanOperator::kAnd:
    case PlanOperator::kOr:
      if (truthValue[static_cast<size_t>(depth) - 2] &&
          truthValue[static_cast<size_t>(depth) - 1]) {
        // Both are exactly 0.0 or 1.0, whose bits combine as the truths do.
        CombineTruths(step.op, a, b);
        break;
      }
      TruthMask(xmm15, a, xmm13);
      TruthMask(xmm13, b, xmm14);
      CombineTruths(step.op, xmm15, xmm13);
      andpd(xmm15, ptr[rip + one]);
      result = xmm15;
      break;
    default:  // ApplyOperator, a call, one operand (above); markers and
              // assignment have actions of their own in the plan
      break;
  }
  Put(depth - 2, result);
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
