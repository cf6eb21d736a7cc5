// The detail behind the editor's check: where a program's texts fail and
// why, and what they plainly waste, as data for any front end.
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "session/session.h"

namespace {

// The text of line `line` (from 1) of source, without its CR LF.
std::string LineOf(const char* source, int32_t line) {
  const char* start = source;
  for (int32_t seen = 1; seen < line && *start != '\0'; ++start)
    if (*start == '\n') ++seen;
  const char* end = start;
  while (*end != '\0' && *end != '\n') ++end;
  if (end > start && end[-1] == '\r') --end;
  return std::string(start, static_cast<size_t>(end - start));
}

// The line of the first declaration that is malformed on its own, or of
// the thirteenth; 0 when none is.
int32_t FaultyDeclaration(ScriptEngine& engine, const char* initText) {
  int32_t lineNumber = 1;
  int32_t declarations = 0;
  for (const char* line = initText; *line != '\0'; ++lineNumber) {
    const char* end = std::strchr(line, '\n');
    const size_t length = end != nullptr ? static_cast<size_t>(end - line) + 1 : std::strlen(line);
    if (line[0] == '?') {
      if (++declarations > kParamSlotCount) return lineNumber;
      const std::string alone(line, length);
      ParamSlot slots[kParamSlotBlock] = {};
      const ParamTable table = {slots, nullptr};
      if (!ParseParamDeclarations(engine, alone.c_str(), table, kDeclareCheckOnly, nullptr))
        return lineNumber;
    }
    line += length;
  }
  return 0;
}

ProgramNote DeclarationNote(const char* initText, int32_t line, bool tooMany) {
  ProgramNote note;
  note.text = ProgramFault::kDeclarations;
  note.line = line;
  note.column = line > 0 ? 1 : 0;
  note.lineText = line > 0 ? LineOf(initText, line) : "";
  note.atFault = note.lineText;
  note.reason = tooMany ? "more than 12 parameters are declared"
                        : "a declaration reads ?name,message,minimum,maximum,default; with no "
                          "field empty and the ';' last on its line";
  return note;
}

struct Declared {
  std::vector<std::string> names;
  std::vector<int32_t> lines;
};

// The names of the "?" lines, with their lines.
Declared DeclaredNames(const char* initText) {
  Declared declared;
  int32_t lineNumber = 1;
  for (const char* line = initText; *line != '\0'; ++lineNumber) {
    const char* end = std::strchr(line, '\n');
    if (line[0] == '?') {
      const char* comma = std::strchr(line, ',');
      if (comma != nullptr && (end == nullptr || comma < end) && comma > line + 1) {
        declared.names.emplace_back(line + 1, static_cast<size_t>(comma - line - 1));
        declared.lines.push_back(lineNumber);
      }
    }
    if (end == nullptr) break;
    line = end + 1;
  }
  return declared;
}

ProgramNote NoteOfWarning(const ScriptWarning& warning, const char* init, const char* transform) {
  ProgramNote note;
  const bool inInit = warning.text == ProgramSlot::kInit;
  note.text = inInit ? ProgramFault::kInit : ProgramFault::kTransform;
  note.line = warning.line;
  note.column = warning.column;
  note.atFault = warning.subject;
  note.reason = warning.message;
  note.lineText = LineOf(inInit ? init : transform, warning.line);
  return note;
}

std::vector<ProgramNote> WarningsOf(const char* initText, const char* strippedInit,
                                    const char* transformText) {
  const Declared declared = DeclaredNames(initText);
  std::vector<DeclaredName> names;
  for (size_t k = 0; k < declared.names.size(); ++k)
    names.push_back({declared.names[k].c_str(), declared.lines[k]});
  std::unique_ptr<ProgramWarnings> found(new (std::nothrow) ProgramWarnings());
  std::vector<ProgramNote> notes;
  if (found == nullptr) return notes;
  FindWarnings(strippedInit, transformText, names.data(), static_cast<int32_t>(names.size()),
               found.get());
  for (int32_t k = 0; k < found->count; ++k)
    notes.push_back(NoteOfWarning(found->items[k], initText, transformText));
  return notes;
}

// The texts as the editor's boxes hold them: every line ended by CR LF.
std::string WithBoxLineEnds(const std::string& text) {
  std::string boxed;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) boxed += '\r';
    boxed += text[i];
  }
  return boxed;
}

}  // namespace

const char* ProgramTextName(ProgramFault text) {
  switch (text) {
    case ProgramFault::kDeclarations:
    case ProgramFault::kInit:
      return "Init";
    case ProgramFault::kTransform:
      return "Transform";
    case ProgramFault::kNone:
      break;
  }
  return "";
}

ProgramNote NoteOfCompileError(ProgramFault text, const CompileDiagnostic& detail,
                               const char* source) {
  ProgramNote note;
  note.text = text;
  note.line = detail.line;
  note.column = detail.column;
  note.atFault = detail.atFault;
  note.reason = detail.reason;
  note.hint = detail.hint;
  note.lineText = LineOf(source != nullptr ? source : "", detail.line);
  return note;
}

std::string ProgramNote::Where() const {
  std::string where = ProgramTextName(text);
  if (line > 0) where += " line " + std::to_string(line);
  if (column > 0) where += ", column " + std::to_string(column);
  return where;
}

ProgramDiagnosis DiagnoseLfProgramTexts(const std::string& initText,
                                        const std::string& transformText) {
  return DiagnoseProgramTexts(WithBoxLineEnds(initText).c_str(),
                              WithBoxLineEnds(transformText).c_str());
}

ProgramDiagnosis DiagnoseProgramTexts(const char* initText, const char* transformText) {
  ProgramDiagnosis diagnosis;
  if (initText == nullptr) initText = "";
  if (transformText == nullptr) transformText = "";
  std::unique_ptr<ScriptEngine> engine(new (std::nothrow) ScriptEngine());
  if (engine == nullptr) return diagnosis;
  ParamSlot slots[kParamSlotBlock] = {};
  const ParamTable table = {slots, nullptr};
  if (!ParseParamDeclarations(*engine, initText, table, kDeclareCheckOnly, nullptr)) {
    const int32_t line = FaultyDeclaration(*engine, initText);
    int32_t declarations = 0;
    for (int32_t k = 1; k <= line; ++k)
      if (LineOf(initText, k).rfind('?', 0) == 0) ++declarations;
    diagnosis.fault = DeclarationNote(initText, line, declarations > kParamSlotCount);
    return diagnosis;
  }
  std::vector<char> stripped(std::strlen(initText) + 1);
  StripDeclarationLines(initText, "?", stripped.data(), static_cast<int32_t>(stripped.size()));
  if (engine->Compile(stripped.data(), ProgramSlot::kScratch).Failed()) {
    diagnosis.fault = NoteOfCompileError(ProgramFault::kInit, engine->errorDetail, initText);
    return diagnosis;
  }
  if (engine->Compile(transformText, ProgramSlot::kScratch).Failed()) {
    diagnosis.fault =
        NoteOfCompileError(ProgramFault::kTransform, engine->errorDetail, transformText);
    return diagnosis;
  }
  diagnosis.warnings = WarningsOf(initText, stripped.data(), transformText);
  return diagnosis;
}
