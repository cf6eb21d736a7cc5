// A whole transform run: parameters, Init program, then the passes, each
// optionally reading the previous pass's result.
#include <cstdio>

#include "script/script.h"
#include "transform/pass.h"
#include "transform/transform.h"

namespace {

// Room for "Parameter error at " + a 127-character message + ".".
constexpr int32_t kParameterErrorSize = kNameTextSize + 32;

void ShowParameterError(const RunEnvironment& environment, const ParamSlot& slot) {
  if (environment.errors == nullptr) return;
  char text[kParameterErrorSize];
  std::snprintf(text, sizeof text, "Parameter error at %.*s.", kNameTextSize - 1, slot.message);
  environment.errors->ShowError(environment.owner, text);
}

}  // namespace

// Compiles and runs "name=value;" for every declared slot, in order. A
// value text that is not one expression, or whose assignment the engine
// stops, ends the assignments there (the earlier ones stay done) with its
// error shown; returns false then.
bool transform_pass::AssignParameters(const RunEnvironment& environment) {
  if (environment.slots == nullptr) return true;
  ScriptEngine& engine = *environment.engine;
  const int32_t count = DeclaredParamCount(environment.slots);
  for (int32_t i = 0; i < count; ++i) {
    const ParamSlot& slot = environment.slots[i];
    char value[kNameTextSize];
    std::snprintf(value, sizeof value, "%.*s", kNameTextSize - 1, slot.value);
    char assignment[kAssignmentTextSize];
    std::snprintf(assignment, sizeof assignment, "%.*s=%s;", kNameTextSize - 1, slot.name, value);
    // Only a value is assigned: statements in a value text are never run.
    const bool isValue = engine.CompileValue(value).status == CompileOutcome::Status::kCompiled;
    if (!isValue || engine.Compile(assignment, ProgramSlot::kScratch).Failed() ||
        engine.Run(ProgramSlot::kScratch).Stopped()) {
      ShowParameterError(environment, slot);
      return false;
    }
  }
  return true;
}

namespace {

using transform_pass::AssignParameters;

void ShowTooManyPasses(const RunEnvironment& environment, int32_t passes) {
  if (environment.errors == nullptr) return;
  char text[96];
  std::snprintf(text, sizeof text, "The program asks for %d passes; a run takes at most %d.",
                static_cast<int>(passes), static_cast<int>(kMaxPasses));
  environment.errors->ShowError(environment.owner, text);
}

void NoteFirstStop(StopRecord* first, const StopRecord& stop) {
  if (first->reason == StopReason::kNone) *first = stop;
}

// The passes: "loop" counts down from `passes` to 1, so the Transform program
// can tell which pass it is in. False when the budget interrupted them.
bool RunPasses(ScriptEngine& engine, int32_t passes, const Planes& source,
               const ResultPlanes& destination, Interpolation interpolation, PassThreads* threads,
               StopRecord* firstStop) {
  double* loop = engine.BuiltinCell(BuiltinVariable::kLoop);
  double* keepImage = engine.BuiltinCell(BuiltinVariable::kKeepImage);
  if (loop == nullptr || keepImage == nullptr) return true;
  for (int32_t pass = passes; pass >= 1; --pass) {
    *loop = pass;
    const PassOutcome outcome =
        TransformPixels(source, destination, engine, interpolation, threads);
    NoteFirstStop(firstStop, outcome.firstStop);
    if (outcome.interrupted) return false;
    if (pass > 1 && *keepImage == 0.0) {
      source.rgb.Exchange(destination.rgb);
      source.t.Exchange(destination.t);
    }
  }
  return true;
}

int32_t FlagIsSet(ScriptEngine& engine, const char* name) {
  double value = 0.0;
  return engine.LookupNumber(name, &value) && TruncateToInt32(value) != 0;
}

RunFlags ReadViewFlags(ScriptEngine& engine) {
  RunFlags flags = 0;
  if (FlagIsSet(engine, "vScale")) flags |= kRunFlagScale;
  if (FlagIsSet(engine, "vTplane")) flags |= kRunFlagTplane;
  return flags;
}

int32_t PassesAsked(ScriptEngine& engine) {
  double loop = 0.0;
  engine.LookupNumber("loop", &loop);
  return TruncateToInt32(loop);
}

// Init, then the passes, with the budget the engine holds.
TransformOutcome RunPrograms(const RunEnvironment& environment, const Planes& source,
                             const ResultPlanes& destination, Interpolation interpolation) {
  using Status = TransformOutcome::Status;
  ScriptEngine& engine = *environment.engine;
  TransformOutcome outcome;
  if (!AssignParameters(environment)) {
    outcome.status = Status::kParameterError;
    return outcome;
  }
  destination.t.Fill(255, -1);
  engine.BindRun(&source.rgb, &source.t, &destination.rgb, &destination.t);
  const RunOutcome init = engine.Run(ProgramSlot::kInit);
  if (init.stopReason == StopReason::kInterrupted) {
    outcome.status = Status::kInterrupted;
    return outcome;
  }
  if (init.Stopped()) outcome.firstStop.reason = init.stopReason;
  const int32_t passes = PassesAsked(engine);
  if (passes > kMaxPasses) {
    ShowTooManyPasses(environment, passes);
    outcome.status = Status::kTooManyPasses;
    return outcome;
  }
  const bool whole = RunPasses(engine, passes, source, destination, interpolation,
                               environment.threads, &outcome.firstStop);
  outcome.status = whole ? Status::kFinished : Status::kInterrupted;
  return outcome;
}

}  // namespace

int32_t DescribeStop(const StopRecord& stop, char* out, int32_t outSize) {
  if (out == nullptr || outSize <= 0) return 0;
  out[0] = '\0';
  if (stop.reason == StopReason::kNone) return 0;
  int written =
      stop.x < 0
          ? std::snprintf(out, static_cast<size_t>(outSize), "The Init program was stopped: %s.",
                          StopReasonText(stop.reason))
          : std::snprintf(
                out, static_cast<size_t>(outSize), "The program was stopped at pixel (%d, %d): %s.",
                static_cast<int>(stop.x), static_cast<int>(stop.y), StopReasonText(stop.reason));
  if (written < 0) return 0;
  return written < outSize ? written : outSize - 1;
}

TransformOutcome RunTransform(const RunEnvironment& environment, const Planes& source,
                              const ResultPlanes& destination, Interpolation interpolation,
                              RunFlags* flags) {
  if (flags != nullptr) *flags = 0;
  TransformOutcome outcome;
  if (environment.engine == nullptr) return outcome;
  if (!ImagesFitForRun(source, destination)) return outcome;
  ScriptEngine& engine = *environment.engine;
  if (!engine.PrepareRun(kRunStackSize)) return outcome;
  engine.InstallBuiltinVariables(source.rgb);
  engine.budget = environment.budget;
  engine.workLeft = kWorkBetweenChecks;
  outcome = RunPrograms(environment, source, destination, interpolation);
  engine.budget = RunBudget{};
  if (flags != nullptr && outcome.status != TransformOutcome::Status::kParameterError) {
    *flags = ReadViewFlags(engine);
  }
  return outcome;
}
