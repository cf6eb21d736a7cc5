// Internals of the compiled engine: the variables a Transform program reads
// but never writes, taken as constants of the pass by its row functions.
//
// Init and the parameters set such variables (a radius, a weight, the
// image's edges) once before a pass; every pixel then reads the same value.
// The row functions are written with those values in the code, which frees
// their registers for the variables that change and lets the operators take
// them as immediates. Such code holds only while every one of those cells
// still has the value it was written for: a new Init, another parameter
// value or another image makes new code (ConstantsHold, checked before each
// pass). The program's plain function never takes them: it runs single
// pixels (a preview's probe, a traced run) with whatever the cells hold.
#pragma once

#include <cstdint>
#include <vector>

#include "script/native_plan.h"
#include "script/script.h"

namespace native {

struct PassConstant {
  double* cell;
  uint64_t bits;  // the value the code was written with
};

// The cells of `plan` that no record of it assigns and nothing else writes
// during a pass (the pixel driver, a built-in), with their values now; cx
// and cy among them when the program leaves them alone, since the row
// function and its pixel built-ins read them for every pixel.
std::vector<PassConstant> FindPassConstants(const Plan& plan, ScriptEngine& engine);

// `plan` with every read of a constant turned into that constant, and the
// constants no longer among the variables worth a register.
Plan WithPassConstants(const Plan& plan, const std::vector<PassConstant>& constants);

// True when every cell still holds the value the code was written with.
bool ConstantsHold(const std::vector<PassConstant>& constants);

// The constant's value when `cell` is one, or null.
const PassConstant* FindPassConstant(const std::vector<PassConstant>& constants,
                                     const double* cell);

double ValueOf(const PassConstant& constant);

}  // namespace native
