// Entry points of the compiler and the rule that finds the error line.
#include <cstring>

#include "script/parser.h"
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
  engine.furthestPoint = text;
  engine.scratchCode.Release();
}

// Copies the scratch code into a program slot; false when there is no such
// slot or the memory for the copy cannot be had.
bool CopyIntoSlot(ScriptEngine& engine, int32_t slot) {
  GrowArray<Instruction>* program = engine.ProgramAt(slot);
  return program != nullptr && program->CopyFrom(engine.scratchCode);
}

}  // namespace

int32_t ScriptEngine::Compile(const char* text, int32_t slot) {
  StartCompile(*this, text);
  if (text == nullptr) return 0;
  Parser parser(*this);
  int32_t n = parser.Sequence(text);
  // The slot gets the code before the check, so a failed compile leaves
  // the code of the statements that did compile there.
  if ((slot == 0 || slot == 1) && !CopyIntoSlot(*this, slot)) parser.outOfMemory = true;
  if (text[n] == '\0' && !parser.outOfMemory) return n;
  // The error lies where the first statement failed, at the deepest level
  // that got furthest, or where the nesting became too deep.
  const char* errorAt = Furthest(Furthest(text + n, furthestPoint), parser.tooDeepAt);
  errorLine = LineOf(text, errorAt);
  return 0;
}

int32_t ScriptEngine::CompileList(const char* text, int32_t slot) {
  StartCompile(*this, text);
  if (text == nullptr) return 0;
  Parser parser(*this);
  int32_t count = 0;
  int32_t n = parser.List(text, &count);
  if (n == 0) return 0;
  if (slot != -1 && !CopyIntoSlot(*this, slot)) return 0;
  return text[n] == '\0' && !parser.outOfMemory ? n : 0;
}
