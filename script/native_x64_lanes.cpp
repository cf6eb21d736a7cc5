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

bool WideLanesRunHere() {
  static const bool runs = [] {
    using Cpu = Xbyak::util::Cpu;
    const Cpu cpu;
    return LanesRunHere() && cpu.has(Cpu::tAVX512F) && cpu.has(Cpu::tAVX512DQ) &&
           cpu.has(Cpu::tAVX512VL);
  }();
  return runs;
}

LanesEmitter::LanesEmitter(void* memory, size_t size, const Plan& plan, const LanesShape& shape,
                           ScriptEngine& engine, int32_t lanes)
    : Xbyak::CodeGenerator(size, memory),
      plan(plan),
      shape(shape),
      engine(engine),
      count(static_cast<int32_t>(plan.records.size())),
      lanes(lanes),
      wide(lanes == kWideLanes),
      width(8 * lanes),
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
  slotOffset = homeOffset + width * (plan.maxDepth > 0 ? plan.maxDepth : 1);
  maskOffset = slotOffset + width * variables;
  nestOffset = maskOffset + width * variables;
  laneOffset = nestOffset + 2 * width * shape.nesting;
  invariantOffset = laneOffset + width;
  keptOffset = invariantOffset + width * static_cast<int32_t>(invariants.size());
  workOffset = keptOffset + width * static_cast<int32_t>(kept.size());
  saveOffset = workOffset + width;
  frameSize = saveOffset + (kWindowsAbi ? 160 : 0);
}

int32_t LanesEmitter::VariableOf(const double* cell) const {
  for (size_t v = 0; v < shape.cells.size(); ++v)
    if (shape.cells[v] == cell) return static_cast<int32_t>(v);
  return -1;
}

// rbx the engine, r13 the row's frame, r14d the column; rbp keeps the
// caller's rsp while rsp is aligned for the slots.
void LanesEmitter::Prologue() {
  for (const Reg64& saved : {rbx, r12, r13, r14, r15, rbp}) push(saved);
  mov(rbp, rsp);
  sub(rsp, frameSize);
  and_(rsp, -width);
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
    vbroadcastsd(V(13), qword[r11]);
    SetVariable(static_cast<int32_t>(v), V(13));
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
  if (k < kSlotRegisters) return V(k);
  vmovupd(scratch, Home(k));
  return scratch;
}

void LanesEmitter::Put(int32_t k, const Ymm& value) {
  if (k < kSlotRegisters) {
    if (value.getIdx() != k) vmovapd(V(k), value);
  } else {
    vmovupd(Home(k), value);
  }
}

LanesEmitter::Ymm LanesEmitter::ReadVariable(int32_t v, const Ymm& scratch) {
  const int32_t reg = RegisterOf(v);
  if (reg >= 0) return V(reg);
  vmovupd(scratch, Slot(v));
  return scratch;
}

void LanesEmitter::SetVariable(int32_t v, const Ymm& value) {
  const int32_t reg = RegisterOf(v);
  if (reg >= 0 && reg == value.getIdx()) return;
  if (reg >= 0)
    vmovapd(V(reg), value);
  else
    vmovupd(Slot(v), value);
}

