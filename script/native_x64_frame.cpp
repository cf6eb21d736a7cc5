// The emitter's frame and registers, how the function starts and ends, and
// the constants it reads.
#include "script/native_x64_emitter.h"

#if defined(MORFEL_NATIVE_X64)
#include <cstring>
#include <memory>

namespace native {
namespace x64 {

void Emitter::Generate() {
  FindPixelCells();
  LayOutFrame();
  FindJumpTargets();
  Prologue();
  if (row != nullptr) EmitPixelStart();
  truthValue.assign(static_cast<size_t>(plan.maxDepth) + 1, false);
  for (int32_t i = 0; i < count; ++i) {
    const PlannedRecord& step = plan.records[static_cast<size_t>(i)];
    if (step.action == PlanAction::kUnreached || jumpTarget[static_cast<size_t>(i)])
      truthValue.assign(truthValue.size(), false);  // other paths come here
    if (step.action == PlanAction::kUnreached) continue;
    L(labels[i]);
    if (const int32_t length = ComparedTestLength(i)) {
      EmitComparedTest(i, length);
      i += length - 1;  // the test's code is written too
      continue;
    }
    if (UpdatesInPlace(i)) {
      EmitUpdateInPlace(i);
      i += 4;  // up to the assignment; the emptied stack's record follows
      continue;
    }
    if (BoundsMinMax(i)) {
      EmitBoundedMinMax(i);
      truthValue[static_cast<size_t>(step.depth) - 1] = false;
      ++i;  // the call's code is written
      continue;
    }
    if (FusesWithNext(i)) {
      EmitFused(i);
      const PlannedRecord& fused = plan.records[static_cast<size_t>(i) + 1];
      truthValue[static_cast<size_t>(fused.depth) - 2] = GivesTruthValue(fused.op);
      ++i;  // the operator's code is written
      continue;
    }
    EmitStep(i, step);
    NoteTruthValue(step);
  }
  EmitFinishes();
  if (row != nullptr) EmitPixelEnd();
  EmitEpilogue();
  EmitConstants();
}

void Emitter::LayOutFrame() {
  homeOffset = 40;  // shadow space (32), then the text register pointer
  int32_t end = homeOffset + 8 * (plan.maxDepth > 0 ? plan.maxDepth : 1);
  if (inlinesPixels) {
    planesOffset = (end + 15) & ~15;
    end = planesOffset + static_cast<int32_t>(sizeof(PixelPlanes));
  }
  if (row != nullptr) {
    fetchOffset = (end + 15) & ~15;
    end = fetchOffset + 8 * kFetchSlots;
  }
  saveOffset = (end + 15) & ~15;
  end = saveOffset + (kWindowsAbi ? 160 : 0);
  // With the return address and two pushes, the calls find rsp aligned.
  frameSize = ((end + 15) & ~15) + 8;
}

// The register of a variable kept in one, or -1.
int32_t Emitter::VariableIndex(const double* cell) const {
  for (int32_t v = 0; v < variableCount; ++v)
    if (plan.hotCells[static_cast<size_t>(v)] == cell) return v;
  return -1;
}

// Stack value k in a register: its own, or `scratch` loaded from its home.
Xmm Emitter::Fetch(int32_t k, const Xmm& scratch) {
  if (k < kSlotRegisters) return SlotRegister(k);
  movsd(scratch, Home(k));
  return scratch;
}

// Register copies move the whole register (movapd): movsd between
// registers would merge into the old contents and wait for them.
void Emitter::Put(int32_t k, const Xmm& value) {
  if (k < kSlotRegisters) {
    if (value.getIdx() != k) movapd(SlotRegister(k), value);
  } else {
    movsd(Home(k), value);
  }
}

void Emitter::SpillSlots(int32_t depth) {
  for (int32_t k = 0; k < depth && k < kSlotRegisters; ++k) movsd(Home(k), SlotRegister(k));
}

void Emitter::ReloadSlots(int32_t from, int32_t to) {
  for (int32_t k = from; k < to && k < kSlotRegisters; ++k) movsd(SlotRegister(k), Home(k));
}

void Emitter::StoreVariables() {
  for (int32_t v = 0; v < variableCount; ++v) {
    mov(r11, reinterpret_cast<uint64_t>(plan.hotCells[static_cast<size_t>(v)]));
    movsd(qword[r11], VariableRegister(v));
  }
  if (row != nullptr) mov(dword[rbx + WorkLeftOffset(engine)], r15d);
}

void Emitter::LoadVariables() {
  for (int32_t v = 0; v < variableCount; ++v) {
    mov(r11, reinterpret_cast<uint64_t>(plan.hotCells[static_cast<size_t>(v)]));
    movsd(VariableRegister(v), qword[r11]);
  }
  if (row != nullptr) mov(r15d, dword[rbx + WorkLeftOffset(engine)]);
}

// One unit of the run budget off its count, the flags telling whether any
// is left (jg goes on). A row function keeps the count in r15d, stored with
// the variables: counting in memory would chain every loop turn of every
// pixel through one store and load.
void Emitter::SpendUnit() {
  if (row != nullptr)
    sub(r15d, 1);
  else
    sub(dword[rbx + WorkLeftOffset(engine)], 1);
}

const Reg64& Emitter::Argument(int32_t n) const {
  static const Reg64 kWindows[] = {rcx, rdx, r8};
  static const Reg64 kSystemV[] = {rdi, rsi, rdx};
  return kWindowsAbi ? kWindows[n] : kSystemV[n];
}

void Emitter::Prologue() {
  push(rbx);
  push(r12);
  // Four more for a row function keep the frame's alignment.
  if (row != nullptr)
    for (const Reg64& saved : {r13, r14, r15, rbp}) push(saved);
  sub(rsp, frameSize);
  if (kWindowsAbi)
    for (int32_t k = 0; k < 10; ++k) movdqu(ptr[rsp + saveOffset + 16 * k], Xmm(6 + k));
  if (row != nullptr) {
    mov(r13, Argument(2));
    mov(r14d, dword[r13 + FrameOffset(&CompiledRowFrame::column)]);
  }
  mov(rbx, Argument(0));
  mov(r12, Argument(1));
  lea(rax, ptr[rip + emptyText]);
  mov(qword[rsp + 32], rax);
  RefreshPlanes();
  LoadVariables();
}

// Every ending: eax holds the code; the variables go back to their cells.
void Emitter::EmitEpilogue() {
  L(epilogue);
  if (row != nullptr) mov(dword[r13 + FrameOffset(&CompiledRowFrame::column)], r14d);
  StoreVariables();
  if (kWindowsAbi)
    for (int32_t k = 0; k < 10; ++k) movdqu(Xmm(6 + k), ptr[rsp + saveOffset + 16 * k]);
  add(rsp, frameSize);
  if (row != nullptr)
    for (const Reg64& saved : {rbp, r15, r14, r13}) pop(saved);
  pop(r12);
  pop(rbx);
  ret();
}

void Emitter::EndWith(int32_t code) {
  mov(eax, code);
  jmp(epilogue, T_NEAR);
}

void Emitter::EndWithValue(int32_t depth, Ending ending) {
  movsd(qword[r12], Fetch(depth - 1, xmm14));
  EndWith(static_cast<int32_t>(ending));
}

void Emitter::EmitFinishes() {
  for (int32_t depth = 0; depth <= plan.maxDepth; ++depth) {
    L(finishes[depth]);
    if (row != nullptr)  // a finished pixel's value is of no use
      jmp(pixelDone, T_NEAR);
    else if (depth == 0)
      EndWith(static_cast<int32_t>(Ending::kFinished));
    else
      EndWithValue(depth, Ending::kFinishedWithValue);
  }
}

// Where execution goes on at record `index` with `depth` values held.
const Label& Emitter::Target(int32_t index, int32_t depth) {
  return index >= count ? finishes[depth] : labels[index];
}

void Emitter::GoOn(int32_t next, int32_t depth) {
  if (next >= count) jmp(finishes[depth], T_NEAR);
  // Otherwise the next record's code follows, or it is unreached and the
  // plan has sent no path there.
}

const Label& Emitter::Constant(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  for (auto& entry : constants)
    if (entry.first == bits) return *entry.second;
  constants.emplace_back(bits, std::make_unique<Label>());
  return *constants.back().second;
}

void Emitter::EmitConstants() {
  align(16);
  L(one);
  dq(0x3FF0000000000000ull);
  dq(0);
  L(absMask);
  dq(0x7FFFFFFFFFFFFFFFull);
  dq(0);
  L(signMask);
  dq(0x8000000000000000ull);
  dq(0);
  L(byteMax);
  dq(0x406FE00000000000ull);  // 255.0
  dq(0);
  L(thirds);
  dq(0x3FD5555555555555ull);  // 1.0 / 3.0
  dq(0x3FD5555555555555ull);
  for (auto& entry : constants) {
    L(*entry.second);
    dq(entry.first);
  }
  if (inlinesPixels) {
    L(pixelCellTable);
    for (double* cell : pixelCells) dq(reinterpret_cast<uint64_t>(cell));
  }
  L(emptyText);
  db(0);
}

}  // namespace x64
}  // namespace native

#endif  // MORFEL_NATIVE_X64
