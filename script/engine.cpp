// Construction, reset and destruction of the engine, and access to its
// program slots.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "script/native_code.h"
#include "script/script.h"

namespace {

// Reset clears only the 3x3 part of each matrix; a 5x5 matrix keeps its
// remaining coefficients until it is set again.
constexpr int32_t kResetMatrixCells = 9;

}  // namespace

ScriptEngine::ScriptEngine() { Reset(); }

ScriptEngine::~ScriptEngine() {
  DiscardNativeProgram();
  // The program slots go first; the members then go in reverse order of
  // declaration: image slots, scratch code, variables, address and value
  // stacks.
  delete[] programSlots;
  programSlots = nullptr;
}

void ScriptEngine::Reset() {
  DiscardNativeProgram();
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

EngineKind EngineFromEnvironment() {
  const char* wanted = std::getenv("MORFEL_ENGINE");
  if (wanted != nullptr && std::strcmp(wanted, "interpreter") == 0) return EngineKind::kInterpreter;
  return EngineKind::kCompiled;
}

bool LanesFromEnvironment() {
  const char* wanted = std::getenv("MORFEL_LANES");
  return wanted == nullptr || std::strcmp(wanted, "off") != 0;
}

bool WideLanesFromEnvironment() {
  const char* wanted = std::getenv("MORFEL_LANES");
  return wanted == nullptr || std::strcmp(wanted, "four") != 0;
}

void ScriptEngine::DiscardNativeProgram() {
  native::Destroy(nativeProgram);
  nativeProgram = nullptr;
  nativeTriedData = nullptr;
  nativeTriedSize = -1;
  nativeTriedLimit = -1;
  nativeReason[0] = '\0';
}

EngineChoice ScriptEngine::ChooseEngine() {
  EngineChoice choice{EngineKind::kInterpreter, {}};
  GrowArray<Instruction>* program = ProgramAt(ProgramSlot::kTransform);
  if (engineWanted == EngineKind::kInterpreter || program == nullptr) {
    std::snprintf(choice.reason, sizeof choice.reason, "%s", "asked for");
    return choice;
  }
  const int32_t limit = StackLimit();
  // Code whose row functions took a variable as a constant is made again
  // once the variable has another value (a new Init, another parameter).
  if (nativeProgram == nullptr || !native::BuiltFrom(*nativeProgram, *program, limit) ||
      !native::RowStillHolds(*nativeProgram)) {
    DiscardNativeProgram();
    nativeProgram = native::Build(*this, *program, limit, nativeReason, sizeof nativeReason);
    nativeTriedData = program->data;
    nativeTriedSize = program->size;
    nativeTriedLimit = limit;
  }
  if (nativeProgram == nullptr) {
    std::snprintf(choice.reason, sizeof choice.reason, "%s", nativeReason);
    return choice;
  }
  choice.kind = EngineKind::kCompiled;
  native::Describe(*nativeProgram, *this, choice.reason, sizeof choice.reason);
  return choice;
}

bool ScriptEngine::HasCompiledRow() {
  if (engineWanted != EngineKind::kCompiled || nativeProgram == nullptr ||
      nativeProgram->row == nullptr)
    return false;
  GrowArray<Instruction>* program = ProgramAt(ProgramSlot::kTransform);
  return program != nullptr && native::StillFor(*nativeProgram, *program, StackLimit()) &&
         native::RowStillHolds(*nativeProgram);
}

CompiledRowEnd ScriptEngine::RunCompiledRow(CompiledRowFrame* frame) {
  double value = 0.0;
  const int32_t code = native::RunRow(*nativeProgram, this, &value, frame, lanesWanted);
  switch (static_cast<native::Ending>(code & 0xFF)) {
    case native::Ending::kRowDone:
      return {CompiledRowEnd::Kind::kRowDone, {}};
    case native::Ending::kOutOfBudget:
      return {CompiledRowEnd::Kind::kOutOfBudget, {}};
    default:
      return {CompiledRowEnd::Kind::kProgramEnded, native::OutcomeOf(code, value)};
  }
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
