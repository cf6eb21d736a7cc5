// The parameter slots: declarations read from the Init text, value texts
// evaluated and taken, and parameter set files that bring a look back.
#include <cstdio>

#include "session/session.h"

namespace {

void CopyText(char* destination, const char* text) {
  std::snprintf(destination, kNameTextSize, "%s", text != nullptr ? text : "");
}

}  // namespace

int32_t FilterContext::ReadDeclarations(DeclarationMode mode, ParamRowView* view) {
  const ParamTable table = {slots, &paramCount};
  return ParseParamDeclarations(engine, program.initText, table, mode, view);
}

int32_t FilterContext::ReadDeclarationsOnOpening(ParamRowView* view) {
  paramCount = 0;
  return ReadDeclarations(kDeclareKeepValues, view);
}

void FilterContext::TakeParameterRows(const ParameterRows& rows) {
  ReadDeclarations(kDeclareDefaults, nullptr);
  for (size_t row = 0; row < rows.values.size(); ++row) {
    if (!rows.values[row].empty()) {
      SetParameterText(static_cast<int32_t>(row), rows.values[row].c_str());
    }
  }
}

int32_t FilterContext::DeclaredRows() const {
  if (paramCount < 0) return 0;
  return paramCount < kParamSlotCount ? paramCount : kParamSlotCount;
}

int32_t FilterContext::EvaluateParameterText(const char* text) {
  return EvaluateParamText(engine, text);
}

void FilterContext::SetParameterText(int32_t row, const char* text) {
  if (row < 0 || row >= kParamSlotCount) return;
  CopyText(slots[row].value, text);
}

void FilterContext::TakeProgramTexts(const char* initText, const char* transformText) {
  std::snprintf(program.initText, kProgramTextSize, "%s", initText != nullptr ? initText : "");
  std::snprintf(program.transformText, kProgramTextSize, "%s",
                transformText != nullptr ? transformText : "");
}

void FilterContext::KeepDeclaredDefaults() {
  const ParamTable table = {slots, &paramCount};
  ParseParamDeclarations(engine, program.initText, table, kDeclareCheckOnly, nullptr);
}

std::string FilterContext::ParameterFolder() const {
  char folder[kPathBufferSize];
  DataPath(folder, sizeof folder, baseFolder.c_str(), "Param");
  return folder;
}

std::string FilterContext::ProposedParameterFileName() const {
  char name[kNameTextSize];
  ProposeParameterFileName(ChosenProgramName(), name, sizeof name);
  return name;
}

int32_t FilterContext::SaveParameterSet(const char* path,
                                        const char* const values[kParamSlotCount]) {
  ParameterSet set = {};
  CopyText(set.group, ChosenGroupName());
  CopyText(set.name, ChosenProgramName());
  for (int32_t row = 0; row < kParamSlotCount; ++row) CopyText(set.values[row], values[row]);
  // The slots follow the texts only once the file holds them, so a file
  // that cannot be written leaves the state as it was.
  if (!WriteParameterSet(path, set)) return 0;
  for (int32_t row = 0; row < kParamSlotCount; ++row) CopyText(slots[row].value, set.values[row]);
  return 1;
}

CompileReport FilterContext::LoadParameterSet(const char* path) {
  ParameterSet set = {};
  if (!ReadParameterSet(path, &set)) return {};
  ListGroups(set.group);
  ListPrograms(set.name);
  for (int32_t row = 0; row < kParamSlotCount; ++row) CopyText(slots[row].value, set.values[row]);
  CompileReport report = CompileCurrentProgram();
  report.choiceChanged = true;
  return report;
}
