// Shared helpers of the script tests: compile a text and show its code.
#pragma once

#include <string>

#include "script/script.h"

// The disassembly of the scratch code after compiling `text`, or
// "ERROR line n" when it did not compile.
inline std::string Listing(ScriptEngine& engine, const char* text) {
  CompileOutcome outcome = engine.Compile(text, ProgramSlot::kScratch);
  if (outcome.Failed()) return "ERROR line " + std::to_string(outcome.errorLine);
  char out[4096];
  DisassembleProgram(engine, engine.scratchCode, out, sizeof(out));
  return out;
}

// Compiles `text` (statements, or else a bare expression list) into scratch
// code and runs it; *outcome gets Run's outcome (stopped with a bad record
// when the text did not compile). Returns the value left, 0 when the run
// finished without one, or `start` when it did not finish.
inline double Evaluate(ScriptEngine& engine, const char* text, RunOutcome* outcome = nullptr,
                       double start = -12345.0) {
  bool compiled =
      engine.Compile(text, ProgramSlot::kScratch).status == CompileOutcome::Status::kCompiled ||
      engine.CompileList(text, ProgramSlot::kScratch).status == CompileOutcome::Status::kCompiled;
  RunOutcome ran = {RunOutcome::Status::kStopped, StopReason::kBadRecord, 0, 0.0};
  if (compiled) ran = engine.Run(ProgramSlot::kScratch);
  if (outcome != nullptr) *outcome = ran;
  if (ran.status == RunOutcome::Status::kFinishedWithValue || ran.status == RunOutcome::Status::kFinished)
    return ran.value;
  return start;
}

inline double Variable(ScriptEngine& engine, const char* name) {
  double value = 0.0;
  engine.LookupNumber(name, &value);
  return value;
}
