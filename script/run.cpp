// The execution loop: a stack machine over doubles with a parallel stack of
// variable cells for assignment. if/else/while are carried out by skipping
// records while counting nesting; there are no jumps except the return of
// a loop's end to its start.
//
// Every push is checked against the stack size that Reset or PrepareRun
// gave, every operator against the values it takes, and the loop stack
// against its ten entries: code that would need more stops the run with 0
// instead of touching memory outside the stacks.
//
// The Transform program runs once per pixel, so the loop is kept tight: an
// OP record's code becomes a small step number by one table look-up, a
// single jump table then reaches every marker and operator, and a skip is a
// loop of its own that looks only at markers.
#include <cstring>

#include "script/script.h"

namespace {

// Why the loop ends early: the outcome that Run reports.
constexpr int32_t kStopped = 0;

// What a record does: its kind, or for an OP record what its code means.
// Every OP code that is not a marker or an operator is a built-in call (or
// unknown, which the call look-up finds out). One list makes both the
// enumeration and, where the compiler can jump to labels, the jump table.
#define MORFEL_RUN_STEPS(X)                                                                    \
  X(BadKind) X(Const) X(Var) X(Str) X(Call) X(End) X(IfTest) X(Else) X(IfEnd) X(LoopStart)     \
  X(LoopTest) X(LoopEnd) X(Add) X(Sub) X(Mul) X(Div) X(Mod) X(Less) X(Greater) X(LessEqual)    \
  X(GreaterEqual) X(Equal) X(NotEqual) X(And) X(Or) X(Assign) X(Neg) X(Exit)

#define MORFEL_STEP_ENUMERATOR(name) k##name,
enum class Step : uint8_t { MORFEL_RUN_STEPS(MORFEL_STEP_ENUMERATOR) };
#undef MORFEL_STEP_ENUMERATOR

struct StepOfCode {
  int32_t code;
  Step step;
};

constexpr StepOfCode kStepOfCode[] = {
    {OP_END, Step::kEnd},
    {OP_IF_TEST, Step::kIfTest},
    {OP_ELSE, Step::kElse},
    {OP_IF_END, Step::kIfEnd},
    {OP_LOOP_START, Step::kLoopStart},
    {OP_LOOP_TEST, Step::kLoopTest},
    {OP_LOOP_END, Step::kLoopEnd},
    {OP_ADD, Step::kAdd},
    {OP_SUB, Step::kSub},
    {OP_MUL, Step::kMul},
    {OP_DIV, Step::kDiv},
    {OP_MOD, Step::kMod},
    {OP_LT, Step::kLess},
    {OP_GT, Step::kGreater},
    {OP_LE, Step::kLessEqual},
    {OP_GE, Step::kGreaterEqual},
    {OP_EQ, Step::kEqual},
    {OP_NE, Step::kNotEqual},
    {OP_AND, Step::kAnd},
    {OP_OR, Step::kOr},
    {OP_ASSIGN, Step::kAssign},
    {OP_NEG, Step::kNeg},
    {OP_EXIT, Step::kExit},
};

// Every marker and operator code lies below this; codes at or above it are
// calls.
constexpr int32_t kStepCodes = 512;

struct StepTable {
  Step step[kStepCodes] = {};
};

constexpr StepTable MakeStepTable() {
  StepTable table;
  for (int32_t code = 0; code < kStepCodes; ++code) table.step[code] = Step::kCall;
  for (const StepOfCode& row : kStepOfCode) table.step[row.code] = row.step;
  return table;
}

constexpr StepTable kSteps = MakeStepTable();

constexpr Step kStepOfKind[] = {Step::kConst, Step::kVar, Step::kCall, Step::kStr};

inline Step StepOf(const Instruction& record) {
  if (record.kind == KIND_OP)
    return static_cast<uint32_t>(record.code) < static_cast<uint32_t>(kStepCodes)
               ? kSteps.step[record.code]
               : Step::kCall;
  return static_cast<uint32_t>(record.kind) < 4u ? kStepOfKind[record.kind] : Step::kBadKind;
}

// Remainder with the operands truncated; a negative dividend is first moved
// down by just under one, as the language has always done.
double Remainder(double a, double b) {
  int32_t divisor = TruncateToInt32(b);
  if (divisor == 0) return 0.0;
  int32_t dividend = a >= 0.0 ? TruncateToInt32(a) : TruncateToInt32(a - 0.99999);
  if (divisor == -1) return 0.0;  // also keeps INT32_MIN % -1 defined
  return static_cast<double>(dividend % divisor);
}

bool Truthy(double value) { return TruncateToInt32(value) != 0; }

double Flag(bool holds) { return holds ? 1.0 : 0.0; }

// The two-operand operators: the value each leaves in place of a (under)
// and b (on top). Assignment is not among them: it also stores.
double Add(double a, double b) { return a + b; }
double Subtract(double a, double b) { return a - b; }
double Multiply(double a, double b) { return a * b; }
double Divide(double a, double b) { return b == 0.0 ? 0.0 : a / b; }
double Less(double a, double b) { return Flag(a < b); }
double Greater(double a, double b) { return Flag(a > b); }
double LessEqual(double a, double b) { return Flag(a <= b); }
double GreaterEqual(double a, double b) { return Flag(a >= b); }
double Equal(double a, double b) { return Flag(a == b); }
double NotEqual(double a, double b) { return Flag(a != b); }
double And(double a, double b) { return Flag(Truthy(a) && Truthy(b)); }
double Or(double a, double b) { return Flag(Truthy(a) || Truthy(b)); }

// Replaces the two top values by the operator's result, whose address entry
// is a's, already in place. False when fewer than two values are held.
template <double (*kOperator)(double, double)>
inline bool Combine(double* values, int32_t& top) {
  if (top < 2) return false;
  --top;
  values[top - 1] = kOperator(values[top - 1], values[top]);
  return true;
}

// Passes over the records from `from` that a failed test or an ELSE skips:
// only markers count, nesting from 1, so that the skip ends at this
// construct's own ELSE, IF-END or LOOP-END. Returns the record after that
// marker (the marker's work would only be to end the skip), or `end` when
// the code ends first.
const Instruction* SkipBranch(const Instruction* from, const Instruction* end) {
  int32_t depth = 1;
  for (; from < end; ++from) {
    if (from->kind != KIND_OP) continue;
    switch (from->code) {
      case OP_IF_TEST:
      case OP_LOOP_START:
        ++depth;
        break;
      case OP_LOOP_END:
      case OP_IF_END:
        if (--depth == 0) return from + 1;
        break;
      case OP_ELSE:
        if (depth <= 1) return from + 1;
        break;
      default:
        break;
    }
  }
  return end;
}

}  // namespace

