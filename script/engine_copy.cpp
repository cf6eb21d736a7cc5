// A copy of an engine's run state for a worker thread: its own variable
// cells, its own Transform code pointing at them, its own stacks.
#include <cstring>
#include <unordered_map>

#include "script/script.h"

namespace {

// True when every entry of `copy` has the name of origin's entry at the same
// index, so that storing origin's values by name keeps the indices aligned.
bool TableInStep(const ValueList& copy, const ValueList& origin) {
  if (copy.count() > origin.count()) return false;
  for (int index = 0; index < copy.count(); ++index) {
    if (std::strcmp(copy.NameAt(index), origin.NameAt(index)) != 0) return false;
  }
  return true;
}

void CopyImageSlot(RgbtImage& copy, const RgbtImage& origin) {
  if (origin.data == nullptr || origin.width <= 0 || origin.height <= 0) {
    copy.Create(0, 0, 0);
    return;
  }
  if (copy.CreateLike(origin, 0) == 0) return;
  copy.Blit(origin, 0, 0, 0, 0, 0, 0, 0, 0, 0);
}

}  // namespace

bool ScriptEngine::CopyForPass(const ScriptEngine& origin, bool withImageSlots) {
  const ValueList& names = origin.variableTable;
  if (!TableInStep(variableTable, names)) variableTable.Clear();
  std::unordered_map<const double*, int> indexOfCell;
  indexOfCell.reserve(static_cast<size_t>(names.count()));
  for (int index = 0; index < names.count(); ++index) {
    const auto* cell = static_cast<const double*>(names.ValueAt(index));
    variableTable.SetNumber(names.NameAt(index), *cell);
    indexOfCell.emplace(cell, index);
  }
  if (programSlots == nullptr || origin.programSlots == nullptr) return false;
  const int32_t transform = static_cast<int32_t>(ProgramSlot::kTransform);
  GrowArray<Instruction>& code = programSlots[transform];
  if (!code.CopyFrom(origin.programSlots[transform])) return false;
  for (int32_t k = 0; k < code.size; ++k) {
    Instruction& record = code.data[k];
    if (record.kind != KIND_VAR) continue;
    const auto found = indexOfCell.find(record.cell);
    // A cell outside origin's table stays unbound: the run stops there, as
    // any record it cannot execute stops it.
    record.cell = found == indexOfCell.end()
                      ? nullptr
                      : static_cast<double*>(variableTable.ValueAt(found->second));
  }
  if (!valueStack.Resize(origin.valueStack.size) ||
      !addressStack.Resize(origin.addressStack.size)) {
    return false;
  }
  std::memcpy(matrixSlot, origin.matrixSlot, sizeof matrixSlot);
  std::memcpy(matrixSize, origin.matrixSize, sizeof matrixSize);
  std::memcpy(baseFolder, origin.baseFolder, sizeof baseFolder);
  // The same engine runs the program on every thread; each copy makes its
  // own machine code, for its own cells.
  engineWanted = origin.engineWanted;
  lanesWanted = origin.lanesWanted;
  wideLanesWanted = origin.wideLanesWanted;
  if (withImageSlots) {
    for (int32_t k = 0; k < kImageSlots; ++k) CopyImageSlot(imageSlot[k], origin.imageSlot[k]);
  }
  BindRun(origin.srcRgb, origin.srcT, origin.dstRgb, origin.dstT);
  return true;
}