// Under an if only the running lanes take the value (a loop keeps its
// variables instead: see Kept); a tracked variable notes which lanes did. V(13) and V(15) are
// scratch.
void LanesEmitter::AssignVariable(int32_t v, const Ymm& value) {
  const Ymm mask = V(kMaskRegister);
  if (!blending) {
    SetVariable(v, value);
  } else if (RegisterOf(v) >= 0) {
    const Ymm reg = V(RegisterOf(v));
    Blend(reg, reg, value, mask);
  } else {
    vmovupd(V(15), Slot(v));
    Blend(V(15), V(15), value, mask);
    vmovupd(Slot(v), V(15));
  }
  if (shape.kinds[static_cast<size_t>(v)] == LaneVariable::kTracked) {
    vmovupd(V(13), MaskOf(v));
    vorpd(V(13), V(13), mask);
    vmovupd(MaskOf(v), V(13));
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
  align(64);
  const struct {
    Xbyak::Label* label;
    uint64_t bits;
  } wide[] = {{&one, 0x3FF0000000000000ull},
              {&absMask, 0x7FFFFFFFFFFFFFFFull},
              {&signMask, 0x8000000000000000ull},
              {&byteMax, 0x406FE00000000000ull}};  // 255.0
  for (const auto& entry : wide) {
    L(*entry.label);
    for (int32_t lane = 0; lane < lanes; ++lane) dq(entry.bits);
  }
  for (auto& entry : constants) {
    L(*entry.second);
    for (int32_t lane = 0; lane < lanes; ++lane) dq(entry.first);
  }
  L(laneSteps);
  for (int32_t lane = 0; lane < lanes; ++lane) dd(static_cast<uint32_t>(lane));
  // Byte c of each 3-byte pixel into a 32-bit lane; and back, in each
  // 128-bit half (four pixels a half).
  for (int32_t c = 0; c < 3; ++c) {
    L(spread[c]);
    for (int32_t lane = 0; lane < kLanes; ++lane) {
      db(static_cast<uint8_t>(3 * lane + c));
      for (int32_t k = 0; k < 3; ++k) db(0x80);
    }
  }
  L(pack);
  for (int32_t half = 0; half < lanes / kLanes; ++half) {
    for (int32_t lane = 0; lane < kLanes; ++lane)
      for (int32_t k = 0; k < 3; ++k) db(static_cast<uint8_t>(4 * lane + k));
    for (int32_t k = 0; k < 4; ++k) db(0x80);
  }
}

void LanesEmitter::CompareInto(const Ymm& into, const Ymm& a, const Xbyak::Operand& b,
                               uint8_t predicate) {
  if (!wide) return vcmppd(into, a, b, predicate);
  vcmppd(k1, a, b, predicate);
  vpmovm2q(into, k1);
}

// A mask's lanes are all ones or all zeros: the wide form tests them on
// another port than the one kmovw needs.
void LanesEmitter::MoveMask(const Xbyak::Reg32& into, const Ymm& mask) {
  if (!wide) return vmovmskpd(into, mask);
  vptestmq(k1, mask, mask);
  kmovw(into, k1);
}

void LanesEmitter::Blend(const Ymm& into, const Ymm& a, const Ymm& b, const Ymm& mask) {
  if (!wide) return vblendvpd(into, a, b, mask);
  vpmovq2m(k1, mask);
  vblendmpd(into | k1, a, b);
}

void LanesEmitter::SetAllOnes(const Ymm& into) {
  if (!wide) return vpcmpeqd(into, into, into);
  vpternlogd(into, into, into, 0xFF);
}

// ---- the program's records

namespace {

bool IsTruthValue(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits == 0 || bits == 0x3FF0000000000000ull;
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
      i = invariants[static_cast<size_t>(hoisted)].last + 1;
      if (i < end && TakesAsOperand(i, depth)) {  // straight from its slot
        i = ApplyFused(i, end, nullptr, InvariantSlot(hoisted));
        continue;
      }
      const Ymm top = depth < kSlotRegisters ? V(depth) : V(13);
      vmovupd(top, InvariantSlot(hoisted));
      Put(depth, top);
      held[static_cast<size_t>(depth)] = Held::kNumber;
      continue;
    }
    const int32_t block = shape.blockAt[static_cast<size_t>(i)];
    if (block >= 0) {
      i = shape.blocks[static_cast<size_t>(block)].loop ? EmitLoop(i) : EmitIf(i);
      continue;
    }
    if (FusesWithNext(i)) {
      i = EmitFused(i, end);
      continue;
    }
    if (i + 2 < end && ReadsIntoFused(i, hoisting)) {
      // A variable the next operator takes as its first operand: read
      // where it is, not copied to the stack first.
      const int32_t v = VariableOf(plan.records[static_cast<size_t>(i)].cell);
      const Ymm first = ReadVariable(v, V(13));
      i = EmitFused(i + 1, end, &first);
      continue;
    }
    const PlannedRecord& step = plan.records[static_cast<size_t>(i)];
    if (step.action == PlanAction::kVar && !OnlyAssignedTo(plan, shape.jumpTarget, i)) {
      const int32_t target = AssignedAlone(i, end, step.depth);
      if (target >= 0) {  // one variable copied to another
        AssignVariable(target, ReadVariable(VariableOf(step.cell), V(13)));
        held[static_cast<size_t>(step.depth)] = Held::kNumber;
        i += 2;
        continue;
      }
    }
    EmitStep(i);
    ++i;
  }
}

// V(15) = the lanes whose value at the top of the stack is true (not 0;
// NaN is true, as the scalar test goes on for it).
void LanesEmitter::TestMask(int32_t depth) {
  const Ymm value = Fetch(depth - 1, V(14));
  if (held[static_cast<size_t>(depth) - 1] == Held::kMask) {
    vmovapd(V(15), value);
    return;
  }
  vxorpd(V(15), V(15), V(15));
  CompareInto(V(15), value, V(15), kNotEqualUnordered);
}

// A mask in slot k becomes the number it stands for: 1.0 or 0.0.
void LanesEmitter::MakeNumber(int32_t k) {
  if (held[static_cast<size_t>(k)] != Held::kMask) return;
  held[static_cast<size_t>(k)] = Held::kTruth;
  if (k < kSlotRegisters) return vandpd(V(k), V(k), ptr[rip + one]);
  vmovupd(V(15), Home(k));
  vandpd(V(15), V(15), ptr[rip + one]);
  vmovupd(Home(k), V(15));
}

