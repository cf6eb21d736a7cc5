// A whole transform run: parameters, Init program, then the passes, each
// optionally reading the previous pass's result.
#include <cstdio>

#include "script/script.h"
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

// Compiles and runs "name=value;" for every declared slot, in order. A
// value that does not compile ends the assignments there (the earlier ones
// stay done) with its error shown; returns 0 then, else 1.
int32_t AssignParameters(const RunEnvironment& environment) {
  if (environment.slots == nullptr) return 1;
  ScriptEngine& engine = *environment.engine;
  const int32_t count = DeclaredParamCount(environment.slots);
  for (int32_t i = 0; i < count; ++i) {
    const ParamSlot& slot = environment.slots[i];
    char assignment[kAssignmentTextSize];
    std::snprintf(assignment, sizeof assignment, "%.*s=%.*s;", kNameTextSize - 1, slot.name,
                  kNameTextSize - 1, slot.value);
    if (engine.Compile(assignment, ProgramSlot::kScratch).Failed()) {
      ShowParameterError(environment, slot);
      return 0;
    }
    engine.Run(ProgramSlot::kScratch);
  }
  return 1;
}

// The passes: "loop" counts down from its value after Init to 1, so the
// Transform program can tell which pass it is in.
void RunPasses(ScriptEngine& engine, const Planes& source, const ResultPlanes& destination,
               Interpolation interpolation) {
  double* loop = engine.VariableCell("loop");
  double* keepImage = engine.VariableCell("keepImage");
  if (loop == nullptr || keepImage == nullptr) return;
  for (int32_t pass = TruncateToInt32(*loop); pass >= 1; --pass) {
    *loop = pass;
    TransformPixels(source, destination, engine, interpolation);
    if (pass > 1 && *keepImage == 0.0) {
      source.rgb.Exchange(destination.rgb);
      source.t.Exchange(destination.t);
    }
  }
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

}  // namespace

int32_t RunTransform(const RunEnvironment& environment, const Planes& source,
                     const ResultPlanes& destination, Interpolation interpolation,
                     RunFlags* flags) {
  if (flags != nullptr) *flags = 0;
  if (environment.engine == nullptr) return 0;
  if (!ImagesFitForRun(source, destination)) return 0;
  ScriptEngine& engine = *environment.engine;
  if (!engine.PrepareRun(kRunStackSize)) return 0;
  engine.InstallBuiltinVariables(source.rgb);
  if (!AssignParameters(environment)) return 0;
  destination.t.Fill(255, -1);
  engine.BindRun(&source.rgb, &source.t, &destination.rgb, &destination.t);
  engine.Run(ProgramSlot::kInit);
  RunPasses(engine, source, destination, interpolation);
  if (flags != nullptr) *flags = ReadViewFlags(engine);
  return 1;
}
