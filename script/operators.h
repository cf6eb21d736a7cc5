// The operators of the language: what each one computes, and the source
// tokens the parser matches at each precedence level. Both come from the
// lines of instruction_set.h: a UNARY or BINARY line names the function here
// that computes its result, shared by every engine that carries the
// operator out.
#pragma once

#include <cstdint>

#include "script/script.h"

namespace script_operators {

inline bool Truthy(double value) { return TruncateToInt32(value) != 0; }
inline double Flag(bool holds) { return holds ? 1.0 : 0.0; }

// Two operands: a was pushed first, b is the top.
inline double Add(double a, double b) { return a + b; }
inline double Subtract(double a, double b) { return a - b; }
inline double Multiply(double a, double b) { return a * b; }
inline double Divide(double a, double b) { return b == 0.0 ? 0.0 : a / b; }
// Remainder with the operands truncated; a negative dividend is first moved
// down by just under one, as the language has always done.
inline double Remainder(double a, double b) {
  int32_t divisor = TruncateToInt32(b);
  if (divisor == 0) return 0.0;
  int32_t dividend = a >= 0.0 ? TruncateToInt32(a) : TruncateToInt32(a - 0.99999);
  if (divisor == -1) return 0.0;  // also keeps INT32_MIN % -1 defined
  return static_cast<double>(dividend % divisor);
}
inline double Less(double a, double b) { return Flag(a < b); }
inline double Greater(double a, double b) { return Flag(a > b); }
inline double LessEqual(double a, double b) { return Flag(a <= b); }
inline double GreaterEqual(double a, double b) { return Flag(a >= b); }
inline double Equal(double a, double b) { return Flag(a == b); }
inline double NotEqual(double a, double b) { return Flag(a != b); }
// Both operands are always evaluated, and truncated before the test.
inline double And(double a, double b) { return Flag(Truthy(a) && Truthy(b)); }
inline double Or(double a, double b) { return Flag(Truthy(a) || Truthy(b)); }

// One operand.
inline double Negate(double b) { return -b; }

}  // namespace script_operators

// The levels of the `level` column of instruction_set.h.
enum class Precedence : int32_t {
  kNone,            // not matched by the parser as an operator (markers)
  kLogical,         // "&&" "||", left to right
  kRelational,      // "<" ">" "<=" ">=" "==" "!=", a chain nesting rightward
  kAdditive,        // left to right
  kMultiplicative,  // left to right
  kAssignment,      // "=" after a variable, rightward
  kPrefix,          // before an operand: unary minus
};

struct OperatorToken {
  const char* token;  // null in the closing row
  int32_t code;
};

// The operators of one level in the order the parser tries them ("<"
// before "<=": the parser backs off when no operand follows the shorter
// match), closed by a row whose token is null.
const OperatorToken* OperatorsAt(Precedence level);
