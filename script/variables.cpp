// The built-in variables and the engine's small variable operations.
#include "script/script.h"

namespace {

// Where a built-in variable's start value comes from.
enum StartValue { FIXED, IMAGE_WIDTH, IMAGE_HEIGHT, HALF_WIDTH, HALF_HEIGHT };

struct BuiltinVariable {
  const char* name;
  StartValue source;
  double value;  // for FIXED
};

// In the order in which they are installed.
constexpr BuiltinVariable kBuiltinVariables[] = {
    {"x", FIXED, 0.0},       {"y", FIXED, 0.0},        {"r", FIXED, 0.0},
    {"t", FIXED, 0.0},       {"xs", IMAGE_WIDTH, 0.0}, {"ys", IMAGE_HEIGHT, 0.0},
    {"cx", HALF_WIDTH, 0.0}, {"cy", HALF_HEIGHT, 0.0}, {"pi", FIXED, 3.14159},
    {"R", FIXED, 0.0},       {"G", FIXED, 0.0},        {"B", FIXED, 0.0},
    {"T", FIXED, 255.0},     {"H", FIXED, 0.0},        {"L", FIXED, 0.0},
    {"S", FIXED, 0.0},       {"coord", FIXED, 1.0},    {"loop", FIXED, 1.0},
    {"vTplane", FIXED, 0.0}, {"vScale", FIXED, 0.0},   {"keepImage", FIXED, 0.0},
};

// The variables the built-in functions reach through boundCells, in order.
constexpr const char* kBoundNames[kBoundCells] = {"cx", "cy", "R", "G", "B", "T", "H", "L", "S"};

double StartValueFor(const BuiltinVariable& variable, const RgbtImage& image) {
  double width = static_cast<double>(image.width);
  double height = static_cast<double>(image.height);
  switch (variable.source) {
    case IMAGE_WIDTH:
      return width;
    case IMAGE_HEIGHT:
      return height;
    case HALF_WIDTH:
      return width * 0.5;
    case HALF_HEIGHT:
      return height * 0.5;
    case FIXED:
      break;
  }
  return variable.value;
}

}  // namespace

void ScriptEngine::InstallBuiltinVariables(const RgbtImage& image) {
  // SetNumber keeps an existing entry, so compiled code keeps its cells.
  for (const BuiltinVariable& variable : kBuiltinVariables)
    variableTable.SetNumber(variable.name, StartValueFor(variable, image));
}

void ScriptEngine::DefineVariable(const char* name, double value) {
  variableTable.SetNumber(name, value);
}

double* ScriptEngine::VariableCell(const char* name) {
  // Every entry of the table is a Number, so the value is its cell.
  return static_cast<double*>(variableTable.FindValue(name));
}

int32_t ScriptEngine::LookupNumber(const char* name, double* value) {
  double found = 0.0;
  int32_t ok = variableTable.GetNumber(name, &found);
  if (value != nullptr) *value = found;
  return ok;
}

int32_t ScriptEngine::PrepareRun(int32_t n) {
  return valueStack.Resize(n) && addressStack.Resize(n) ? 1 : 0;
}

void ScriptEngine::BindRun(RgbtImage* sourceRgb, RgbtImage* sourceT, RgbtImage* destRgb,
                           RgbtImage* destT) {
  for (int32_t k = 0; k < kBoundCells; ++k) boundCells[k] = VariableCell(kBoundNames[k]);
  srcRgb = sourceRgb;
  srcT = sourceT;
  dstRgb = destRgb;
  dstT = destT;
}
