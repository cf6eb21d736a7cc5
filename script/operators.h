// The two-operand operators of the language: their source token and OP code,
// grouped by precedence level. The parser matches them from these tables and
// the disassembler names them from the same rows.
#pragma once

#include <cstdint>

struct OperatorToken {
  const char* token;  // null in the closing row
  int32_t code;
};

// "&&" "||": one level, left to right.
extern const OperatorToken kLogicalOperators[];
// "<" ">" "<=" ">=" "==" "!=", tried in this order ("<" before "<=": the
// parser backs off when no operand follows the shorter match).
extern const OperatorToken kRelationalOperators[];
extern const OperatorToken kAdditiveOperators[];
extern const OperatorToken kMultiplicativeOperators[];
// "=" of an assignment.
extern const OperatorToken kAssignmentOperator[];

// Source token of a two-operand operator code, or null.
const char* OperatorText(int32_t code);
