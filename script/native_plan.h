// Internals of the compiled engine: what the code generator learns about a
// program before it writes a single instruction.
//
// The postfix code has no jumps, but its shape is static: at every record
// the number of values on the stack, the variable cell under each of them
// (the target of an assignment) and the loops being executed are the same
// on every path that reaches it, for all code the compiler writes. The plan
// walks every path once and records that state, turning each record into
// one action whose checks (empty stack, full stack, loop nesting, unknown
// records) are already decided. Code whose state differs between two paths
// cannot be run this way and stays with the interpreter.
#pragma once

#include <cstdint>
#include <vector>

#include "script/script.h"

// The interpreter's skip rule (run.cpp): from the record after a failed test
// or an ELSE, the record after the marker that ends the skip, or `end`.
const Instruction* SkipBranch(const Instruction* from, const Instruction* end);

namespace native {

// The operators of instruction_set.h, by their step name.
enum class Operator : uint8_t {
#define MORFEL_OPCODE(NAME, Name, code, form, token, level, nesting, takes, leaves) k##Name,
#include "script/instruction_set.h"
};

enum class Action : uint8_t {
  kUnreached,  // no path runs it: no code
  kNothing,    // nothing at run time (IF-END, LOOP-START)
  kEmpty,      // END: the stack emptied, nothing at run time
  kConst,      // push `value`
  kVar,        // push the variable at `cell`
  kText,       // the text register becomes this record's text
  kJump,       // ELSE: on to `target`
  kTest,       // IF-TEST, LOOP-TEST: pop; 0 goes to `target`
  kLoopBack,   // LOOP-END: one unit of the run budget, then to `target`
  kAssign,     // store the top into `cell` (when not null), drop a
  kOperator,   // `op` on the top one or two values
  kCall,       // `handler` on the top `takes` values
  kExit,       // ends the run with the top value
  kStop,       // the engine stops the run here with `stop`
};

struct Step {
  Action action = Action::kUnreached;
  int32_t depth = 0;   // values on the stack before the record
  int32_t target = 0;  // kJump, kTest, kLoopBack: record index (count: the end)
  Operator op = Operator::kAdd;
  StopReason stop = StopReason::kNone;
  int32_t takes = 0;  // kCall: values taken; kOperator: 1 or 2
  BuiltinHandler handler = nullptr;
  double value = 0.0;      // kConst
  double* cell = nullptr;  // kVar, kAssign (null: nothing stored)
  int32_t loops = 0;       // loops being executed before the record
};

// Deepest stack the compiled code keeps; deeper code runs on the interpreter.
constexpr int32_t kMaxPlannedDepth = 256;

struct Plan {
  std::vector<Step> steps;  // one per record
  int32_t maxDepth = 0;
  // Variables by weight: references, loops counting eight times per level.
  std::vector<double*> hotCells;
  bool ok = false;
  char reason[96] = {};  // why not, when !ok
};

// Works out the plan of `count` records for a stack of `stackLimit` values.
void MakePlan(const Instruction* code, int32_t count, int32_t stackLimit, Plan* plan);

}  // namespace native
