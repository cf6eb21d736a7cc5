// The execution loop: a stack machine over doubles with a parallel stack of
// variable cells for assignment. if/else/while are carried out by skipping
// records while counting nesting; there are no jumps except the return of
// a loop's end to its start.
//
// Every push is checked against the stack size that Reset or PrepareRun
// gave, every operator against the values it takes, and the loop stack
// against its ten entries: code that would need more stops the run with 0
// instead of touching memory outside the stacks.
#include <cstring>

#include "script/script.h"

namespace {

// Why the loop ends early: the outcome that Run reports.
constexpr int32_t kStopped = 0;

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

// The value that a two-operand operator leaves in place of a (under) and b
// (on top). Assignment is not among them: it also stores.
double Combine(int32_t code, double a, double b) {
  switch (code) {
    case OP_ADD: return a + b;
    case OP_SUB: return a - b;
    case OP_MUL: return a * b;
    case OP_DIV: return b == 0.0 ? 0.0 : a / b;
    case OP_MOD: return Remainder(a, b);
    case OP_LT: return Flag(a < b);
    case OP_GT: return Flag(a > b);
    case OP_LE: return Flag(a <= b);
    case OP_GE: return Flag(a >= b);
    case OP_EQ: return Flag(a == b);
    case OP_NE: return Flag(a != b);
    case OP_AND: return Flag(Truthy(a) && Truthy(b));
    default: return Flag(Truthy(a) || Truthy(b));  // OP_OR
  }
}

// While skipping only the markers matter: they track nesting so that the
// skip ends at this construct's own ELSE, IF-END or LOOP-END. Returns
// whether skipping goes on. Where it ends, nesting restarts at 1; the
// IF-END or ELSE reached that way would have done the same when executed.
bool StillSkipping(int32_t code, int32_t& depth) {
  switch (code) {
    case OP_IF_TEST:
    case OP_LOOP_START:
      ++depth;
      return true;
    case OP_LOOP_END:
    case OP_IF_END:
      if (--depth != 0) return true;
      break;
    case OP_ELSE:
      if (depth > 1) return true;
      break;
    default:
      return true;
  }
  depth = 1;
  return false;
}

}  // namespace

int32_t ScriptEngine::Run(double* result, int32_t slot) {
  GrowArray<Instruction>* program = ProgramAt(slot);
  if (program == nullptr) return kStopped;
  const int32_t count = program->size;
  const Instruction* const code = program->data;

  // Stack storage is fetched once; `top` counts the values held.
  double* const values = valueStack.data;
  double** const cells = addressStack.data;
  const int32_t stackLimit =
      valueStack.size < addressStack.size ? valueStack.size : addressStack.size;
  int32_t top = 0;

  char textRegister[kScriptTextSize];
  textRegister[0] = '\0';
  int32_t loopStack[kMaxLoopNesting];
  int32_t loops = 0;
  bool skipping = false;
  int32_t depth = 0;

  for (int32_t i = 0; i < count; ++i) {
    const Instruction& record = code[i];
    if (skipping) {
      if (record.kind == KIND_OP) skipping = StillSkipping(record.code, depth);
      continue;
    }

    switch (record.kind) {
      case KIND_CONST:
        if (top >= stackLimit) return kStopped;
        values[top] = record.value;
        cells[top++] = nullptr;
        continue;
      case KIND_VAR:
        if (top >= stackLimit || record.cell == nullptr) return kStopped;
        values[top] = *record.cell;
        cells[top++] = record.cell;
        continue;
      case KIND_STR: {
        size_t length = strnlen(record.text, sizeof(record.text) - 1);
        memcpy(textRegister, record.text, length);
        textRegister[length] = '\0';
        continue;
      }
      case KIND_OP:
        break;
      default:
        return kStopped;
    }

    // Operators take b from the top; two-operand ones then replace the value
    // under it, a, by the result, whose address entry stays in place.
    switch (record.code) {
      case OP_END:
        top = 0;
        continue;
      case OP_LOOP_START:
        if (loops >= kMaxLoopNesting) return kStopped;
        loopStack[loops++] = i;
        continue;
      case OP_LOOP_END:
        if (loops == 0) return kStopped;
        i = loopStack[loops - 1];  // the loop's ++i moves on to the condition
        continue;
      case OP_IF_END:
        skipping = false;
        depth = 1;
        continue;
      case OP_ELSE:
        skipping = true;
        depth = 1;
        continue;
      case OP_IF_TEST:
        if (top == 0) return kStopped;
        if (values[--top] == 0.0) {
          skipping = true;
          depth = 1;
        }
        continue;
      case OP_LOOP_TEST:
        if (top == 0) return kStopped;
        if (values[--top] == 0.0) {
          if (loops > 0) --loops;
          skipping = true;
          depth = 1;
        }
        continue;
      case OP_NEG:
        if (top == 0) return kStopped;
        values[top - 1] = -values[top - 1];
        cells[top - 1] = nullptr;
        continue;
      case OP_EXIT:
        if (top == 0) return kStopped;
        return TruncateToInt32(values[top - 1]);
      case OP_ASSIGN:
        // The target is the cell under the value; a value that came from a
        // constant (x = 1, 2;) names no variable and nothing is stored.
        if (top < 2) return kStopped;
        --top;
        values[top - 1] = values[top];
        if (cells[top - 1] != nullptr) *cells[top - 1] = values[top];
        continue;
      case OP_ADD:
      case OP_SUB:
      case OP_MUL:
      case OP_DIV:
      case OP_MOD:
      case OP_LT:
      case OP_GT:
      case OP_LE:
      case OP_GE:
      case OP_EQ:
      case OP_NE:
      case OP_AND:
      case OP_OR:
        if (top < 2) return kStopped;
        --top;
        values[top - 1] = Combine(record.code, values[top - 1], values[top]);
        continue;
    }

    // A built-in call: its numeric arguments are the top stackArgs values,
    // the first deepest; one result takes their place.
    const BuiltinEntry* builtin = FindBuiltinByCode(record.code);
    if (builtin == nullptr || builtin->handler == nullptr) return kStopped;
    if (top == 0 || top < builtin->stackArgs) return kStopped;
    top -= builtin->stackArgs;
    double value = builtin->handler(*this, &values[top], textRegister);
    values[top] = value;
    cells[top++] = nullptr;
  }

  if (top > 0) {
    if (result != nullptr) *result = values[top - 1];
    return 1;
  }
  if (result != nullptr) *result = 0.0;
  return 0;
}
