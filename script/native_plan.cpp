// The code generator's plan: the program's plan (program_plan.cpp) within
// the limits of the compiled code, and the variables it keeps in registers.
#include "script/native_plan.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace native {
namespace {

// Variables worth a register: referenced at least twice, inner loops first.
void WeighVariables(Plan* plan) {
  std::vector<std::pair<double*, int64_t>> weights;
  for (const PlannedRecord& record : plan->records) {
    double* cell = record.action == PlanAction::kVar || record.action == PlanAction::kAssign
                       ? record.cell
                       : nullptr;
    if (cell == nullptr) continue;
    const int64_t weight = int64_t{1} << (3 * std::min(record.loops, 4));
    auto found = std::find_if(weights.begin(), weights.end(),
                              [cell](const auto& entry) { return entry.first == cell; });
    if (found == weights.end())
      weights.emplace_back(cell, weight);
    else
      found->second += weight;
  }
  std::stable_sort(weights.begin(), weights.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  for (const auto& entry : weights)
    if (entry.second >= 2) plan->hotCells.push_back(entry.first);
}

}  // namespace

void MakePlan(const Instruction* code, int32_t count, int32_t stackLimit, Plan* plan) {
  plan->hotCells.clear();
  PlanProgram(code, count, stackLimit, plan);
  if (!plan->ok) return;
  // The walk itself follows any depth; the compiled code keeps fewer values.
  if (plan->maxDepth > kMaxPlannedDepth + 1) {
    plan->ok = false;
    std::snprintf(plan->reason, sizeof plan->reason,
                  "the stack grows deeper than the compiled code keeps");
    return;
  }
  WeighVariables(plan);
}

}  // namespace native
