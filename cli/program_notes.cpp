// The detail of a program's faults and warnings on standard error, in the
// form compilers use: where, what, and for a fault the line with a caret
// under the column.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace {

// The line, then a caret under the column (tabs kept, so it lines up).
void ShowLine(const ProgramNote& note) {
  if (note.line <= 0) return;
  std::fprintf(stderr, "  %s\n  ", note.lineText.c_str());
  for (int32_t k = 0; k + 1 < note.column && static_cast<size_t>(k) < note.lineText.size(); ++k)
    std::fputc(note.lineText[static_cast<size_t>(k)] == '\t' ? '\t' : ' ', stderr);
  std::fprintf(stderr, "^\n");
}

}  // namespace

ProgramDiagnosis DiagnoseHostProgram(const std::string& initText,
                                     const std::string& transformText) {
  return DiagnoseLfProgramTexts(initText, transformText);
}

bool ReportProgramFault(const ProgramDiagnosis& diagnosis) {
  const ProgramNote& fault = diagnosis.fault;
  if (fault.text == ProgramFault::kNone) return false;
  std::fprintf(stderr, "morfel: %s: %s\n", fault.Where().c_str(), fault.Explained().c_str());
  ShowLine(fault);
  return true;
}

void ReportProgramWarnings(const ProgramDiagnosis& diagnosis) {
  for (const ProgramNote& warning : diagnosis.warnings) {
    std::fprintf(stderr, "morfel: warning: %s: %s\n", warning.Where().c_str(),
                 warning.Explained().c_str());
  }
}
