// The code generator for x86-64: a program's plan (native_plan.h) written
// out as one function, `int32_t f(ScriptEngine* engine, double* value)`.
//
// Stack value k lives in xmm k while k < 6 and otherwise in its home in the
// frame; every value has a home, where a built-in finds its arguments. The
// most used variables live in xmm6..xmm12 for the whole run and are stored
// back to their cells (and read again afterwards) around everything that can
// see them: a built-in, the run budget's check and the end of the run.
// xmm13..xmm15 are scratch. The double operations are the interpreter's, in
// its order, so every result is the same to the bit.
//
// Code memory is mapped writable, written, then switched to read and
// execute; it is never both writable and executable.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "script/native_code.h"
#include "script/native_plan.h"
#include "script/operators.h"

#if defined(__x86_64__) || defined(_M_X64)
#define MORFEL_NATIVE_X64 1
#endif

#if defined(MORFEL_NATIVE_X64)
// xbyak reports a failure (code too long for its buffer) by throwing; Build
// catches it, so nothing is thrown beyond it. (Its other mode keeps the
// error in thread-local storage, which the plug-in, a loaded library,
// should not need.)
#include <xbyak/xbyak.h>
#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif
#endif

namespace native {
namespace {

#if defined(MORFEL_NATIVE_X64)

using Xbyak::Label;
using Xbyak::Reg64;
using Xbyak::Xmm;

// Code size bound: far above any program a 2048-character text makes.
constexpr size_t kMaxCodeBytes = size_t{4} << 20;
constexpr int32_t kSlotRegisters = 6;
constexpr int32_t kFirstVariableRegister = 6;
constexpr int32_t kVariableRegisters = 7;

#if defined(_WIN32)
constexpr bool kWindowsAbi = true;
#else
constexpr bool kWindowsAbi = false;
#endif

void* MapWritable(size_t size) {
#if defined(_WIN32)
  return VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
#else
  void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return memory == MAP_FAILED ? nullptr : memory;
#endif
}

bool MakeExecutable(void* memory, size_t size) {
#if defined(_WIN32)
  DWORD previous = 0;
  return VirtualProtect(memory, size, PAGE_EXECUTE_READ, &previous) != 0;
#else
  return mprotect(memory, size, PROT_READ | PROT_EXEC) == 0;
#endif
}

void Unmap(void* memory, size_t size) {
  if (memory == nullptr) return;
#if defined(_WIN32)
  (void)size;
  VirtualFree(memory, 0, MEM_RELEASE);
#else
  munmap(memory, size);
#endif
}

bool KeepGoingFromCode(ScriptEngine* engine) { return engine->KeepGoing(); }

double RemainderFromCode(ScriptEngine&, const double* args, const char*) {
  return script_operators::Remainder(args[0], args[1]);
}

int32_t StoppedCode(StopReason reason) {
  return static_cast<int32_t>(Ending::kStopped) | (static_cast<int32_t>(reason) << 8);
}

// The cells the pixel driver writes and reads, for a row function.
struct RowCells {
  double* x;
  double* y;
  double* cx;
  double* cy;
  double* red;
  double* green;
  double* blue;
  double* alpha;
  double* coord;
};

// The row cells of `engine`, false when one is missing or the program names
// r or t (a row function does not make the polar position).
bool FindRowCells(ScriptEngine& engine, const Plan& plan, RowCells* cells) {
  double* polar[] = {engine.VariableCell("r"), engine.VariableCell("t")};
  for (const Step& step : plan.steps)
    if (step.cell != nullptr && (step.cell == polar[0] || step.cell == polar[1])) return false;
  const struct {
    const char* name;
    double** cell;
  } names[] = {{"x", &cells->x},    {"y", &cells->y},     {"cx", &cells->cx},
               {"cy", &cells->cy},  {"R", &cells->red},   {"G", &cells->green},
               {"B", &cells->blue}, {"T", &cells->alpha}, {"coord", &cells->coord}};
  for (const auto& entry : names) {
    *entry.cell = engine.VariableCell(entry.name);
    if (*entry.cell == nullptr) return false;
  }
  return true;
}

template <typename Field>
int32_t FrameOffset(Field CompiledRowFrame::*field) {
  static const CompiledRowFrame frame{};
  return static_cast<int32_t>(reinterpret_cast<const char*>(&(frame.*field)) -
                              reinterpret_cast<const char*>(&frame));
}

class Emitter : public Xbyak::CodeGenerator {
 public:
  // With `row`, the function is a row function (CompiledRowFrame) with the
  // program inside its pixel loop; otherwise the program alone.
  Emitter(void* memory, size_t size, const Plan& plan, const NativeProgram& program,
          ScriptEngine& engine, const RowCells* row = nullptr)
      : Xbyak::CodeGenerator(size, memory),
        plan(plan),
        program(program),
        engine(engine),
        row(row),
        count(static_cast<int32_t>(plan.steps.size())),
        labels(new Label[static_cast<size_t>(count) + 1]),
        finishes(new Label[static_cast<size_t>(plan.maxDepth) + 1]) {
    const size_t hot = plan.hotCells.size();
    variableCount = static_cast<int32_t>(hot < kVariableRegisters ? hot : kVariableRegisters);
  }

