// The execution loop: a stack machine over doubles with a parallel stack of
// variable cells for assignment. if/else/while are carried out by skipping
// records while counting nesting; there are no jumps except the return of
// a loop's end to its start.
//
// Every push is checked against the stack size that Reset or PrepareRun
// gave, every operator against the values it takes, and the loop stack
// against its ten entries: code that would need more stops the run, with
// the reason in its outcome, instead of touching memory outside the stacks.
//
// The Transform program runs once per pixel, so the loop is kept tight: an
// OP record's code becomes a small step number by one table look-up, a
// single jump table then reaches every marker and operator, and a skip is a
// loop of its own that looks only at markers. The steps, their table and
// the skip rule are made from instruction_set.h and builtin_list.h.
#include <cstring>

#include "script/native_code.h"
#include "script/skip_branch.h"
#include "script/operators.h"
#include "script/script.h"

namespace {

// The execution loop's step for a record: its kind, or for an OP record
// what its code means.
// Every OP code that is not a marker, an operator or exit is a built-in
// call (or unknown, which the call look-up finds out).
enum class Dispatch : uint8_t {
  kBadKind,
#define MORFEL_KIND(NAME, Name, kind) k##Name,
#include "script/instruction_set.h"
#define MORFEL_OPCODE(NAME, Name, code, form, token, level, nesting, takes, leaves) k##Name,
#include "script/instruction_set.h"
  kExit,
};

// Every marker and operator code lies below this; codes at or above it are
// calls.
constexpr int32_t kDispatchCodes = 512;

// How a skip over records counts an OP code (the `nesting` column).
enum class Nesting : uint8_t {
  kFlat,    // passed over
  kOpens,   // one construct deeper
  kCloses,  // one construct out; the skip ends when it closes the first
  kSplits,  // ends the skip when met at the skipped construct's own depth
};

#define MORFEL_NESTING_FLAT Nesting::kFlat
#define MORFEL_NESTING_OPENS Nesting::kOpens
#define MORFEL_NESTING_CLOSES Nesting::kCloses
#define MORFEL_NESTING_SPLITS Nesting::kSplits

struct CodeLine {
  int32_t code;
  Dispatch dispatch;
  Nesting nesting;
};

constexpr CodeLine kCodeLines[] = {
#define MORFEL_OPCODE(NAME, Name, code, form, token, level, nesting, takes, leaves) \
  {code, Dispatch::k##Name, MORFEL_NESTING_##nesting},
#include "script/instruction_set.h"
#define MORFEL_EXIT_LINE_CALL(code)
#define MORFEL_EXIT_LINE_EXIT(code) {code, Dispatch::kExit, Nesting::kFlat},
#define MORFEL_BUILTIN(name, code, args, stackArgs, form, handler, effect, arguments, help) \
  MORFEL_EXIT_LINE_##form(code)
#include "script/builtin_list.h"
#undef MORFEL_EXIT_LINE_CALL
#undef MORFEL_EXIT_LINE_EXIT
};

struct CodeTable {
  Dispatch dispatch[kDispatchCodes] = {};
  Nesting nesting[kDispatchCodes] = {};
};

constexpr CodeTable MakeCodeTable() {
  CodeTable table;
  for (int32_t code = 0; code < kDispatchCodes; ++code) {
    table.dispatch[code] = Dispatch::kCall;
    table.nesting[code] = Nesting::kFlat;
  }
  for (const CodeLine& line : kCodeLines) {
    table.dispatch[line.code] = line.dispatch;
    table.nesting[line.code] = line.nesting;
  }
  return table;
}

constexpr bool CodesFitTheTable() {
  for (const CodeLine& line : kCodeLines)
    if (line.code <= 0 || line.code >= kDispatchCodes) return false;
  return true;
}
static_assert(CodesFitTheTable(), "marker, operator and exit codes lie in 1..511");

constexpr CodeTable kCodes = MakeCodeTable();

constexpr Dispatch kDispatchOfKind[] = {
#define MORFEL_KIND(NAME, Name, kind) Dispatch::k##Name,
#include "script/instruction_set.h"
};

constexpr bool KindsAreNumberedInOrder() {
  int32_t position = 0;
#define MORFEL_KIND(NAME, Name, kind) \
  if (kind != position++) return false;
#include "script/instruction_set.h"
  return true;
}
static_assert(KindsAreNumberedInOrder(), "kinds numbered 0, 1, 2 ... in their order");

constexpr uint32_t kKinds = sizeof kDispatchOfKind / sizeof kDispatchOfKind[0];

inline Dispatch DispatchOf(const Instruction& record) {
  if (record.kind == KIND_OP)
    return static_cast<uint32_t>(record.code) < static_cast<uint32_t>(kDispatchCodes)
               ? kCodes.dispatch[record.code]
               : Dispatch::kCall;
  return static_cast<uint32_t>(record.kind) < kKinds ? kDispatchOfKind[record.kind]
                                                     : Dispatch::kBadKind;
}

// Replaces the two top values by the operator's result, whose address entry
// is a's, already in place. False when fewer than two values are held.
template <double (*kOperator)(double, double)>
inline bool Combine(double* values, int32_t& top) {
  if (top < 2) return false;
  --top;
  values[top - 1] = kOperator(values[top - 1], values[top]);
  return true;
}

// Replaces the top value by the operator's result; it names no variable any
// more. False when the stack is empty.
template <double (*kOperator)(double)>
inline bool Transform(double* values, double** cells, int32_t top) {
  if (top == 0) return false;
  values[top - 1] = kOperator(values[top - 1]);
  cells[top - 1] = nullptr;
  return true;
}

}  // namespace

// Passes over the records from `from` that a failed test or an ELSE skips:
// only markers count, nesting from 1, so that the skip ends at this
// construct's own ELSE, IF-END or LOOP-END. Returns the record after that
// marker (the marker's work would only be to end the skip), or `end` when
// the code ends first. The code generator plans its jumps with it.
const Instruction* SkipBranch(const Instruction* from, const Instruction* end) {
  int32_t depth = 1;
  for (; from < end; ++from) {
    if (from->kind != KIND_OP) continue;
    if (static_cast<uint32_t>(from->code) >= static_cast<uint32_t>(kDispatchCodes)) continue;
    switch (kCodes.nesting[from->code]) {
      case Nesting::kOpens:
        ++depth;
        break;
      case Nesting::kCloses:
        if (--depth == 0) return from + 1;
        break;
      case Nesting::kSplits:
        if (depth <= 1) return from + 1;
        break;
      case Nesting::kFlat:
        break;
    }
  }
  return end;
}

namespace {

RunOutcome Stopped(StopReason reason) { return {RunOutcome::Status::kStopped, reason, 0, 0.0}; }

RunOutcome Exited(int32_t code) {
  return {RunOutcome::Status::kExited, StopReason::kNone, code, 0.0};
}

RunOutcome Finished(const double* values, int32_t top) {
  if (top > 0)
    return {RunOutcome::Status::kFinishedWithValue, StopReason::kNone, 0, values[top - 1]};
  return {RunOutcome::Status::kFinished, StopReason::kNone, 0, 0.0};
}

}  // namespace

// A traced run tells its observer of each record before the record's step;
// an untraced one compiles to the loop without it.
#define TELL_OBSERVER()                                                                       \
  do {                                                                                        \
    if constexpr (kTraced)                                                                    \
      observer->beforeRecord(observer->context, static_cast<int32_t>(current - program.data), \
                             values, cells, top);                                             \
  } while (0)

// Dispatch: where the compiler can jump to labels, every step jumps straight
// to the next record's step, so the processor predicts each jump from the
// step it leaves; elsewhere one switch in a loop serves (also when
// MORFEL_SWITCH_DISPATCH is defined, to build and check that form). The
// steps are written once, between DISPATCH's braces, for both forms: each
// STEP is a label or a case, followed by its block.
#if defined(__GNUC__) && !defined(MORFEL_SWITCH_DISPATCH)
#define MORFEL_THREADED_DISPATCH 1
#define DISPATCH(step) goto* kStepTargets[static_cast<uint8_t>(step)];
#define STEP(name) step_##name:
#define NEXT_STEP()                                                 \
  do {                                                              \
    if (record >= end) goto finished;                               \
    current = record++;                                             \
    TELL_OBSERVER();                                                \
    goto* kStepTargets[static_cast<uint8_t>(DispatchOf(*current))]; \
  } while (0)
#else
#define DISPATCH(step) switch (step)
#define STEP(name) case Dispatch::k##name:
#define NEXT_STEP() continue
#endif

namespace {

// The interpreter proper, with or without an observer.
template <bool kTraced>
RunOutcome Interpret(ScriptEngine& engine, const GrowArray<Instruction>& program,
                     const RunObserver* observer) {
  const Instruction* record = program.data;
  const Instruction* const end = record + (program.size > 0 ? program.size : 0);

  // Stack storage is fetched once; `top` counts the values held.
  double* const values = engine.valueStack.data;
  double** const cells = engine.addressStack.data;
  const int32_t stackLimit = engine.StackLimit();
  int32_t top = 0;

  char textRegister[kScriptTextSize];
  textRegister[0] = '\0';
  // The record after each running loop's LOOP-START: its condition.
  const Instruction* loopStack[kMaxLoopNesting];
  int32_t loops = 0;

#if defined(MORFEL_THREADED_DISPATCH)
  static const void* const kStepTargets[] = {
      &&step_BadKind,
#define MORFEL_KIND(NAME, Name, kind) &&step_##Name,
#include "script/instruction_set.h"
#define MORFEL_OPCODE(NAME, Name, code, form, token, level, nesting, takes, leaves) &&step_##Name,
#include "script/instruction_set.h"
      &&step_Exit,
  };
#endif

  const Instruction* current;
  for (;;) {
    if (record >= end) goto finished;
    current = record++;
    TELL_OBSERVER();
    DISPATCH(DispatchOf(*current)) {
      STEP(Const) {
        if (top >= stackLimit) return Stopped(StopReason::kStackFull);
        values[top] = current->value;
        cells[top++] = nullptr;
        NEXT_STEP();
      }
      STEP(Var) {
        if (current->cell == nullptr) return Stopped(StopReason::kBadRecord);
        if (top >= stackLimit) return Stopped(StopReason::kStackFull);
        values[top] = *current->cell;
        cells[top++] = current->cell;
        NEXT_STEP();
      }
      STEP(Str) {
        size_t length = strnlen(current->text, sizeof(current->text) - 1);
        memcpy(textRegister, current->text, length);
        textRegister[length] = '\0';
        NEXT_STEP();
      }
      STEP(BadKind) { return Stopped(StopReason::kBadRecord); }
      STEP(End) {
        top = 0;
        NEXT_STEP();
      }
      STEP(LoopStart) {
        if (loops >= kMaxLoopNesting) return Stopped(StopReason::kLoopNesting);
        loopStack[loops++] = record;
        NEXT_STEP();
      }
      STEP(LoopEnd) {
        if (loops == 0) return Stopped(StopReason::kBadRecord);
        // Going round counts against the run budget.
        if (--engine.workLeft <= 0 && !engine.KeepGoing()) return Stopped(StopReason::kInterrupted);
        record = loopStack[loops - 1];
        NEXT_STEP();
      }
      STEP(IfEnd) {
        NEXT_STEP();  // reached while running: a then branch without else
      }
      STEP(Else) {
        record = SkipBranch(record, end);  // the then branch ran
        NEXT_STEP();
      }
      STEP(IfTest) {
        if (top == 0) return Stopped(StopReason::kMissingOperand);
        if (values[--top] == 0.0) record = SkipBranch(record, end);
        NEXT_STEP();
      }
      STEP(LoopTest) {
        if (top == 0) return Stopped(StopReason::kMissingOperand);
        if (values[--top] == 0.0) {
          if (loops > 0) --loops;
          record = SkipBranch(record, end);
        }
        NEXT_STEP();
      }
      STEP(Exit) {
        if (top == 0) return Stopped(StopReason::kMissingOperand);
        return Exited(TruncateToInt32(values[top - 1]));
      }
      STEP(Assign) {
        // The target is the cell under the value; a value that came from a
        // constant (x = 1, 2;) names no variable and nothing is stored.
        if (top < 2) return Stopped(StopReason::kMissingOperand);
        --top;
        values[top - 1] = values[top];
        if (cells[top - 1] != nullptr) *cells[top - 1] = values[top];
        NEXT_STEP();
      }
      // The operators: a line of instruction_set.h and its function in
      // operators.h make the step. Operators take b from the top; two-operand
      // ones then replace the value under it, a, by the result, whose address
      // entry stays in place.
#define MORFEL_STEP_MARKER(Name)
#define MORFEL_STEP_TEST(Name)
#define MORFEL_STEP_ASSIGN(Name)
#define MORFEL_STEP_UNARY(Name)                                 \
  STEP(Name) {                                                  \
    if (!Transform<script_operators::Name>(values, cells, top)) \
      return Stopped(StopReason::kMissingOperand);              \
    NEXT_STEP();                                                \
  }
#define MORFEL_STEP_BINARY(Name)                       \
  STEP(Name) {                                         \
    if (!Combine<script_operators::Name>(values, top)) \
      return Stopped(StopReason::kMissingOperand);     \
    NEXT_STEP();                                       \
  }
#define MORFEL_OPCODE(NAME, Name, code, form, token, level, nesting, takes, leaves) \
  MORFEL_STEP_##form(Name)
#include "script/instruction_set.h"
#undef MORFEL_STEP_MARKER
#undef MORFEL_STEP_TEST
#undef MORFEL_STEP_ASSIGN
#undef MORFEL_STEP_UNARY
#undef MORFEL_STEP_BINARY
      STEP(Call) {
        // A built-in call: its numeric arguments are the top stackArgs
        // values, the first deepest; one result takes their place.
        const BuiltinEntry* builtin = FindBuiltinByCode(current->code);
        if (builtin == nullptr || builtin->handler == nullptr)
          return Stopped(StopReason::kBadRecord);
        if (top == 0 || top < builtin->stackArgs) return Stopped(StopReason::kMissingOperand);
        top -= builtin->stackArgs;
        double value = builtin->handler(engine, &values[top], textRegister);
        values[top] = value;
        cells[top++] = nullptr;
        NEXT_STEP();
      }
    }
  }

finished:
  return Finished(values, top);
}

}  // namespace

RunOutcome ScriptEngine::Run(ProgramSlot slot) {
  GrowArray<Instruction>* program = ProgramAt(slot);
  if (program == nullptr) return Stopped(StopReason::kBadRecord);
  if (slot == ProgramSlot::kTransform && engineWanted == EngineKind::kCompiled) {
    const int32_t limit = StackLimit();
    if (nativeProgram == nullptr || !native::StillFor(*nativeProgram, *program, limit)) {
      if (program->data != nativeTriedData || program->size != nativeTriedSize ||
          limit != nativeTriedLimit)
        ChooseEngine();
    }
    if (nativeProgram != nullptr && native::StillFor(*nativeProgram, *program, limit))
      return native::Run(*nativeProgram, *this);
  }
  return Interpret<false>(*this, *program, nullptr);
}

RunOutcome ScriptEngine::RunTraced(ProgramSlot slot, const RunObserver& observer) {
  GrowArray<Instruction>* program = ProgramAt(slot);
  if (program == nullptr) return Stopped(StopReason::kBadRecord);
  if (observer.beforeRecord == nullptr) return Interpret<false>(*this, *program, nullptr);
  return Interpret<true>(*this, *program, &observer);
}

#undef DISPATCH
#undef STEP
#undef NEXT_STEP
#undef TELL_OBSERVER
#undef MORFEL_THREADED_DISPATCH
