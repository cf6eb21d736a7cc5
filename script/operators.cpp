// The parser's operator tables, one per precedence level, collected from
// instruction_set.h while compiling.
#include "script/operators.h"

#include "script/script.h"

namespace {

#define MORFEL_LEVEL_NONE Precedence::kNone
#define MORFEL_LEVEL_LOGICAL Precedence::kLogical
#define MORFEL_LEVEL_RELATIONAL Precedence::kRelational
#define MORFEL_LEVEL_ADDITIVE Precedence::kAdditive
#define MORFEL_LEVEL_MULTIPLICATIVE Precedence::kMultiplicative
#define MORFEL_LEVEL_ASSIGNMENT Precedence::kAssignment
#define MORFEL_LEVEL_PREFIX Precedence::kPrefix

struct OperatorLine {
  const char* token;
  int32_t code;
  Precedence level;
};

constexpr OperatorLine kLines[] = {
#define MORFEL_OPCODE(NAME, Name, code, form, token, level, nesting, takes, leaves) \
  {token, code, MORFEL_LEVEL_##level},
#include "script/instruction_set.h"
};

constexpr int32_t kLineCount = sizeof kLines / sizeof kLines[0];
constexpr int32_t kLevelCount = static_cast<int32_t>(Precedence::kPrefix) + 1;

struct LevelTable {
  OperatorToken rows[kLineCount + 1] = {};
};

constexpr LevelTable Collect(Precedence level) {
  LevelTable table;
  int32_t n = 0;
  for (const OperatorLine& line : kLines)
    if (line.level == level) table.rows[n++] = {line.token, line.code};
  table.rows[n] = {nullptr, 0};
  return table;
}

constexpr LevelTable kLevels[kLevelCount] = {
    Collect(Precedence::kNone),           Collect(Precedence::kLogical),
    Collect(Precedence::kRelational),     Collect(Precedence::kAdditive),
    Collect(Precedence::kMultiplicative), Collect(Precedence::kAssignment),
    Collect(Precedence::kPrefix),
};

// The parser counts a run of prefix operators instead of recursing, which
// holds for one prefix operator only; it matches the assignment token alone.
static_assert(kLevels[static_cast<int32_t>(Precedence::kPrefix)].rows[1].token == nullptr,
              "one prefix operator");
static_assert(kLevels[static_cast<int32_t>(Precedence::kAssignment)].rows[1].token == nullptr,
              "one assignment operator");

}  // namespace

const OperatorToken* OperatorsAt(Precedence level) {
  const int32_t index = static_cast<int32_t>(level);
  return kLevels[index >= 0 && index < kLevelCount ? index : 0].rows;
}
