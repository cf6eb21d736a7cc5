// The built-in variables and the engine's small variable operations.
#include <vector>

#include "script/script.h"

namespace {

// Where a built-in variable's start value comes from.
enum StartValue { FIXED, IMAGE_WIDTH, IMAGE_HEIGHT, HALF_WIDTH, HALF_HEIGHT };

struct StartRule {
  const char* name;
  StartValue source;
  double value;  // for FIXED
};

// In the order in which they are installed.
constexpr StartRule kStartRules[] = {
#define MORFEL_VARIABLE(name, Id, field, start, value, pixel, help) {name, start, value},
#include "script/variable_list.h"
};
static_assert(sizeof kStartRules / sizeof kStartRules[0] == kBuiltinVariableCount,
              "one start value a variable");

// The variables the built-in functions reach through boundCells, in order.
constexpr BuiltinVariable kBound[kBoundCells] = {
    BuiltinVariable::kCx,    BuiltinVariable::kCy,        BuiltinVariable::kRed,
    BuiltinVariable::kGreen, BuiltinVariable::kBlue,      BuiltinVariable::kAlpha,
    BuiltinVariable::kHue,   BuiltinVariable::kLightness, BuiltinVariable::kSaturation};

double StartValueFor(const StartRule& variable, const RgbtImage& image) {
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

const BuiltinVariableEntry kBuiltinVariableTable[kBuiltinVariableCount] = {
#define MORFEL_VARIABLE(name, Id, field, start, value, pixel, help) \
  {name, PixelRole::MORFEL_PIXEL_ROLE_##pixel, help},
#define MORFEL_PIXEL_ROLE_NONE kNone
#define MORFEL_PIXEL_ROLE_CENTRE kCentre
#define MORFEL_PIXEL_ROLE_LOADED kLoaded
#define MORFEL_PIXEL_ROLE_ON_DEMAND kOnDemand
#define MORFEL_PIXEL_ROLE_RESULT kResult
#include "script/variable_list.h"
#undef MORFEL_PIXEL_ROLE_NONE
#undef MORFEL_PIXEL_ROLE_CENTRE
#undef MORFEL_PIXEL_ROLE_LOADED
#undef MORFEL_PIXEL_ROLE_ON_DEMAND
#undef MORFEL_PIXEL_ROLE_RESULT
};

void ScriptEngine::InstallBuiltinVariables(const RgbtImage& image) {
  // SetNumber keeps an existing entry, so compiled code keeps its cells.
  for (const StartRule& variable : kStartRules)
    variableTable.SetNumber(variable.name, StartValueFor(variable, image));
}

void ScriptEngine::DefineVariable(const char* name, double value) {
  variableTable.SetNumber(name, value);
}

double* ScriptEngine::VariableCell(const char* name) {
  // Every entry of the table is a Number, so the value is its cell.
  return static_cast<double*>(variableTable.FindValue(name));
}

double* ScriptEngine::BuiltinCell(BuiltinVariable variable) {
  return VariableCell(EntryOf(variable).name);
}

const char* ScriptEngine::NameOfCell(const double* cell) const {
  for (int index = 0; index < variableTable.count(); ++index)
    if (variableTable.ValueAt(index) == cell) return variableTable.NameAt(index);
  return nullptr;
}

bool ScriptEngine::BindPixelCells(PixelCells* cells) {
  bool bound = true;
#define MORFEL_PIXEL_CELL_NONE(Id, field)
#define MORFEL_PIXEL_CELL_ROLE(Id, field)             \
  cells->field = BuiltinCell(BuiltinVariable::k##Id); \
  bound = bound && cells->field != nullptr;
#define MORFEL_PIXEL_CELL_CENTRE MORFEL_PIXEL_CELL_ROLE
#define MORFEL_PIXEL_CELL_LOADED MORFEL_PIXEL_CELL_ROLE
#define MORFEL_PIXEL_CELL_ON_DEMAND MORFEL_PIXEL_CELL_ROLE
#define MORFEL_PIXEL_CELL_RESULT MORFEL_PIXEL_CELL_ROLE
#define MORFEL_VARIABLE(name, Id, field, start, value, pixel, help) \
  MORFEL_PIXEL_CELL_##pixel(Id, field)
#include "script/variable_list.h"
#undef MORFEL_PIXEL_CELL_NONE
#undef MORFEL_PIXEL_CELL_ROLE
#undef MORFEL_PIXEL_CELL_CENTRE
#undef MORFEL_PIXEL_CELL_LOADED
#undef MORFEL_PIXEL_CELL_ON_DEMAND
#undef MORFEL_PIXEL_CELL_RESULT
  return bound;
}

bool ScriptEngine::NamesOnDemandVariable(const GrowArray<Instruction>& code) {
  std::vector<double*> onDemand;
  for (int32_t k = 0; k < kBuiltinVariableCount; ++k) {
    if (kBuiltinVariableTable[k].pixel != PixelRole::kOnDemand) continue;
    double* cell = BuiltinCell(static_cast<BuiltinVariable>(k));
    if (cell != nullptr) onDemand.push_back(cell);
  }
  for (int32_t i = 0; i < code.size; ++i) {
    const Instruction& record = code.data[i];
    if (record.kind != KIND_VAR) continue;
    for (const double* cell : onDemand)
      if (record.cell == cell) return true;
  }
  return false;
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
  for (int32_t k = 0; k < kBoundCells; ++k) boundCells[k] = BuiltinCell(kBound[k]);
  srcRgb = sourceRgb;
  srcT = sourceT;
  dstRgb = destRgb;
  dstT = destT;
}
