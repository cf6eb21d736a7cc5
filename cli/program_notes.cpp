// The detail of a program's faults and warnings on standard error, in the
// form compilers use: where, what, and for a fault the line with a caret
// under the column.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace {

// The texts as the editor's boxes hold them: every line ended by CR LF.
std::string WithBoxLineEnds(const std::string& text) {
  std::string boxed;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) boxed += '\r';
    boxed += text[i];
  }
  return boxed;
}

std::string Where(const ProgramNote& note) {
  std::string where = ProgramTextName(note.text);
  if (note.line > 0) where += " line " + std::to_string(note.line);
  if (note.column > 0) where += ", column " + std::to_string(note.column);
  return where;
}

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
  return DiagnoseProgramTexts(WithBoxLineEnds(initText).c_str(),
                              WithBoxLineEnds(transformText).c_str());
}

bool ReportProgramFault(const ProgramDiagnosis& diagnosis) {
  const ProgramNote& fault = diagnosis.fault;
  if (fault.text == ProgramFault::kNone) return false;
  std::fprintf(stderr, "morfel: %s: %s\n", Where(fault).c_str(), fault.Explained().c_str());
  ShowLine(fault);
  return true;
}

void ReportProgramWarnings(const ProgramDiagnosis& diagnosis) {
  for (const ProgramNote& warning : diagnosis.warnings) {
    std::fprintf(stderr, "morfel: warning: %s: %s\n", Where(warning).c_str(),
                 warning.Explained().c_str());
  }
}
