// Parameter texts: counting the declared slots, evaluating a value text the
// way the main dialog's sliders need it, and taking declaration lines out of
// an Init text before it is compiled.
#include <cstring>

#include "script/script.h"
#include "transform/transform.h"

namespace {

// Size of the image the built-in variables describe while a parameter text
// is evaluated, so "xs" and "ys" are 10 and "cx", "cy" 5.
constexpr int32_t kEvaluationImageSize = 10;

// The planes a run bound into the engine, put back after an evaluation.
struct BoundPlanes {
  RgbtImage* sourceRgb;
  RgbtImage* sourceT;
  RgbtImage* destinationRgb;
  RgbtImage* destinationT;
};

BoundPlanes SaveBoundPlanes(const ScriptEngine& engine) {
  return {engine.srcRgb, engine.srcT, engine.dstRgb, engine.dstT};
}

void RestoreBoundPlanes(ScriptEngine& engine, const BoundPlanes& planes) {
  engine.srcRgb = planes.sourceRgb;
  engine.srcT = planes.sourceT;
  engine.dstRgb = planes.destinationRgb;
  engine.dstT = planes.destinationT;
}

// Runs the compiled list with image built-ins pointed at blank scratch
// planes: the images of the last run may already be gone when a slider
// text is evaluated.
double RunOnScratchPlanes(ScriptEngine& engine, RgbtImage& scratchRgb) {
  RgbtImage scratchT(kEvaluationImageSize, kEvaluationImageSize, 1);
  RgbtImage resultRgb(kEvaluationImageSize, kEvaluationImageSize, 3);
  RgbtImage resultT(kEvaluationImageSize, kEvaluationImageSize, 1);
  scratchRgb.Fill(0, -1);
  scratchT.Fill(0, -1);
  resultRgb.Fill(0, -1);
  resultT.Fill(0, -1);
  BoundPlanes saved = SaveBoundPlanes(engine);
  engine.BindRun(&scratchRgb, &scratchT, &resultRgb, &resultT);
  RunOutcome outcome = engine.Run(ProgramSlot::kScratch);
  RestoreBoundPlanes(engine, saved);
  return outcome.value;
}

int32_t StartsWith(const char* text, const char* prefix, size_t prefixLength) {
  return std::strncmp(text, prefix, prefixLength) == 0;
}

}  // namespace

int32_t DeclaredParamCount(const ParamSlot slots[kParamSlotCount]) {
  if (slots == nullptr) return 0;
  int32_t count = 0;
  while (count < kParamSlotCount && slots[count].name[0] != '\0') ++count;
  return count;
}

int32_t EvaluateParamText(ScriptEngine& engine, const char* text) {
  if (text == nullptr) return 0;
  RgbtImage scratchRgb(kEvaluationImageSize, kEvaluationImageSize, 3);
  engine.PrepareRun(kRunStackSize);
  engine.InstallBuiltinVariables(scratchRgb);
  if (engine.CompileList(text, ProgramSlot::kScratch).status != CompileOutcome::Status::kCompiled) return 0;
  return TruncateToInt32(RunOnScratchPlanes(engine, scratchRgb));
}

int32_t StripDeclarationLines(const char* text, const char* prefix, char* destination,
                              int32_t destinationSize) {
  if (destination == nullptr || destinationSize <= 0) return 0;
  const size_t prefixLength = prefix == nullptr ? 0 : std::strlen(prefix);
  int32_t written = 0;
  bool atLineStart = true;
  bool leavingOut = false;
  for (const char* p = text == nullptr ? "" : text; *p != '\0'; ++p) {
    if (written >= destinationSize - 1) break;
    if (*p == '\r' || *p == '\n') {
      destination[written++] = *p;
      atLineStart = true;
      leavingOut = false;
      continue;
    }
    if (atLineStart) leavingOut = prefixLength > 0 && StartsWith(p, prefix, prefixLength);
    atLineStart = false;
    if (!leavingOut) destination[written++] = *p;
  }
  destination[written] = '\0';
  return written;
}
