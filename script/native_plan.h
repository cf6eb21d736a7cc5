// Internals of the compiled engine: what the code generator learns about a
// program before it writes a single instruction. The plan of the program
// (script.h) decides each record; the generator adds the limits of its own
// code and which variables are worth a register.
#pragma once

#include <cstdint>
#include <vector>

#include "script/script.h"

namespace native {

// Deepest stack the compiled code keeps; deeper code runs on the interpreter.
constexpr int32_t kMaxPlannedDepth = 256;

struct Plan : ProgramPlan {
  // Variables by weight: references, loops counting eight times per level.
  std::vector<double*> hotCells;
};

// Works out the plan of `count` records for a stack of `stackLimit` values;
// not ok (with the reason) for code the generator cannot write.
void MakePlan(const Instruction* code, int32_t count, int32_t stackLimit, Plan* plan);

}  // namespace native
