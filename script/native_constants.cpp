// The constants of a pass (native_constants.h): which variables qualify,
// and the plan that reads them as constants.
#include "script/native_constants.h"

#include <algorithm>
#include <cstring>

namespace native {
namespace {

// The built-in variables something besides the program writes during a
// pass: the driver loads the pixel's position and colour (r and t too, for
// a program naming them) and reads coord back; built-ins set the colour and
// H, L, S. cx and cy are not among them: they are only read.
constexpr BuiltinVariable kWrittenDuringPass[] = {
    BuiltinVariable::kX,         BuiltinVariable::kY,          BuiltinVariable::kRadius,
    BuiltinVariable::kAngle,     BuiltinVariable::kRed,        BuiltinVariable::kGreen,
    BuiltinVariable::kBlue,      BuiltinVariable::kAlpha,      BuiltinVariable::kHue,
    BuiltinVariable::kLightness, BuiltinVariable::kSaturation, BuiltinVariable::kCoord,
};

bool Contains(const std::vector<const double*>& cells, const double* cell) {
  return std::find(cells.begin(), cells.end(), cell) != cells.end();
}

uint64_t BitsOf(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

}  // namespace

std::vector<PassConstant> FindPassConstants(const Plan& plan, ScriptEngine& engine) {
  std::vector<const double*> excluded;
  for (BuiltinVariable variable : kWrittenDuringPass)
    excluded.push_back(engine.BuiltinCell(variable));
  // The centre is read by every pixel, whether the program names it or not.
  std::vector<double*> read = {engine.BuiltinCell(BuiltinVariable::kCx),
                               engine.BuiltinCell(BuiltinVariable::kCy)};
  for (const PlannedRecord& step : plan.records) {
    if (step.action == PlanAction::kAssign) excluded.push_back(step.cell);
    if (step.action == PlanAction::kVar) read.push_back(step.cell);
  }
  std::vector<PassConstant> constants;
  for (double* cell : read) {
    if (cell == nullptr || Contains(excluded, cell)) continue;
    if (FindPassConstant(constants, cell) != nullptr) continue;
    constants.push_back({cell, BitsOf(*cell)});
  }
  return constants;
}

Plan WithPassConstants(const Plan& plan, const std::vector<PassConstant>& constants) {
  Plan specialized = plan;
  for (PlannedRecord& step : specialized.records) {
    if (step.action != PlanAction::kVar) continue;
    const PassConstant* constant = FindPassConstant(constants, step.cell);
    if (constant == nullptr) continue;
    step.action = PlanAction::kConst;
    step.value = ValueOf(*constant);
    step.cell = nullptr;
  }
  auto& hot = specialized.hotCells;
  hot.erase(std::remove_if(
                hot.begin(), hot.end(),
                [&](const double* cell) { return FindPassConstant(constants, cell) != nullptr; }),
            hot.end());
  return specialized;
}

bool ConstantsHold(const std::vector<PassConstant>& constants) {
  for (const PassConstant& constant : constants)
    if (BitsOf(*constant.cell) != constant.bits) return false;
  return true;
}

const PassConstant* FindPassConstant(const std::vector<PassConstant>& constants,
                                     const double* cell) {
  for (const PassConstant& constant : constants)
    if (constant.cell == cell) return &constant;
  return nullptr;
}

double ValueOf(const PassConstant& constant) {
  double value;
  std::memcpy(&value, &constant.bits, sizeof value);
  return value;
}

}  // namespace native
