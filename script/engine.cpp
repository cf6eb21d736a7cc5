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
