// One pixel of a run, traced: parameters and Init as a run does them, then
// the Transform program for that pixel alone, through the pass's own code.
#include "script/script.h"
#include "transform/pass.h"
#include "transform/transform.h"

namespace {

// The wrap offset of a pass: the image size shifted left by 8 bits.
constexpr double kTilesBeforeOrigin = 256.0;

bool InsideImage(const RgbtImage& image, int32_t column, int32_t row) {
  return column >= 0 && row >= 0 && column < image.width && row < image.height;
}

TransformOutcome TraceInitAndPixel(const RunEnvironment& environment, const Planes& source,
                                   const Planes& destination, Interpolation interpolation,
                                   int32_t column, int32_t row, const RunObserver& initObserver,
                                   const RunObserver& transformObserver, PixelOutcome* pixel) {
  using Status = TransformOutcome::Status;
  ScriptEngine& engine = *environment.engine;
  TransformOutcome outcome;
  if (!transform_pass::AssignParameters(environment)) {
    outcome.status = Status::kParameterError;
    return outcome;
  }
  destination.t.Fill(255, -1);
  engine.BindRun(&source.rgb, &source.t, &destination.rgb, &destination.t);
  pixel->init = engine.RunTraced(ProgramSlot::kInit, initObserver);
  if (pixel->init.stopReason == StopReason::kInterrupted) {
    outcome.status = Status::kInterrupted;
    return outcome;
  }
  if (pixel->init.Stopped()) outcome.firstStop.reason = pixel->init.stopReason;
  double passes = 0.0;
  engine.LookupNumber("loop", &passes);
  pixel->passes = TruncateToInt32(passes);
  outcome.status = Status::kFinished;
  if (pixel->passes > kMaxPasses) outcome.status = Status::kTooManyPasses;
  if (pixel->passes < 1 || pixel->passes > kMaxPasses) return outcome;
  // The first pass sees "loop" as the count of passes.
  *engine.VariableCell("loop") = pixel->passes;
  transform_pass::PassFrame frame;
  frame.source = {&source.rgb, &source.t, source.rgb.width * kTilesBeforeOrigin,
                  source.rgb.height * kTilesBeforeOrigin, interpolation};
  frame.destinationRgb = &destination.rgb;
  frame.destinationT = &destination.t;
  frame.progress = nullptr;
  transform_pass::RunOnePixel(engine, frame, column, row, transformObserver, pixel);
  if (pixel->transform.stopReason == StopReason::kInterrupted)
    outcome.status = Status::kInterrupted;
  return outcome;
}

}  // namespace

TransformOutcome TracePixel(const RunEnvironment& environment, const Planes& source,
                            const Planes& destination, Interpolation interpolation, int32_t column,
                            int32_t row, const RunObserver& initObserver,
                            const RunObserver& transformObserver, PixelOutcome* pixel) {
  *pixel = PixelOutcome();
  TransformOutcome outcome;
  if (environment.engine == nullptr || !ImagesFitForRun(source, destination)) return outcome;
  if (!InsideImage(source.rgb, column, row)) return outcome;
  ScriptEngine& engine = *environment.engine;
  if (!engine.PrepareRun(kRunStackSize)) return outcome;
  engine.InstallBuiltinVariables(source.rgb);
  engine.budget = environment.budget;
  engine.workLeft = kWorkBetweenChecks;
  outcome = TraceInitAndPixel(environment, source, destination, interpolation, column, row,
                              initObserver, transformObserver, pixel);
  engine.budget = RunBudget{};
  return outcome;
}
