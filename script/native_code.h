// Internals of the compiled engine shared by the engine (run.cpp,
// engine.cpp) and the code generator: a Transform program turned into a
// function of machine code, exact to the interpreter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "script/native_constants.h"
#include "script/script.h"

struct NativeProgram {
  using Function = int32_t (*)(ScriptEngine* engine, double* value);
  using RowFunction = int32_t (*)(ScriptEngine* engine, double* value, CompiledRowFrame* frame);
  Function function = nullptr;
  RowFunction row = nullptr;  // null when the engine lacks a pixel variable
  // The same, lanesWidth (four or eight) pixels at a time, where the
  // processor and the program allow it (native_x64_lanes.h); null otherwise.
  RowFunction lanes = nullptr;
  int32_t lanesWidth = 0;
  void* memory = nullptr;
  size_t mapped = 0;
  size_t codeBytes = 0;
  double buildMilliseconds = 0.0;    // planning and writing the code
  std::vector<Instruction> records;  // what it was built from
  const Instruction* data = nullptr;
  int32_t size = 0;
  int32_t stackLimit = 0;
  std::vector<double*> registerCells;  // variables kept in registers
  // The values the row functions were written with (native_constants.h).
  std::vector<native::PassConstant> passConstants;
  // The text of each STR record as the text register receives it.
  std::unique_ptr<char[][kStringOperandSize]> texts;
};

namespace native {

// What the generated function returns, with the value it wrote (the top of
// the stack for a finish with a value or an exit).
enum class Ending : int32_t {
  kFinished = 0,
  kFinishedWithValue = 1,
  kExited = 2,
  kStopped = 3,  // the reason in bits 8 to 15
  // A row function's own endings.
  kRowDone = 4,
  kOutOfBudget = 5,
  // The lanes' own: the scalar row function runs the next group's pixels.
  kLanesHandOver = 6,
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
// Inline, as Run below: both are paid once per pixel.
inline bool StillFor(const NativeProgram& program, const GrowArray<Instruction>& code,
                     int32_t stackLimit) {
  return program.data == code.data && program.size == code.size && program.stackLimit == stackLimit;
}

// The outcome of a run that ended with `code` and wrote `value`.
inline RunOutcome OutcomeOf(int32_t code, double value) {
  switch (static_cast<Ending>(code & 0xFF)) {
    case Ending::kFinished:
      return {RunOutcome::Status::kFinished, StopReason::kNone, 0, 0.0};
    case Ending::kFinishedWithValue:
      return {RunOutcome::Status::kFinishedWithValue, StopReason::kNone, 0, value};
    case Ending::kExited:
      return {RunOutcome::Status::kExited, StopReason::kNone, TruncateToInt32(value), 0.0};
    case Ending::kStopped:
    case Ending::kRowDone:
    case Ending::kOutOfBudget:
    case Ending::kLanesHandOver:
      break;
  }
  return {RunOutcome::Status::kStopped, static_cast<StopReason>(code >> 8), 0, 0.0};
}

inline RunOutcome Run(const NativeProgram& program, ScriptEngine& engine) {
  double value = 0.0;
  const int32_t code = program.function(&engine, &value);  // before value is read
  return OutcomeOf(code, value);
}

// True when the row functions may run: the variables they took as
// constants still hold the values they were written with.
inline bool RowStillHolds(const NativeProgram& program) {
  return ConstantsHold(program.passConstants);
}

// Runs the row in `frame` as the program's row function does (one of its
// endings), through the lanes when the program has them and `lanes` allows.
int32_t RunRow(const NativeProgram& program, ScriptEngine* engine, double* value,
               CompiledRowFrame* frame, bool lanes);

// "412 bytes of machine code for 23 records and the pixel loop in 0.021 ms;
// in registers: a b" into out (always terminated).
void Describe(const NativeProgram& program, ScriptEngine& engine, char* out, size_t outSize);

}  // namespace native
