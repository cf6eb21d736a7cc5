// The vector lanes' row function (native_x64_lanes.h says how it works):
// its frame and registers, and the code of each record of the program, the
// scalar code's operations four lanes wide.
#include "script/native_x64_lanes.h"

#if defined(MORFEL_NATIVE_X64)
#include <xbyak/xbyak_util.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace native {
namespace x64 {

namespace {

constexpr int32_t kLaneVariableRegisters = 6;
constexpr int32_t kFirstLaneVariable = 6;
constexpr int32_t kMaskRegister = 12;

// vcmppd's predicates, with the scalar code's answer for NaN.
enum Predicate : uint8_t {
  kEqualOrdered = 0,       // cmpeqsd
  kLessOrdered = 1,        // cmpltsd
  kLessEqualOrdered = 2,   // cmplesd
  kNotEqualUnordered = 4,  // cmpneqsd: NaN is unequal
  kGreaterEqualOrdered = 13,
};

bool IsPositiveZero(double value) { return value == 0.0 && !std::signbit(value); }

}  // namespace

bool LanesRunHere() {
  static const bool runs = [] {
    const Xbyak::util::Cpu cpu;
    return cpu.has(Xbyak::util::Cpu::tAVX2) && cpu.has(Xbyak::util::Cpu::tPOPCNT);
  }();
  return runs;
}

LanesEmitter::LanesEmitter(void* memory, size_t size, const Plan& plan, const LanesShape& shape,
                           ScriptEngine& engine)
    : Xbyak::CodeGenerator(size, memory),
      plan(plan),
      shape(shape),
      engine(engine),
      count(static_cast<int32_t>(plan.records.size())),
      registerOf(shape.cells.size(), -1) {
  int32_t next = 0;
  for (double* cell : plan.hotCells) {
    const int32_t v = VariableOf(cell);
    if (v < 0 || next == kLaneVariableRegisters) continue;
    registerOf[static_cast<size_t>(v)] = kFirstLaneVariable + next++;
  }
}

void LanesEmitter::Generate() {
  FindInvariants();
  held.assign(static_cast<size_t>(plan.maxDepth) + 1, Held::kNumber);
  LayOutFrame();
  Prologue();
  L(groupLoop);
  EmitGroupStart();
  EmitRange(0, count);
  EmitGroupEnd();
  EmitHandOver();
  EmitEpilogue();
  EmitConstants();
}

void LanesEmitter::LayOutFrame() {
  const int32_t variables = static_cast<int32_t>(shape.cells.size());
  homeOffset = 0;
  slotOffset = homeOffset + 32 * (plan.maxDepth > 0 ? plan.maxDepth : 1);
  maskOffset = slotOffset + 32 * variables;
  nestOffset = maskOffset + 32 * variables;
  laneOffset = nestOffset + 64 * shape.nesting;
  invariantOffset = laneOffset + 32;
  keptOffset = invariantOffset + 32 * static_cast<int32_t>(invariants.size());
  workOffset = keptOffset + 32 * static_cast<int32_t>(kept.size());
  saveOffset = workOffset + 32;
  frameSize = saveOffset + (kWindowsAbi ? 160 : 0);
}

int32_t LanesEmitter::VariableOf(const double* cell) const {
  for (size_t v = 0; v < shape.cells.size(); ++v)
    if (shape.cells[v] == cell) return static_cast<int32_t>(v);
  return -1;
}

// rbx the engine, r13 the row's frame, r14d the column; rbp keeps the
// caller's rsp while rsp is aligned for the 32-byte slots.
void LanesEmitter::Prologue() {
  for (const Reg64& saved : {rbx, r12, r13, r14, r15, rbp}) push(saved);
  mov(rbp, rsp);
  sub(rsp, frameSize);
  and_(rsp, -32);
  if (kWindowsAbi) {
    for (int32_t k = 0; k < 10; ++k) movdqu(ptr[rsp + saveOffset + 16 * k], Xmm(6 + k));
    mov(rbx, rcx);
    mov(r13, r8);
  } else {
    mov(rbx, rdi);
    mov(r13, rdx);
  }
  mov(r14d, dword[r13 + FrameOffset(&CompiledRowFrame::column)]);
  mov(r15d, r14d);
  // Every lane of every variable starts as its cell: the read-only ones
  // stay so, the others are assigned before they are read.
  for (size_t v = 0; v < shape.cells.size(); ++v) {
    mov(r11, reinterpret_cast<uint64_t>(shape.cells[v]));
    vbroadcastsd(ymm13, qword[r11]);
    SetVariable(static_cast<int32_t>(v), ymm13);
  }
}

void LanesEmitter::EmitEpilogue() {
  L(epilogue);
  if (kWindowsAbi)
    for (int32_t k = 0; k < 10; ++k) movdqu(Xmm(6 + k), ptr[rsp + saveOffset + 16 * k]);
  vzeroupper();
  mov(rsp, rbp);
  for (const Reg64& saved : {rbp, r15, r14, r13, r12, rbx}) pop(saved);
  ret();
}

LanesEmitter::Ymm LanesEmitter::Fetch(int32_t k, const Ymm& scratch) {
  if (k < kSlotRegisters) return Ymm(k);
  vmovupd(scratch, Home(k));
  return scratch;
}

void LanesEmitter::Put(int32_t k, const Ymm& value) {
  if (k < kSlotRegisters) {
    if (value.getIdx() != k) vmovapd(Ymm(k), value);
  } else {
    vmovupd(Home(k), value);
  }
}

LanesEmitter::Ymm LanesEmitter::ReadVariable(int32_t v, const Ymm& scratch) {
  const int32_t reg = RegisterOf(v);
  if (reg >= 0) return Ymm(reg);
  vmovupd(scratch, Slot(v));
  return scratch;
}

void LanesEmitter::SetVariable(int32_t v, const Ymm& value) {
  const int32_t reg = RegisterOf(v);
  if (reg >= 0)
    vmovapd(Ymm(reg), value);
  else
    vmovupd(Slot(v), value);
}

// Under an if only the running lanes take the value (a loop keeps its
// variables instead: see Kept); a tracked variable notes which lanes did. ymm13 and ymm15 are
// scratch.
void LanesEmitter::AssignVariable(int32_t v, const Ymm& value) {
  const Ymm mask(kMaskRegister);
  if (!blending) {
    SetVariable(v, value);
  } else if (RegisterOf(v) >= 0) {
    const Ymm reg(RegisterOf(v));
    vblendvpd(reg, reg, value, mask);
  } else {
    vmovupd(ymm15, Slot(v));
    vblendvpd(ymm15, ymm15, value, mask);
    vmovupd(Slot(v), ymm15);
  }
  if (shape.kinds[static_cast<size_t>(v)] == LaneVariable::kTracked) {
    vmovupd(ymm13, MaskOf(v));
    vorpd(ymm13, ymm13, mask);
    vmovupd(MaskOf(v), ymm13);
  }
}

const Xbyak::Label& LanesEmitter::Constant(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  for (auto& entry : constants)
    if (entry.first == bits) return *entry.second;
  constants.emplace_back(bits, std::make_unique<Xbyak::Label>());
  return *constants.back().second;
}

void LanesEmitter::EmitConstants() {
  align(32);
  const struct {
    Xbyak::Label* label;
    uint64_t bits;
  } wide[] = {{&one, 0x3FF0000000000000ull},
              {&absMask, 0x7FFFFFFFFFFFFFFFull},
              {&signMask, 0x8000000000000000ull},
              {&byteMax, 0x406FE00000000000ull}};  // 255.0
  for (const auto& entry : wide) {
    L(*entry.label);
    for (int32_t lane = 0; lane < kLanes; ++lane) dq(entry.bits);
  }
  for (auto& entry : constants) {
    L(*entry.second);
    for (int32_t lane = 0; lane < kLanes; ++lane) dq(entry.first);
  }
  L(laneSteps);
  for (uint32_t lane = 0; lane < kLanes; ++lane) dd(lane);
  // Byte c of each 3-byte pixel into a 32-bit lane; and back.
  for (int32_t c = 0; c < 3; ++c) {
    L(spread[c]);
    for (int32_t lane = 0; lane < kLanes; ++lane) {
      db(static_cast<uint8_t>(3 * lane + c));
      for (int32_t k = 0; k < 3; ++k) db(0x80);
    }
  }
  L(pack);
  for (int32_t lane = 0; lane < kLanes; ++lane)
    for (int32_t k = 0; k < 3; ++k) db(static_cast<uint8_t>(4 * lane + k));
  for (int32_t k = 0; k < 4; ++k) db(0x80);
}

// ---- the program's records

namespace {

bool IsTruthValue(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits == 0 || bits == 0x3FF0000000000000ull;
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

}  // namespace

// Loops from the outermost in: a value is worked out before the outermost
// loop that leaves it alike.
void LanesEmitter::FindInvariants() {
  invariantAt.assign(static_cast<size_t>(count), -1);
  for (int32_t s = 0; s < count; ++s) {
    const int32_t block = shape.blockAt[static_cast<size_t>(s)];
    if (block >= 0 && shape.blocks[static_cast<size_t>(block)].loop)
      FindInvariantsOf(shape.blocks[static_cast<size_t>(block)], s);
  }
}

// The stack's values followed through the loop's records: an operator whose
// operands are constants, variables the loop never assigns and such values
// gives one; the widest of them are kept.
void LanesEmitter::FindInvariantsOf(const LaneBlock& block, int32_t start) {
  const int32_t end = block.end - 1;  // its LOOP-END
  std::vector<const double*> assigned;
  for (int32_t j = start + 1; j < end; ++j) {
    const PlannedRecord& step = plan.records[static_cast<size_t>(j)];
    if (step.action != PlanAction::kAssign || step.cell == nullptr ||
        std::find(assigned.begin(), assigned.end(), step.cell) != assigned.end())
      continue;
    assigned.push_back(step.cell);
    kept.push_back({start, VariableOf(step.cell)});
  }
  const auto alike = [&assigned](const double* cell) {
    return std::find(assigned.begin(), assigned.end(), cell) == assigned.end();
  };
  struct Value {
    int32_t first;
    bool invariant;
  };
  std::vector<Value> stack;
  std::vector<std::pair<int32_t, int32_t>> found;
  for (int32_t j = start + 1; j < end; ++j) {
    const PlannedRecord& step = plan.records[static_cast<size_t>(j)];
    if (static_cast<int32_t>(stack.size()) != step.depth)
      stack.assign(static_cast<size_t>(step.depth), Value{-1, false});
    const int32_t hoisted = invariantAt[static_cast<size_t>(j)];
    if (hoisted >= 0) {  // by a loop around this one
      stack.push_back({j, true});
      j = invariants[static_cast<size_t>(hoisted)].last;
      continue;
    }
    switch (step.action) {
      case PlanAction::kConst:
        stack.push_back({j, true});
        break;
      case PlanAction::kVar:
        stack.push_back({j, alike(step.cell)});
        break;
      case PlanAction::kOperator: {
        const size_t first = stack.size() - static_cast<size_t>(step.takes);
        bool invariant = true;
        for (size_t k = first; k < stack.size(); ++k) invariant = invariant && stack[k].invariant;
        const Value result{stack[first].first, invariant};
        stack.resize(first);
        stack.push_back(result);
        if (invariant) found.emplace_back(result.first, j);
        break;
      }
      default:
        break;  // the next record's depth puts the stack right
    }
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return a.first < b.first || (a.first == b.first && a.second > b.second);
  });
  int32_t covered = -1;
  for (const auto& range : found) {
    if (range.second <= covered) continue;  // inside a wider one
    covered = range.second;
    invariantAt[static_cast<size_t>(range.first)] = static_cast<int32_t>(invariants.size());
    invariants.push_back({start, range.first, range.second});
  }
}

void LanesEmitter::EmitRange(int32_t begin, int32_t end, bool hoisting) {
  for (int32_t i = begin; i < end;) {
    const int32_t hoisted = hoisting ? -1 : invariantAt[static_cast<size_t>(i)];
    if (hoisted >= 0) {
      const int32_t depth = plan.records[static_cast<size_t>(i)].depth;
      const Ymm top = depth < kSlotRegisters ? Ymm(depth) : ymm13;
      vmovupd(top, InvariantSlot(hoisted));
      Put(depth, top);
      held[static_cast<size_t>(depth)] = Held::kNumber;
      i = invariants[static_cast<size_t>(hoisted)].last + 1;
      continue;
    }
    const int32_t block = shape.blockAt[static_cast<size_t>(i)];
    if (block >= 0) {
      i = shape.blocks[static_cast<size_t>(block)].loop ? EmitLoop(i) : EmitIf(i);
      continue;
    }
    if (FusesWithNext(i)) {
      EmitFused(i);
      i += 2;
      continue;
    }
    EmitStep(i);
    ++i;
  }
}

// ymm15 = the lanes whose value at the top of the stack is true (not 0;
// NaN is true, as the scalar test goes on for it).
void LanesEmitter::TestMask(int32_t depth) {
  const Ymm value = Fetch(depth - 1, ymm14);
  if (held[static_cast<size_t>(depth) - 1] == Held::kMask) {
    vmovapd(ymm15, value);
    return;
  }
  vxorpd(ymm15, ymm15, ymm15);
  vcmppd(ymm15, value, ymm15, kNotEqualUnordered);
}

// A mask in slot k becomes the number it stands for: 1.0 or 0.0.
void LanesEmitter::MakeNumber(int32_t k) {
  if (held[static_cast<size_t>(k)] != Held::kMask) return;
  held[static_cast<size_t>(k)] = Held::kTruth;
  if (k < kSlotRegisters) return vandpd(Ymm(k), Ymm(k), ptr[rip + one]);
  vmovupd(ymm15, Home(k));
  vandpd(ymm15, ymm15, ptr[rip + one]);
  vmovupd(Home(k), ymm15);
}

void LanesEmitter::EmitFused(int32_t index) {
  const PlannedRecord& operand = plan.records[static_cast<size_t>(index)];
  const PlannedRecord& step = plan.records[static_cast<size_t>(index) + 1];
  const int32_t depth = step.depth;
  MakeNumber(depth - 2);
  const Ymm a = Fetch(depth - 2, ymm13);
  const Ymm into = depth - 2 < kSlotRegisters ? Ymm(depth - 2) : ymm13;
  if (operand.action == PlanAction::kConst) {
    ApplyOperator(step.op, into, a, ptr[rip + Constant(operand.value)]);
  } else {
    const int32_t v = VariableOf(operand.cell);
    if (RegisterOf(v) >= 0)
      ApplyOperator(step.op, into, a, Ymm(RegisterOf(v)));
    else
      ApplyOperator(step.op, into, a, Slot(v));
  }
  held[static_cast<size_t>(depth) - 2] = IsComparison(step.op) ? Held::kMask : Held::kNumber;
  Put(depth - 2, into);
}

// ZF set when no lane runs.
void LanesEmitter::MaskIsEmpty() {
  vmovmskpd(eax, Ymm(kMaskRegister));
  test(eax, eax);
}

int32_t LanesEmitter::EmitIf(int32_t index) {
  const LaneBlock& block =
      shape.blocks[static_cast<size_t>(shape.blockAt[static_cast<size_t>(index)])];
  const Ymm mask(kMaskRegister);
  const int32_t level = nesting;
  Xbyak::Label other;
  Xbyak::Label done;
  TestMask(plan.records[static_cast<size_t>(index)].depth);
  ForgetHeld();
  vmovupd(SavedMask(level), mask);
  vmovupd(Condition(level), ymm15);
  vandpd(mask, mask, ymm15);
  MaskIsEmpty();
  jz(other, T_NEAR);
  const bool wasBlending = blending;
  blending = true;
  ++nesting;
  EmitRange(index + 1, block.elseJump >= 0 ? block.elseJump : block.end);
  --nesting;
  L(other);
  if (block.elseJump >= 0) {
    vmovupd(mask, Condition(level));
    vandnpd(mask, mask, SavedMask(level));
    MaskIsEmpty();
    jz(done, T_NEAR);
    ++nesting;
    EmitRange(block.elseJump + 1, block.end);
    --nesting;
  }
  L(done);
  vmovupd(mask, SavedMask(level));
  blending = wasBlending;
  return block.end;
}

// A lane leaves the loop when its test fails and waits for the others; each
// turn costs a unit of the run budget for every lane that takes it.
int32_t LanesEmitter::EmitLoop(int32_t index) {
  const LaneBlock& block =
      shape.blocks[static_cast<size_t>(shape.blockAt[static_cast<size_t>(index)])];
  const Ymm mask(kMaskRegister);
  const int32_t level = nesting;
  Xbyak::Label head;
  Xbyak::Label leave;
  for (size_t k = 0; k < invariants.size(); ++k) {
    const Invariant& invariant = invariants[k];
    if (invariant.loop != index) continue;
    EmitRange(invariant.first, invariant.last + 1, true);
    const int32_t depth = plan.records[static_cast<size_t>(invariant.first)].depth;
    MakeNumber(depth);
    vmovupd(InvariantSlot(static_cast<int32_t>(k)), Fetch(depth, ymm13));
  }
  for (size_t k = 0; k < kept.size(); ++k)
    if (kept[k].loop == index) vmovupd(KeptSlot(k), ReadVariable(kept[k].variable, ymm13));
  ForgetHeld();
  vmovupd(SavedMask(level), mask);
  const bool wasBlending = blending;
  blending = false;
  L(head);
  ++nesting;
  EmitRange(index + 1, block.test);
  TestMask(plan.records[static_cast<size_t>(block.test)].depth);
  // When lanes leave, those that ran up to this test keep what they have
  // now (the others have kept theirs already).
  Xbyak::Label same;
  vandpd(ymm15, ymm15, mask);
  vmovmskpd(eax, ymm15);
  vmovmskpd(ecx, mask);
  cmp(eax, ecx);
  je(same, T_NEAR);
  for (size_t k = 0; k < kept.size(); ++k) {
    if (kept[k].loop != index) continue;
    const Ymm value = ReadVariable(kept[k].variable, ymm13);
    vmovupd(ymm14, KeptSlot(k));
    vblendvpd(ymm14, ymm14, value, mask);
    vmovupd(KeptSlot(k), ymm14);
  }
  L(same);
  vmovapd(mask, ymm15);
  test(eax, eax);
  jz(leave, T_NEAR);
  EmitRange(block.test + 1, block.end - 1);
  vmovmskpd(eax, mask);
  popcnt(eax, eax);
  sub(dword[rbx + WorkLeftOffset(engine)], eax);
  jle(replay, T_NEAR);
  jmp(head, T_NEAR);
  --nesting;
  L(leave);
  for (size_t k = 0; k < kept.size(); ++k) {
    if (kept[k].loop != index) continue;
    vmovupd(ymm13, KeptSlot(k));
    SetVariable(kept[k].variable, ymm13);
  }
  vmovupd(mask, SavedMask(level));
  blending = wasBlending;
  return block.end;
}

bool LanesEmitter::FusesWithNext(int32_t index) const {
  const PlannedRecord& step = plan.records[static_cast<size_t>(index)];
  if (step.action != PlanAction::kConst && step.action != PlanAction::kVar) return false;
  if (index + 1 >= count || shape.jumpTarget[static_cast<size_t>(index) + 1]) return false;
  const PlannedRecord& next = plan.records[static_cast<size_t>(index) + 1];
  if (next.action != PlanAction::kOperator || next.takes != 2 || next.depth != step.depth + 1)
    return false;
  return AppliesDirectly(next.op);
}

void LanesEmitter::EmitStep(int32_t index) {
  const PlannedRecord& step = plan.records[static_cast<size_t>(index)];
  const int32_t depth = step.depth;
  const Ymm top = depth < kSlotRegisters ? Ymm(depth) : ymm13;
  switch (step.action) {
    case PlanAction::kConst:
      held[static_cast<size_t>(depth)] = IsTruthValue(step.value) ? Held::kTruth : Held::kNumber;
      if (IsPositiveZero(step.value))
        vxorpd(top, top, top);
      else
        vmovapd(top, ptr[rip + Constant(step.value)]);
      return Put(depth, top);
    case PlanAction::kVar:
      held[static_cast<size_t>(depth)] = Held::kNumber;
      if (OnlyAssignedTo(plan, shape.jumpTarget, index)) return;  // never read
      return Put(depth, ReadVariable(VariableOf(step.cell), top));
    case PlanAction::kAssign: {
      MakeNumber(depth - 1);
      held[static_cast<size_t>(depth) - 2] = held[static_cast<size_t>(depth) - 1];
      const Ymm value = Fetch(depth - 1, ymm14);
      const size_t next = static_cast<size_t>(index) + 1;
      const bool emptied = next < plan.records.size() && !shape.jumpTarget[next] &&
                           plan.records[next].action == PlanAction::kEmpty;
      if (!emptied) Put(depth - 2, value);  // the statement's value
      if (step.cell != nullptr) AssignVariable(VariableOf(step.cell), value);
      return;
    }
    case PlanAction::kOperator:
      return EmitOperator(step);
    default:  // markers, the end of a statement, texts: nothing to do here
      return;
  }
}

// into = a op b for the arithmetic and the comparisons but > and >=; a
// comparison gives a mask, whose lanes MakeNumber turns into the scalar
// code's 1.0 or 0.0.
void LanesEmitter::ApplyOperator(PlanOperator op, const Ymm& into, const Ymm& a,
                                 const Xbyak::Operand& b) {
  uint8_t predicate = kEqualOrdered;
  switch (op) {
    case PlanOperator::kAdd:
      return vaddpd(into, a, b);
    case PlanOperator::kSubtract:
      return vsubpd(into, a, b);
    case PlanOperator::kMultiply:
      return vmulpd(into, a, b);
    case PlanOperator::kDivide:
      // 0 where b is 0 (either sign); NaN divides.
      vxorpd(ymm15, ymm15, ymm15);
      vcmppd(ymm15, ymm15, b, kEqualOrdered);
      vdivpd(into, a, b);
      vandnpd(into, ymm15, into);
      return;
    case PlanOperator::kLess:
      predicate = kLessOrdered;
      break;
    case PlanOperator::kLessEqual:
      predicate = kLessEqualOrdered;
      break;
    case PlanOperator::kEqual:
      predicate = kEqualOrdered;
      break;
    case PlanOperator::kNotEqual:
      predicate = kNotEqualUnordered;
      break;
    default:
      return;
  }
  vcmppd(into, a, b, predicate);  // a mask: MakeNumber gives 1.0 or 0.0
}

void LanesEmitter::EmitOperator(const PlannedRecord& step) {
  const int32_t depth = step.depth;
  if (step.op == PlanOperator::kNegate) {
    MakeNumber(depth - 1);
    const Ymm value = Fetch(depth - 1, ymm13);
    const Ymm into = depth - 1 < kSlotRegisters ? Ymm(depth - 1) : ymm13;
    vxorpd(into, value, ptr[rip + signMask]);
    held[static_cast<size_t>(depth) - 1] = Held::kNumber;
    return Put(depth - 1, into);
  }
  Held& left = held[static_cast<size_t>(depth) - 2];
  Held& right = held[static_cast<size_t>(depth) - 1];
  const bool logical = step.op == PlanOperator::kAnd || step.op == PlanOperator::kOr;
  const bool masks = logical && left == Held::kMask && right == Held::kMask;
  if (!masks) {
    MakeNumber(depth - 2);
    MakeNumber(depth - 1);
  }
  const Ymm a = Fetch(depth - 2, ymm13);
  const Ymm b = Fetch(depth - 1, ymm14);
  const Ymm into = depth - 2 < kSlotRegisters ? Ymm(depth - 2) : ymm13;
  if (logical && (masks || (left == Held::kTruth && right == Held::kTruth))) {
    // Two masks, or two values exactly 0.0 or 1.0: their bits combine as
    // the truths do, into a value of the same kind.
    if (step.op == PlanOperator::kAnd)
      vandpd(into, a, b);
    else
      vorpd(into, a, b);
    return Put(depth - 2, into);
  }
  left = IsComparison(step.op) || logical ? Held::kMask : Held::kNumber;
  switch (step.op) {
    case PlanOperator::kGreater:
    case PlanOperator::kGreaterEqual:
      vcmppd(into, b, a, step.op == PlanOperator::kGreater ? kLessOrdered : kLessEqualOrdered);
      break;
    case PlanOperator::kAnd:
    case PlanOperator::kOr:
      // Each truth is |value| >= 1, NaN false: TruncateToInt32 != 0.
      vandpd(ymm15, a, ptr[rip + absMask]);
      vcmppd(ymm15, ymm15, ptr[rip + one], kGreaterEqualOrdered);
      vandpd(ymm14, b, ptr[rip + absMask]);
      vcmppd(ymm14, ymm14, ptr[rip + one], kGreaterEqualOrdered);
      if (step.op == PlanOperator::kAnd)
        vandpd(into, ymm15, ymm14);
      else
        vorpd(into, ymm15, ymm14);
      break;
    default:
      ApplyOperator(step.op, into, a, b);
      break;
  }
  Put(depth - 2, into);
}

size_t WriteLanes(NativeProgram& program, const Plan& plan, ScriptEngine& engine,
                  const RowCells& row) {
  if (!LanesRunHere()) return 0;
  LanesShape shape;
  ShapeLanes(plan, program.records.data(), row, &shape);
  if (!shape.ok) return 0;
  const size_t start = (program.codeBytes + 63) & ~size_t{63};
  if (start >= program.mapped) return 0;
  try {
    LanesEmitter emitter(static_cast<uint8_t*>(program.memory) + start, program.mapped - start,
                         plan, shape, engine);
    emitter.Generate();
    if (emitter.hasUndefinedLabel()) return 0;
    program.codeBytes = start + emitter.getSize();
    return start;
  } catch (...) {
    return 0;  // the scalar row function runs every pixel
  }
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
