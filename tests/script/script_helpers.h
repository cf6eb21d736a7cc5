// Shared helpers of the script tests: compile a text and show its code.
#pragma once

#include <string>

#include "script/script.h"

// The disassembly of the scratch code after compiling `text`, or
// "ERROR line n" when it did not compile.
inline std::string Listing(ScriptEngine& engine, const char* text) {
  if (engine.Compile(text, -1) == 0 && text[0] != '\0')
    return "ERROR line " + std::to_string(engine.errorLine);
  char out[4096];
  DisassembleProgram(engine, engine.scratchCode, out, sizeof(out));
  return out;
}

// Compiles `text` (statements, or else a bare expression list) into scratch
// code and runs it; *outcome gets Run's result (-999: did not compile).
// Returns the value left, or the untouched start value.
inline double Evaluate(ScriptEngine& engine, const char* text, int* outcome = nullptr,
                       double start = -12345.0) {
  double result = start;
  bool compiled = engine.Compile(text, -1) > 0 || engine.CompileList(text, -1) > 0;
  int ran = compiled ? engine.Run(&result, -1) : -999;
  if (outcome != nullptr) *outcome = ran;
  return result;
}

inline double Variable(ScriptEngine& engine, const char* name) {
  double value = 0.0;
  engine.LookupNumber(name, &value);
  return value;
}