int32_t LanesEmitter::EmitFused(int32_t index, int32_t end, const Ymm* first) {
  const PlannedRecord& operand = plan.records[static_cast<size_t>(index)];
  if (operand.action == PlanAction::kConst)
    return ApplyFused(index + 1, end, first, ptr[rip + Constant(operand.value)]);
  const int32_t v = VariableOf(operand.cell);
  if (RegisterOf(v) >= 0) return ApplyFused(index + 1, end, first, V(RegisterOf(v)));
  return ApplyFused(index + 1, end, first, Slot(v));
}

// The operator at `index` on its first operand (`first`, or the stack's)
// and `second`, into the stack; or, when its value only goes to a variable
// kept in a register, straight into that register. The next record to
// write.
int32_t LanesEmitter::ApplyFused(int32_t index, int32_t end, const Ymm* first,
                                 const Xbyak::Operand& second) {
  const PlannedRecord& step = plan.records[static_cast<size_t>(index)];
  const int32_t depth = step.depth;
  if (first == nullptr) MakeNumber(depth - 2);
  const Ymm a = first != nullptr ? *first : Fetch(depth - 2, V(13));
  const int32_t target = IsComparison(step.op) ? -1 : AssignedAlone(index, end, depth - 2);
  const Ymm into = target >= 0                  ? V(RegisterOf(target))
                   : depth - 2 < kSlotRegisters ? V(depth - 2)
                                                : V(13);
  ApplyOperator(step.op, into, a, second);
  held[static_cast<size_t>(depth) - 2] = IsComparison(step.op) ? Held::kMask : Held::kNumber;
  if (target < 0) {
    Put(depth - 2, into);
    return index + 1;
  }
  AssignVariable(target, into);
  return index + 2;
}

// The variable the record after `index` assigns the value in stack slot
// `slot` to, when that is all the value does, the variable is in a
// register and takes it in every running lane (no blend); -1 otherwise.
int32_t LanesEmitter::AssignedAlone(int32_t index, int32_t end, int32_t slot) const {
  const size_t next = static_cast<size_t>(index) + 1;
  if (blending || static_cast<int32_t>(next) + 1 >= end || shape.jumpTarget[next] ||
      shape.jumpTarget[next + 1])
    return -1;
  const PlannedRecord& assign = plan.records[next];
  if (assign.action != PlanAction::kAssign || assign.cell == nullptr || assign.depth != slot + 1 ||
      plan.records[next + 1].action != PlanAction::kEmpty)
    return -1;
  const int32_t v = VariableOf(assign.cell);
  return RegisterOf(v) >= 0 ? v : -1;
}

// Whether record `index` is an operator the lanes apply directly to the
// value just put in stack slot `slot` as its second operand.
bool LanesEmitter::TakesAsOperand(int32_t index, int32_t slot) const {
  if (shape.jumpTarget[static_cast<size_t>(index)]) return false;
  const PlannedRecord& step = plan.records[static_cast<size_t>(index)];
  return step.action == PlanAction::kOperator && step.takes == 2 && step.depth == slot + 1 &&
         AppliesDirectly(step.op);
}

// A variable read at `index` whose value the next two records (an operand
// and its operator) take at once.
bool LanesEmitter::ReadsIntoFused(int32_t index, bool hoisting) const {
  const PlannedRecord& step = plan.records[static_cast<size_t>(index)];
  if (step.action != PlanAction::kVar || OnlyAssignedTo(plan, shape.jumpTarget, index))
    return false;
  const size_t next = static_cast<size_t>(index) + 1;
  if (shape.jumpTarget[next] || (!hoisting && invariantAt[next] >= 0)) return false;
  return plan.records[next].depth == step.depth + 1 && FusesWithNext(index + 1);
}

// ZF set when no lane runs.
void LanesEmitter::MaskIsEmpty() {
  MoveMask(eax, V(kMaskRegister));
  test(eax, eax);
}

