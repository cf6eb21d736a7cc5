#include "script/operators.h"

#include "script/script.h"

const OperatorToken kLogicalOperators[] = {{"&&", OP_AND}, {"||", OP_OR}, {nullptr, 0}};
const OperatorToken kRelationalOperators[] = {{"<", OP_LT},  {">", OP_GT},  {"<=", OP_LE},
                                              {">=", OP_GE}, {"==", OP_EQ}, {"!=", OP_NE},
                                              {nullptr, 0}};
const OperatorToken kAdditiveOperators[] = {{"+", OP_ADD}, {"-", OP_SUB}, {nullptr, 0}};
const OperatorToken kMultiplicativeOperators[] = {
    {"*", OP_MUL}, {"/", OP_DIV}, {"%", OP_MOD}, {nullptr, 0}};
const OperatorToken kAssignmentOperator[] = {{"=", OP_ASSIGN}, {nullptr, 0}};

const char* OperatorText(int32_t code) {
  static const OperatorToken* const kLevels[] = {kLogicalOperators, kRelationalOperators,
                                                 kAdditiveOperators, kMultiplicativeOperators,
                                                 kAssignmentOperator};
  for (const OperatorToken* level : kLevels)
    for (const OperatorToken* row = level; row->token != nullptr; ++row)
      if (row->code == code) return row->token;
  return nullptr;
}
