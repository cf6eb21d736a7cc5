// Entry points of the compiler and the rule that finds the error line.
#include <cstring>

#include "script/parser.h"
#include "script/scanner.h"
#include "script/script.h"

namespace {

// 1 + the line feeds from the start up to and including `at`.
int32_t LineOf(const char* start, const char* at) {
  int32_t line = 1;
  for (const char* c = start; c <= at && *c != '\0'; ++c)
    if (*c == '\n') ++line;
  return line;
}

const char* Furthest(const char* a, const char* b) {
  if (a == nullptr) return b;
  if (b == nullptr) return a;
  return a > b ? a : b;
}

// Every compile starts from empty code, so a failed one cannot leave code of
// an earlier text behind, and reports line 1 unless it finds a later one.
void StartCompile(ScriptEngine& engine, const char* text) {
  engine.errorLine = 1;
  engine.errorDetail = CompileDiagnostic();
  engine.furthestPoint = text;
  engine.scratchCode.Release();
}

// Copies the scratch code into a program slot; false when there is no such
// slot or the memory for the copy cannot be had.
bool CopyIntoSlot(ScriptEngine& engine, ProgramSlot slot) {
  GrowArray<Instruction>* program = engine.ProgramAt(slot);
  if (slot == ProgramSlot::kTransform) engine.DiscardNativeProgram();
  return program != nullptr && program->CopyFrom(engine.scratchCode);
}

bool IsEmpty(const char* text) { return text == nullptr || text[0] == '\0'; }

CompileOutcome Compiled(int32_t length) { return {CompileOutcome::Status::kCompiled, length, 0}; }

CompileOutcome Empty() { return {CompileOutcome::Status::kEmpty, 0, 0}; }

CompileOutcome Error(const ScriptEngine& engine) {
  return {CompileOutcome::Status::kError, 0, engine.errorLine};
}

// Records the detail of a failure and gives the outcome.
CompileOutcome Failure(ScriptEngine& engine, const char* text, const Parser& parser,
                       const char* errorAt) {
  engine.errorDetail = DiagnoseFailure(text, parser, errorAt);
  return Error(engine);
}

// A text of comments and blanks, with at least one comment, says nothing:
// it compiles to no code (a text of blanks alone stays an error).
bool OnlyComments(const char* text) {
  return text[SkipBlanks(text)] == '\0' && CommentLength(text + SkipBlanks(text, " \t\r")) > 0;
}

}  // namespace

CompileOutcome ScriptEngine::Compile(const char* text, ProgramSlot slot) {
  StartCompile(*this, text);
  if (text == nullptr) return Empty();
  Parser parser(*this);
  int32_t n = parser.Sequence(text);
  // The slot gets the code before the check, so a failed compile leaves
  // the code of the statements that did compile there.
  const bool toSlot = slot == ProgramSlot::kInit || slot == ProgramSlot::kTransform;
  if (toSlot && !CopyIntoSlot(*this, slot)) parser.outOfMemory = true;
  if (text[n] == '\0' && !parser.outOfMemory) return IsEmpty(text) ? Empty() : Compiled(n);
  if (n == 0 && !parser.outOfMemory && OnlyComments(text))
    return Compiled(static_cast<int32_t>(strlen(text)));
  // The error lies where the first statement failed, at the deepest level
  // that got furthest, or where the nesting became too deep.
  const char* errorAt = Furthest(Furthest(text + n, furthestPoint), parser.tooDeepAt);
  errorAt = Furthest(errorAt, parser.loopTooDeepAt);
  errorLine = LineOf(text, errorAt);
  return Failure(*this, text, parser, errorAt);
}

CompileOutcome ScriptEngine::CompileValue(const char* text) {
  StartCompile(*this, text);
  if (IsEmpty(text)) return Empty();
  Parser parser(*this);
  int32_t n = parser.Logical(text);
  if (n == 0 || text[n] != '\0' || parser.outOfMemory) return Failure(*this, text, parser, text);
  return Compiled(n);
}

CompileOutcome ScriptEngine::CompileList(const char* text, ProgramSlot slot) {
  StartCompile(*this, text);
  if (IsEmpty(text)) return Empty();
  Parser parser(*this);
  int32_t count = 0;
  int32_t n = parser.List(text, &count);
  if (n == 0) return Failure(*this, text, parser, text);
  if (slot != ProgramSlot::kScratch && !CopyIntoSlot(*this, slot)) return Error(*this);
  return text[n] == '\0' && !parser.outOfMemory ? Compiled(n)
                                                : Failure(*this, text, parser, text + n);
}