int32_t LanesEmitter::EmitIf(int32_t index) {
  const LaneBlock& block =
      shape.blocks[static_cast<size_t>(shape.blockAt[static_cast<size_t>(index)])];
  const Ymm mask = V(kMaskRegister);
  const int32_t level = nesting;
  Xbyak::Label other;
  Xbyak::Label done;
  TestMask(plan.records[static_cast<size_t>(index)].depth);
  ForgetHeld();
  vmovupd(SavedMask(level), mask);
  vmovupd(Condition(level), V(15));
  vandpd(mask, mask, V(15));
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
  const Ymm mask = V(kMaskRegister);
  const int32_t level = nesting;
  Xbyak::Label head;
  Xbyak::Label leave;
  for (size_t k = 0; k < invariants.size(); ++k) {
    const Invariant& invariant = invariants[k];
    if (invariant.loop != index) continue;
    EmitRange(invariant.first, invariant.last + 1, true);
    const int32_t depth = plan.records[static_cast<size_t>(invariant.first)].depth;
    MakeNumber(depth);
    vmovupd(InvariantSlot(static_cast<int32_t>(k)), Fetch(depth, V(13)));
  }
  for (size_t k = 0; k < kept.size(); ++k)
    if (kept[k].loop == index) vmovupd(KeptSlot(k), ReadVariable(kept[k].variable, V(13)));
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
  vandpd(V(15), V(15), mask);
  MoveMask(eax, V(15));
  MoveMask(ecx, mask);
  cmp(eax, ecx);
  je(same, T_NEAR);
  for (size_t k = 0; k < kept.size(); ++k) {
    if (kept[k].loop != index) continue;
    const Ymm value = ReadVariable(kept[k].variable, V(13));
    vmovupd(V(14), KeptSlot(k));
    Blend(V(14), V(14), value, mask);
    vmovupd(KeptSlot(k), V(14));
  }
  L(same);
  vmovapd(mask, V(15));
  test(eax, eax);
  jz(leave, T_NEAR);
  // The turn's units are taken before its body, not after as the scalar
  // code does: a body always runs to its end, and a group whose units run
  // out anywhere is replayed whole, so only the group's total counts.
  popcnt(eax, eax);
  sub(dword[rbx + WorkLeftOffset(engine)], eax);
  jle(replay, T_NEAR);
  EmitRange(block.test + 1, block.end - 1);
  jmp(head, T_NEAR);
  --nesting;
  L(leave);
  for (size_t k = 0; k < kept.size(); ++k) {
    if (kept[k].loop != index) continue;
    vmovupd(V(13), KeptSlot(k));
    SetVariable(kept[k].variable, V(13));
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
  const Ymm top = depth < kSlotRegisters ? V(depth) : V(13);
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
      const Ymm value = Fetch(depth - 1, V(14));
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
      vxorpd(V(15), V(15), V(15));
      CompareInto(V(15), V(15), b, kEqualOrdered);
      vdivpd(into, a, b);
      vandnpd(into, V(15), into);
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
  CompareInto(into, a, b, predicate);  // a mask: MakeNumber gives 1.0 or 0.0
}

void LanesEmitter::EmitOperator(const PlannedRecord& step) {
  const int32_t depth = step.depth;
  if (step.op == PlanOperator::kNegate) {
    MakeNumber(depth - 1);
    const Ymm value = Fetch(depth - 1, V(13));
    const Ymm into = depth - 1 < kSlotRegisters ? V(depth - 1) : V(13);
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
  const Ymm a = Fetch(depth - 2, V(13));
  const Ymm b = Fetch(depth - 1, V(14));
  const Ymm into = depth - 2 < kSlotRegisters ? V(depth - 2) : V(13);
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
      CompareInto(into, b, a, step.op == PlanOperator::kGreater ? kLessOrdered : kLessEqualOrdered);
      break;
    case PlanOperator::kAnd:
    case PlanOperator::kOr:
      // Each truth is |value| >= 1, NaN false: TruncateToInt32 != 0.
      vandpd(V(15), a, ptr[rip + absMask]);
      CompareInto(V(15), V(15), ptr[rip + one], kGreaterEqualOrdered);
      vandpd(V(14), b, ptr[rip + absMask]);
      CompareInto(V(14), V(14), ptr[rip + one], kGreaterEqualOrdered);
      if (step.op == PlanOperator::kAnd)
        vandpd(into, V(15), V(14));
      else
        vorpd(into, V(15), V(14));
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
  const int32_t lanes = engine.wideLanesWanted && WideLanesRunHere() ? kWideLanes : kLanes;
  LanesShape shape;
  ShapeLanes(plan, program.records.data(), row, &shape);
  if (!shape.ok) return 0;
  const size_t start = (program.codeBytes + 63) & ~size_t{63};
  if (start >= program.mapped) return 0;
  try {
    LanesEmitter emitter(static_cast<uint8_t*>(program.memory) + start, program.mapped - start,
                         plan, shape, engine, lanes);
    emitter.Generate();
    if (emitter.hasUndefinedLabel()) return 0;
    program.codeBytes = start + emitter.getSize();
    program.lanesWidth = lanes;
    return start;
  } catch (...) {
    return 0;  // the scalar row function runs every pixel
  }
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
