// Internals of the compiled engine shared by the engine (run.cpp,
// engine.cpp) and the code generator: a Transform program turned into a
// function of machine code, exact to the interpreter.
#pragma once

#include <cstddef>
#include <cstdint>

#include "script/script.h"

namespace native {

// What the generated function returns, with the value it wrote (the top of
// the stack for a finish with a value or an exit).
enum class Ending : int32_t {
  kFinished = 0,
  kFinishedWithValue = 1,
  kExited = 2,
  kStopped = 3,  // the reason in bits 8 to 15
};

// Machine code for `code` run by `engine` with a stack of `stackLimit`
// values. Null when the program cannot be compiled, with the reason in
// `reason` (always terminated).
NativeProgram* Build(ScriptEngine& engine, const GrowArray<Instruction>& code, int32_t stackLimit,
                     char* reason, size_t reasonSize);
void Destroy(NativeProgram* program);

// True when the program was built from exactly these records (compared
// whole) for this stack.
bool BuiltFrom(const NativeProgram& program, const GrowArray<Instruction>& code,
               int32_t stackLimit);
// The quick check made before every run: the same storage, size and stack.
bool StillFor(const NativeProgram& program, const GrowArray<Instruction>& code, int32_t stackLimit);

RunOutcome Run(const NativeProgram& program, ScriptEngine& engine);

// "412 bytes of machine code for 23 records; in registers: a b i u" into
// out (always terminated).
void Describe(const NativeProgram& program, ScriptEngine& engine, char* out, size_t outSize);

}  // namespace native
