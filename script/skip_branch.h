// Internals of the script engine: the interpreter's rule for skipping a
// branch, shared by the execution loop and the plan of a program, which
// must agree on where every skip lands.
#pragma once

#include "script/script.h"

// From the record after a failed test or an ELSE, the record after the
// marker that ends the skip, or `end`.
const Instruction* SkipBranch(const Instruction* from, const Instruction* end);