int32_t ScriptEngine::Run(double* result, int32_t slot) {
  GrowArray<Instruction>* program = ProgramAt(slot);
  if (program == nullptr) return kStopped;
  const Instruction* record = program->data;
  const Instruction* const end = record + (program->size > 0 ? program->size : 0);

  // Stack storage is fetched once; `top` counts the values held.
  double* const values = valueStack.data;
  double** const cells = addressStack.data;
  const int32_t stackLimit =
      valueStack.size < addressStack.size ? valueStack.size : addressStack.size;
  int32_t top = 0;

  char textRegister[kScriptTextSize];
  textRegister[0] = '\0';
  // The record after each running loop's LOOP-START: its condition.
  const Instruction* loopStack[kMaxLoopNesting];
  int32_t loops = 0;

  // Each step ends by moving on to the next record. Where the compiler can
  // jump to labels, every step jumps straight to the next record's step,
  // so the processor predicts each jump from the step it leaves; elsewhere
  // one switch serves (also when MORFEL_SWITCH_DISPATCH is defined, to
  // build and check that form).
  const Instruction* current;
#if defined(__GNUC__) && !defined(MORFEL_SWITCH_DISPATCH)
#define MORFEL_THREADED_DISPATCH 1
#define MORFEL_STEP_TARGET(name) &&step_##name,
  static const void* const kStepTargets[] = {MORFEL_RUN_STEPS(MORFEL_STEP_TARGET)};
#undef MORFEL_STEP_TARGET
#define STEP(name) step_##name
#define NEXT_STEP()                                                         \
  do {                                                                      \
    if (record >= end) goto finished;                                       \
    current = record++;                                                     \
    goto* kStepTargets[static_cast<uint8_t>(StepOf(*current))];             \
  } while (0)
  NEXT_STEP();
  {
#else
#define STEP(name) case Step::k##name
#define NEXT_STEP() continue
  for (;;) {
    if (record >= end) goto finished;
    current = record++;
    switch (StepOf(*current)) {
#endif
    STEP(Const):
      if (top >= stackLimit) return kStopped;
      values[top] = current->value;
      cells[top++] = nullptr;
      NEXT_STEP();
    STEP(Var):
      if (top >= stackLimit || current->cell == nullptr) return kStopped;
      values[top] = *current->cell;
      cells[top++] = current->cell;
      NEXT_STEP();
    STEP(Str): {
      size_t length = strnlen(current->text, sizeof(current->text) - 1);
      memcpy(textRegister, current->text, length);
      textRegister[length] = '\0';
      NEXT_STEP();
    }
    STEP(BadKind):
      return kStopped;
    // Operators take b from the top; two-operand ones then replace the
    // value under it, a, by the result, whose address entry stays in place.
    STEP(End):
      top = 0;
      NEXT_STEP();
    STEP(LoopStart):
      if (loops >= kMaxLoopNesting) return kStopped;
      loopStack[loops++] = record;
      NEXT_STEP();
    STEP(LoopEnd):
      if (loops == 0) return kStopped;
      record = loopStack[loops - 1];
      NEXT_STEP();
    STEP(IfEnd):
      NEXT_STEP();  // reached while running: a then branch without else
    STEP(Else):
      record = SkipBranch(record, end);  // the then branch ran
      NEXT_STEP();
    STEP(IfTest):
      if (top == 0) return kStopped;
      if (values[--top] == 0.0) record = SkipBranch(record, end);
      NEXT_STEP();
    STEP(LoopTest):
      if (top == 0) return kStopped;
      if (values[--top] == 0.0) {
        if (loops > 0) --loops;
        record = SkipBranch(record, end);
      }
      NEXT_STEP();
    STEP(Neg):
      if (top == 0) return kStopped;
      values[top - 1] = -values[top - 1];
      cells[top - 1] = nullptr;
      NEXT_STEP();
    STEP(Exit):
      if (top == 0) return kStopped;
      return TruncateToInt32(values[top - 1]);
    STEP(Assign):
      // The target is the cell under the value; a value that came from a
      // constant (x = 1, 2;) names no variable and nothing is stored.
      if (top < 2) return kStopped;
      --top;
      values[top - 1] = values[top];
      if (cells[top - 1] != nullptr) *cells[top - 1] = values[top];
      NEXT_STEP();
    STEP(Add):
      if (!Combine<Add>(values, top)) return kStopped;
      NEXT_STEP();
    STEP(Sub):
      if (!Combine<Subtract>(values, top)) return kStopped;
      NEXT_STEP();
    STEP(Mul):
      if (!Combine<Multiply>(values, top)) return kStopped;
      NEXT_STEP();
    STEP(Div):
      if (!Combine<Divide>(values, top)) return kStopped;
      NEXT_STEP();
    STEP(Mod):
      if (!Combine<Remainder>(values, top)) return kStopped;
      NEXT_STEP();
    STEP(Less):
      if (!Combine<Less>(values, top)) return kStopped;
      NEXT_STEP();
    STEP(Greater):
      if (!Combine<Greater>(values, top)) return kStopped;
      NEXT_STEP();
    STEP(LessEqual):
      if (!Combine<LessEqual>(values, top)) return kStopped;
      NEXT_STEP();
    STEP(GreaterEqual):
      if (!Combine<GreaterEqual>(values, top)) return kStopped;
      NEXT_STEP();
    STEP(Equal):
      if (!Combine<Equal>(values, top)) return kStopped;
      NEXT_STEP();
    STEP(NotEqual):
      if (!Combine<NotEqual>(values, top)) return kStopped;
      NEXT_STEP();
    STEP(And):
      if (!Combine<And>(values, top)) return kStopped;
      NEXT_STEP();
    STEP(Or):
      if (!Combine<Or>(values, top)) return kStopped;
      NEXT_STEP();
    STEP(Call): {
      // A built-in call: its numeric arguments are the top stackArgs
      // values, the first deepest; one result takes their place.
      const BuiltinEntry* builtin = FindBuiltinByCode(current->code);
      if (builtin == nullptr || builtin->handler == nullptr) return kStopped;
      if (top == 0 || top < builtin->stackArgs) return kStopped;
      top -= builtin->stackArgs;
      double value = builtin->handler(*this, &values[top], textRegister);
      values[top] = value;
      cells[top++] = nullptr;
      NEXT_STEP();
    }
#if !defined(MORFEL_THREADED_DISPATCH)
    }
#endif
  }
#undef STEP
#undef NEXT_STEP
#undef MORFEL_THREADED_DISPATCH

finished:
  if (top > 0) {
    if (result != nullptr) *result = values[top - 1];
    return 1;
  }
  if (result != nullptr) *result = 0.0;
  return 0;
}