  void Generate() {
    LayOutFrame();
    FindJumpTargets();
    Prologue();
    if (row != nullptr) EmitPixelStart();
    truthValue.assign(static_cast<size_t>(plan.maxDepth) + 1, false);
    for (int32_t i = 0; i < count; ++i) {
      const Step& step = plan.steps[static_cast<size_t>(i)];
      if (step.action == Action::kUnreached || jumpTarget[static_cast<size_t>(i)])
        truthValue.assign(truthValue.size(), false);  // other paths come here
      if (step.action == Action::kUnreached) continue;
      L(labels[i]);
      if (FusesWithNext(i)) {
        EmitFused(i);
        const Step& fused = plan.steps[static_cast<size_t>(i) + 1];
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

  int32_t VariableCount() const { return variableCount; }

 private:
  // ---- frame and registers

  void LayOutFrame() {
    homeOffset = 40;  // shadow space (32), then the text register pointer
    int32_t end = homeOffset + 8 * (plan.maxDepth > 0 ? plan.maxDepth : 1);
    saveOffset = (end + 15) & ~15;
    end = saveOffset + (kWindowsAbi ? 160 : 0);
    // With the return address and two pushes, the calls find rsp aligned.
    frameSize = ((end + 15) & ~15) + 8;
  }

  Xbyak::Address Home(int32_t k) { return qword[rsp + homeOffset + 8 * k]; }
  static Xmm SlotRegister(int32_t k) { return Xmm(k); }
  static Xmm VariableRegister(int32_t v) { return Xmm(kFirstVariableRegister + v); }

  // The register of a variable kept in one, or -1.
  int32_t VariableIndex(const double* cell) const {
    for (int32_t v = 0; v < variableCount; ++v)
      if (plan.hotCells[static_cast<size_t>(v)] == cell) return v;
    return -1;
  }

  // Stack value k in a register: its own, or `scratch` loaded from its home.
  Xmm Fetch(int32_t k, const Xmm& scratch) {
    if (k < kSlotRegisters) return SlotRegister(k);
    movsd(scratch, Home(k));
    return scratch;
  }

  // Register copies move the whole register (movapd): movsd between
  // registers would merge into the old contents and wait for them.
  void Put(int32_t k, const Xmm& value) {
    if (k < kSlotRegisters) {
      if (value.getIdx() != k) movapd(SlotRegister(k), value);
    } else {
      movsd(Home(k), value);
    }
  }

  void SpillSlots(int32_t depth) {
    for (int32_t k = 0; k < depth && k < kSlotRegisters; ++k) movsd(Home(k), SlotRegister(k));
  }

  void ReloadSlots(int32_t from, int32_t to) {
    for (int32_t k = from; k < to && k < kSlotRegisters; ++k) movsd(SlotRegister(k), Home(k));
  }

  void StoreVariables() {
    for (int32_t v = 0; v < variableCount; ++v) {
      mov(r11, reinterpret_cast<uint64_t>(plan.hotCells[static_cast<size_t>(v)]));
      movsd(qword[r11], VariableRegister(v));
    }
  }

  void LoadVariables() {
    for (int32_t v = 0; v < variableCount; ++v) {
      mov(r11, reinterpret_cast<uint64_t>(plan.hotCells[static_cast<size_t>(v)]));
      movsd(VariableRegister(v), qword[r11]);
    }
  }

  const Reg64& Argument(int32_t n) const {
    static const Reg64 kWindows[] = {rcx, rdx, r8};
    static const Reg64 kSystemV[] = {rdi, rsi, rdx};
    return kWindowsAbi ? kWindows[n] : kSystemV[n];
  }

  void Prologue() {
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
    LoadVariables();
  }

  // Every ending: eax holds the code; the variables go back to their cells.
  void EmitEpilogue() {
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

  void EndWith(int32_t code) {
    mov(eax, code);
    jmp(epilogue, T_NEAR);
  }

  void EndWithValue(int32_t depth, Ending ending) {
    movsd(qword[r12], Fetch(depth - 1, xmm14));
    EndWith(static_cast<int32_t>(ending));
  }

  void EmitFinishes() {
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
  const Label& Target(int32_t index, int32_t depth) {
    return index >= count ? finishes[depth] : labels[index];
  }

  void GoOn(int32_t next, int32_t depth) {
    if (next >= count) jmp(finishes[depth], T_NEAR);
    // Otherwise the next record's code follows, or it is unreached and the
    // plan has sent no path there.
  }

  // ---- constants

  const Label& Constant(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (auto& entry : constants)
      if (entry.first == bits) return *entry.second;
    constants.emplace_back(bits, std::make_unique<Label>());
    return *constants.back().second;
  }

  void EmitConstants() {
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
    for (auto& entry : constants) {
      L(*entry.second);
      dq(entry.first);
    }
    L(emptyText);
    db(0);
  }

  // ---- steps

  void EmitStep(int32_t index, const Step& step) {
    const int32_t depth = step.depth;
    switch (step.action) {
      case Action::kUnreached:
      case Action::kNothing:
        break;
      case Action::kEmpty:
        return GoOn(index + 1, 0);
      case Action::kConst: {
        Xmm into = depth < kSlotRegisters ? SlotRegister(depth) : xmm13;
        if (step.value == 0.0 && !std::signbit(step.value))
          xorpd(into, into);
        else
          movsd(into, ptr[rip + Constant(step.value)]);
        Put(depth, into);
        return GoOn(index + 1, depth + 1);
      }
      case Action::kVar: {
        const int32_t v = VariableIndex(step.cell);
        if (OnlyAssignedTo(index)) {
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
      case Action::kText:
        mov(r11, reinterpret_cast<uint64_t>(program.texts[static_cast<size_t>(index)]));
        mov(qword[rsp + 32], r11);
        return GoOn(index + 1, depth);
      case Action::kJump:
        jmp(Target(step.target, depth), T_NEAR);
        return;
      case Action::kTest: {
        Xmm value = Fetch(depth - 1, xmm14);
        Label goOn;
        xorpd(xmm15, xmm15);
        ucomisd(value, xmm15);
        jp(goOn, T_NEAR);
        je(Target(step.target, depth - 1), T_NEAR);
        L(goOn);
        return GoOn(index + 1, depth - 1);
      }
      case Action::kLoopBack:
        return EmitLoopBack(step);
      case Action::kAssign: {
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
      case Action::kOperator:
        EmitOperator(step);
        return GoOn(index + 1, depth - step.takes + 1);
      case Action::kCall:
        EmitCall(depth, step.takes, step.handler);
        return GoOn(index + 1, depth - step.takes + 1);
      case Action::kExit:
        return EndWithValue(depth, Ending::kExited);
      case Action::kStop:
        return EndWith(StoppedCode(step.stop));
    }
    GoOn(index + 1, depth);
  }

  // ---- a variable or constant that is the right operand of the next
  // record's operator is used where it is, not copied onto the stack first

  void FindJumpTargets() {
    jumpTarget.assign(static_cast<size_t>(count) + 1, false);
    for (const Step& step : plan.steps) {
      if (step.action == Action::kJump || step.action == Action::kTest ||
          step.action == Action::kLoopBack)
        jumpTarget[static_cast<size_t>(step.target)] = true;
    }
  }

  bool FusesWithNext(int32_t index) const {
    const Step& step = plan.steps[static_cast<size_t>(index)];
    if (step.action != Action::kConst && step.action != Action::kVar) return false;
    if (index + 1 >= count || jumpTarget[static_cast<size_t>(index) + 1]) return false;
    const Step& next = plan.steps[static_cast<size_t>(index) + 1];
    if (next.action != Action::kOperator || next.takes != 2 || next.depth != step.depth + 1)
      return false;
    return AppliesDirectly(next.op);
  }

  // The operators ApplyOperator writes, with any register or memory operand.
  static bool AppliesDirectly(Operator op) {
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

  // ---- values known to be exactly 0.0 or 1.0, on the straight run of code
  // being written (comparisons and logical operators give nothing else)

  static bool GivesTruthValue(Operator op) {
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

  void NoteTruthValue(const Step& step) {
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

  static bool IsTruthValue(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == 0 || bits == 0x3FF0000000000000ull;
  }

  // True when the variable record `index` pushes is read by nothing but the
  // assignment into it, on the straight run of records that follows it.
  bool OnlyAssignedTo(int32_t index) const {
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
  bool EmptiedNext(int32_t index) const {
    const size_t next = static_cast<size_t>(index) + 1;
    return next < plan.steps.size() && !jumpTarget[next] &&
           plan.steps[next].action == Action::kEmpty;
  }

  void EmitFused(int32_t index) {
    const Step& operand = plan.steps[static_cast<size_t>(index)];
    const Step& step = plan.steps[static_cast<size_t>(index) + 1];
    const int32_t depth = step.depth;  // the operand's place: depth - 1
    Xmm a = Fetch(depth - 2, xmm13);
    if (operand.action == Action::kConst) {
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
  void ApplyOperator(Operator op, const Xmm& a, const Xbyak::Operand& b) {
    switch (op) {
      case Operator::kAdd:
        return addsd(a, b);
      case Operator::kSubtract:
        return subsd(a, b);
      case Operator::kMultiply:
        return mulsd(a, b);
      case Operator::kDivide: {
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
      case Operator::kLess:
        cmpltsd(a, b);
        break;
      case Operator::kLessEqual:
        cmplesd(a, b);
        break;
      case Operator::kEqual:
        cmpeqsd(a, b);
        break;
      case Operator::kNotEqual:
        cmpneqsd(a, b);  // unordered: true, as a != b is for NaN
        break;
      default:
        return;
    }
    andpd(a, ptr[rip + one]);
  }

  // One unit of the run budget, as the interpreter counts it; its check
  // sees the variables in their cells.
  void EmitLoopBack(const Step& step) {
    const int32_t workOffset = static_cast<int32_t>(reinterpret_cast<char*>(&engine.workLeft) -
                                                    reinterpret_cast<char*>(&engine));
    sub(dword[rbx + workOffset], 1);
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
  // takes the first argument's place.
  void EmitCall(int32_t depth, int32_t takes, BuiltinHandler handler) {
    const int32_t first = depth - takes;
    SpillSlots(depth);
    StoreVariables();
    mov(Argument(0), rbx);
    lea(Argument(1), ptr[rsp + homeOffset + 8 * first]);
    mov(Argument(2), qword[rsp + 32]);
    mov(r10, reinterpret_cast<uint64_t>(handler));
    call(r10);
    Put(first, xmm0);
    ReloadSlots(0, first);
    LoadVariables();
  }

  // The truth of `value` as a mask in `into`: |value| >= 1, NaN false,
  // which is TruncateToInt32(value) != 0.
  void TruthMask(const Xmm& into, const Xmm& value, const Xmm& scratch) {
    movapd(scratch, value);
    andpd(scratch, ptr[rip + absMask]);
    movsd(into, ptr[rip + one]);
    cmplesd(into, scratch);
  }

  void EmitOperator(const Step& step) {
    const int32_t depth = step.depth;
    if (step.op == Operator::kNegate) {
      Xmm value = Fetch(depth - 1, xmm13);
      xorpd(value, ptr[rip + signMask]);
      return Put(depth - 1, value);
    }
    if (step.op == Operator::kRemainder) return EmitCall(depth, 2, &RemainderFromCode);
    Xmm a = Fetch(depth - 2, xmm13);
    Xmm b = Fetch(depth - 1, xmm14);
    Xmm result = a;
    if (AppliesDirectly(step.op)) {
      ApplyOperator(step.op, a, b);
      return Put(depth - 2, result);
    }
    switch (step.op) {
      case Operator::kGreater:
      case Operator::kGreaterEqual:
        movapd(xmm15, b);
        if (step.op == Operator::kGreater)
          cmpltsd(xmm15, a);
        else
          cmplesd(xmm15, a);
        andpd(xmm15, ptr[rip + one]);
        result = xmm15;
        break;
      case Operator::kAnd:
      case Operator::kOr:
        if (truthValue[static_cast<size_t>(depth) - 2] &&
            truthValue[static_cast<size_t>(depth) - 1]) {
          // Both are exactly 0.0 or 1.0, whose bits combine as the truths do.
          if (step.op == Operator::kAnd)
            andpd(a, b);
          else
            orpd(a, b);
          break;
        }
        TruthMask(xmm15, a, xmm13);
        TruthMask(xmm13, b, xmm14);
        if (step.op == Operator::kAnd)
          andpd(xmm15, xmm13);
        else
          orpd(xmm15, xmm13);
        andpd(xmm15, ptr[rip + one]);
        result = xmm15;
        break;
      default:  // ApplyOperator, a call, one operand (above); markers and
                // assignment have actions of their own in the plan
        break;
    }
    Put(depth - 2, result);
  }

  // ---- the row function's pixel loop (transform's pixel driver is the
  // reference: the same values in the same cells in the same order)

  // A variable's value: its register, or `scratch` loaded from its cell.
  Xmm ReadVariable(double* cell, const Xmm& scratch) {
    const int32_t v = VariableIndex(cell);
    if (v >= 0) return VariableRegister(v);
    mov(r11, reinterpret_cast<uint64_t>(cell));
    movsd(scratch, qword[r11]);
    return scratch;
  }

  void WriteVariable(double* cell, const Xmm& value) {
    const int32_t v = VariableIndex(cell);
    if (v >= 0) {
      movapd(VariableRegister(v), value);
    } else {
      mov(r11, reinterpret_cast<uint64_t>(cell));
      movsd(qword[r11], value);
    }
  }

  // r10 = the row's `field` pointer advanced by `step` bytes a column.
  template <typename Pointer>
  void ColumnAddress(Pointer CompiledRowFrame::*field, int32_t step) {
    movsxd(r10, r14d);
    if (step == 3) lea(r10, ptr[r10 + r10 * 2]);
    add(r10, qword[r13 + FrameOffset(field)]);
  }

  void LoadColour(int32_t offset, double* cell) {
    movzx(eax, byte[r10 + offset]);
    xorpd(xmm13, xmm13);
    cvtsi2sd(xmm13, eax);
    WriteVariable(cell, xmm13);
  }

  // The top of the pixel loop: the end of the row, a unit of the budget,
  // then the pixel's variables.
  void EmitPixelStart() {
    L(pixelLoop);
    cmp(r14d, dword[r13 + FrameOffset(&CompiledRowFrame::width)]);
    jge(rowDone, T_NEAR);
    const int32_t workOffset = static_cast<int32_t>(reinterpret_cast<char*>(&engine.workLeft) -
                                                    reinterpret_cast<char*>(&engine));
    Label budgetLeft;
    sub(dword[rbx + workOffset], 1);
    jg(budgetLeft, T_NEAR);
    StoreVariables();
    mov(Argument(0), rbx);
    mov(r10, reinterpret_cast<uint64_t>(&KeepGoingFromCode));
    call(r10);
    LoadVariables();
    test(al, al);
    jnz(budgetLeft, T_NEAR);
    EndWith(static_cast<int32_t>(Ending::kOutOfBudget));
    L(budgetLeft);
    // x and y from the column and row, measured from cx and cy.
    xorpd(xmm13, xmm13);
    cvtsi2sd(xmm13, r14d);
    subsd(xmm13, ReadVariable(row->cx, xmm14));
    movsd(xmm15, qword[r13 + FrameOffset(&CompiledRowFrame::row)]);
    subsd(xmm15, ReadVariable(row->cy, xmm14));
    movsd(qword[r13 + FrameOffset(&CompiledRowFrame::loadedX)], xmm13);
    movsd(qword[r13 + FrameOffset(&CompiledRowFrame::loadedY)], xmm15);
    WriteVariable(row->x, xmm13);
    WriteVariable(row->y, xmm15);
    ColumnAddress(&CompiledRowFrame::sourceRgb, 3);
    LoadColour(0, row->blue);
    LoadColour(1, row->green);
    LoadColour(2, row->red);
    ColumnAddress(&CompiledRowFrame::sourceT, 1);
    LoadColour(0, row->alpha);
    // Each run starts with an empty text register.
    lea(rax, ptr[rip + emptyText]);
    mov(qword[rsp + 32], rax);
  }

  // ColourByte: NaN and values up to 0 give 0, 255 and above 255, the rest
  // their whole part; into the byte at r10 + offset.
  void StoreColour(double* cell, int32_t offset) {
    Xmm value = ReadVariable(cell, xmm13);
    movapd(xmm15, value);
    maxsd(xmm15, xmm14);  // xmm14 is 0: NaN gives the second operand
    minsd(xmm15, ptr[rip + byteMax]);
    cvttsd2si(eax, xmm15);
    mov(byte[r10 + offset], al);
  }

  // The result by coord: 0 here, any other value by the driver's own code.
  void EmitPixelEnd() {
    L(pixelDone);
    Label other;
    Label next;
    Xmm coord = ReadVariable(row->coord, xmm13);
    xorpd(xmm14, xmm14);
    ucomisd(coord, xmm14);
    jp(other, T_NEAR);
    jne(other, T_NEAR);
    ColumnAddress(&CompiledRowFrame::destinationRgb, 3);
    StoreColour(row->blue, 0);
    StoreColour(row->green, 1);
    StoreColour(row->red, 2);
    ColumnAddress(&CompiledRowFrame::destinationT, 1);
    StoreColour(row->alpha, 0);
    jmp(next, T_NEAR);
    L(other);
    StoreVariables();
    mov(Argument(0), qword[r13 + FrameOffset(&CompiledRowFrame::context)]);
    mov(Argument(1).cvt32(), r14d);
    call(qword[r13 + FrameOffset(&CompiledRowFrame::storeOther)]);
    LoadVariables();
    L(next);
    add(r14d, 1);
    jmp(pixelLoop, T_NEAR);
    L(rowDone);
    mov(eax, static_cast<int32_t>(Ending::kRowDone));
    // on to the epilogue, which follows
  }

  const Plan& plan;
  const NativeProgram& program;
  ScriptEngine& engine;
  const RowCells* row;
  std::vector<bool> jumpTarget;  // by record index, count included
  std::vector<bool> truthValue;  // by stack slot, while writing the code
  Label pixelLoop;
  Label pixelDone;
  Label rowDone;
  Label byteMax;
  const int32_t count;
  std::unique_ptr<Label[]> labels;
  std::unique_ptr<Label[]> finishes;
  Label epilogue;
  Label one;
  Label absMask;
  Label signMask;
  Label emptyText;
  std::vector<std::pair<uint64_t, std::unique_ptr<Label>>> constants;
  int32_t variableCount = 0;
  int32_t homeOffset = 0;
  int32_t saveOffset = 0;
  int32_t frameSize = 0;
};

// The program alone and again inside the row function.
size_t CodeBound(int32_t records) {
  const size_t bound = 2 * (4096 + static_cast<size_t>(records) * 512);
  return bound < kMaxCodeBytes ? bound : kMaxCodeBytes;
}

#endif  // MORFEL_NATIVE_X64

void Say(char* out, size_t size, const char* text) {
  if (out != nullptr && size > 0) std::snprintf(out, size, "%s", text);
}

}  // namespace

NativeProgram* Build(ScriptEngine& engine, const GrowArray<Instruction>& code, int32_t stackLimit,
                     char* reason, size_t reasonSize) {
  Say(reason, reasonSize, "");
  const auto started = std::chrono::steady_clock::now();
#if !defined(MORFEL_NATIVE_X64)
  (void)engine;
  (void)code;
  (void)stackLimit;
  (void)started;
  Say(reason, reasonSize, "no code generator for this processor");
  return nullptr;
#else
  const int32_t count = code.size > 0 ? code.size : 0;
  Plan plan;
  MakePlan(code.data, count, stackLimit, &plan);
  if (!plan.ok) {
    Say(reason, reasonSize, plan.reason);
    return nullptr;
  }
  std::unique_ptr<NativeProgram> program(new (std::nothrow) NativeProgram);
  if (program == nullptr) return nullptr;
  program->records.assign(code.data, code.data + count);
  program->data = code.data;
  program->size = code.size;
  program->stackLimit = stackLimit;
  program->texts.reset(new (std::nothrow) char[static_cast<size_t>(count) + 1][kStringOperandSize]);
  if (program->texts == nullptr) return nullptr;
  for (int32_t i = 0; i < count; ++i) {
    char* text = program->texts[static_cast<size_t>(i)];
    text[0] = '\0';
    if (code.data[i].kind != KIND_STR) continue;
    const size_t length = strnlen(code.data[i].text, kStringOperandSize - 1);
    std::memcpy(text, code.data[i].text, length);
    text[length] = '\0';
  }
  const size_t bound = CodeBound(count);
  program->memory = MapWritable(bound);
  program->mapped = bound;
  if (program->memory == nullptr) {
    Say(reason, reasonSize, "no memory for machine code");
    return nullptr;
  }
  int32_t variables = 0;
  size_t rowStart = 0;
  RowCells rowCells;
  const bool withRow = FindRowCells(engine, plan, &rowCells);
  const char* failure = nullptr;
  try {
    Emitter emitter(program->memory, bound, plan, *program, engine);
    emitter.Generate();
    variables = emitter.VariableCount();
    program->codeBytes = emitter.getSize();
    if (emitter.hasUndefinedLabel()) failure = "the code generator failed";
    if (withRow && failure == nullptr) {
      rowStart = (program->codeBytes + 63) & ~size_t{63};
      if (rowStart >= bound) throw Xbyak::Error(Xbyak::ERR_CODE_IS_TOO_BIG);
      Emitter rowEmitter(static_cast<uint8_t*>(program->memory) + rowStart, bound - rowStart, plan,
                         *program, engine, &rowCells);
      rowEmitter.Generate();
      program->codeBytes = rowStart + rowEmitter.getSize();
      if (rowEmitter.hasUndefinedLabel()) failure = "the code generator failed";
    }
  } catch (const Xbyak::Error& error) {
    failure = static_cast<int>(error) == Xbyak::ERR_CODE_IS_TOO_BIG
                  ? "the machine code would be too long"
                  : "the code generator failed";
  } catch (...) {
    failure = "no memory for the code generator";
  }
  if (failure != nullptr) {
    Say(reason, reasonSize, failure);
    Unmap(program->memory, program->mapped);
    return nullptr;
  }
  if (!MakeExecutable(program->memory, program->mapped)) {
    Say(reason, reasonSize, "no executable memory for machine code");
    Unmap(program->memory, program->mapped);
    return nullptr;
  }
  program->registerCells.assign(plan.hotCells.begin(), plan.hotCells.begin() + variables);
  program->function = reinterpret_cast<NativeProgram::Function>(program->memory);
  if (withRow)
    program->row = reinterpret_cast<NativeProgram::RowFunction>(
        static_cast<uint8_t*>(program->memory) + rowStart);
  program->buildMilliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  return program.release();
#endif
}

void Destroy(NativeProgram* program) {
  if (program == nullptr) return;
#if defined(MORFEL_NATIVE_X64)
  Unmap(program->memory, program->mapped);
#endif
  delete program;
}

bool BuiltFrom(const NativeProgram& program, const GrowArray<Instruction>& code,
               int32_t stackLimit) {
  if (!StillFor(program, code, stackLimit)) return false;
  const size_t count = program.records.size();
  return count == 0 ||
         std::memcmp(program.records.data(), code.data, count * sizeof(Instruction)) == 0;
}

void Describe(const NativeProgram& program, ScriptEngine& engine, char* out, size_t outSize) {
  if (out == nullptr || outSize == 0) return;
  // Programs that name r or t are called pixel by pixel: say which it is.
  int written =
      std::snprintf(out, outSize, "%d bytes of machine code for %d records%s in %.3f ms",
                    static_cast<int>(program.codeBytes), static_cast<int>(program.size),
                    program.row != nullptr ? " and the pixel loop" : "", program.buildMilliseconds);
  for (size_t v = 0; v < program.registerCells.size(); ++v) {
    if (written < 0 || static_cast<size_t>(written) >= outSize) return;
    const char* name = nullptr;
    for (int k = 0; engine.variableTable.NameAt(k) != nullptr && name == nullptr; ++k)
      if (engine.variableTable.ValueAt(k) == program.registerCells[v])
        name = engine.variableTable.NameAt(k);
    written += std::snprintf(out + written, outSize - static_cast<size_t>(written), "%s%s",
                             v == 0 ? "; in registers: " : " ", name != nullptr ? name : "?");
  }
}

}  // namespace native
