// Construction, reset and destruction of the engine, and access to its
// program slots.
#include <cstring>

#include "script/script.h"

namespace {

// Reset clears only the 3x3 part of each matrix; a 5x5 matrix keeps its
// remaining coefficients until it is set again.
constexpr int32_t kResetMatrixCells = 9;

}  // namespace

ScriptEngine::ScriptEngine() { Reset(); }

ScriptEngine::~ScriptEngine() {
  // The program slots go first; the members then go in reverse order of
  // declaration: image slots, scratch code, variables, address and value
  // stacks.
  delete[] programSlots;
  programSlots = nullptr;
}

void ScriptEngine::Reset() {
  errorLine = 0;
  valueStack.Resize(kResetStackSize);
  addressStack.Resize(kResetStackSize);
  delete[] programSlots;
  programSlots = new (std::nothrow) GrowArray<Instruction>[kProgramSlots];
  for (int32_t m = 0; m < kMatrixSlots; ++m) {
    for (int32_t k = 0; k < kResetMatrixCells; ++k) matrixSlot[m][k] = 0.0;
    matrixSize[m] = 0;
  }
}

void ScriptEngine::SetBaseFolder(const char* folder) {
  baseFolder[0] = '\0';
  if (folder == nullptr) return;
  size_t length = strnlen(folder, sizeof(baseFolder) - 1);
  memcpy(baseFolder, folder, length);
  baseFolder[length] = '\0';
}

bool ScriptEngine::KeepGoing() {
  if (budget.keepGoing != nullptr && !budget.keepGoing(budget.context)) {
    workLeft = 0;
    return false;
  }
  workLeft = kWorkBetweenChecks;
  return true;
}

const char* StopReasonText(StopReason reason) {
  switch (reason) {
    case StopReason::kNone:
      return "it was not stopped";
    case StopReason::kStackFull:
      return "the value stack is full";
    case StopReason::kLoopNesting:
      return "too many while loops run inside each other";
    case StopReason::kMissingOperand:
      return "an operator or a function has no value to work on";
    case StopReason::kBadRecord:
      return "it holds an instruction that cannot be carried out";
    case StopReason::kInterrupted:
      return "it was interrupted";
  }
  return "it was stopped";
}
