// Runs of the current program: the live preview on a reduced copy of the
// image, always with Round interpolation, and the final run over the whole
// image.
#include <chrono>
#include <cstring>

#include "session/session.h"

namespace {

constexpr int32_t kRowAlignment = 4;

// Keeps what a run would show the user, in order, for the front end.
class CollectedErrors : public ErrorDisplay {
 public:
  explicit CollectedErrors(UserMessages* messages) : messages_(messages) {}
  void ShowError(void* owner, const char* text) override {
    (void)owner;
    messages_->push_back({MessageKind::kError, text});
  }

 private:
  UserMessages* messages_;
};

// Shows transparency as darkening: each colour byte scaled by the pixel's T.
void DarkenByTransparency(RgbtImage& rgb, const RgbtImage& t) {
  if (rgb.width != t.width || rgb.height != t.height) return;
  for (int32_t y = 0; y < rgb.height; ++y) {
    uint8_t* colour = rgb.data + static_cast<int64_t>(y) * rgb.rowLength;
    const uint8_t* alpha = t.data + static_cast<int64_t>(y) * t.rowLength;
    for (int32_t x = 0; x < rgb.width; ++x) {
      for (int32_t k = 0; k < 3; ++k) {
        colour[3 * x + k] = static_cast<uint8_t>((colour[3 * x + k] * alpha[x]) >> 8);
      }
    }
  }
}

// The preview's budget: it may go on until the deadline by its clock, and
// while the caller's keepGoing (if any) agrees.
struct PreviewDeadline {
  const std::function<double()>* clock;
  double deadline;
  const std::function<bool()>* keepGoing;
  bool pastDeadline;
};

bool BeforeDeadline(void* context) {
  PreviewDeadline& preview = *static_cast<PreviewDeadline*>(context);
  if ((*preview.clock)() >= preview.deadline) {
    preview.pastDeadline = true;
    return false;
  }
  return !*preview.keepGoing || (*preview.keepGoing)();
}

bool CallerKeepsGoing(void* context) { return (*static_cast<std::function<bool()>*>(context))(); }

RunStatus StatusOf(const TransformOutcome& outcome) {
  switch (outcome.status) {
    case TransformOutcome::Status::kFinished:
      return RunStatus::kFinished;
    case TransformOutcome::Status::kInterrupted:
      return RunStatus::kStopped;
    default:
      return RunStatus::kNotStarted;
  }
}

// A copy of an image, to be put back later.
void Keep(const RgbtImage& image, RgbtImage& copy) {
  copy.CreateLike(image, 0);
  copy.Blit(image, 0, 0, 0, 0, 0, 0, 0, 0, 0);
}

// Fresh images hold leftover memory; an image without pixels leaves the
// preview black instead.
void ClearImage(RgbtImage& image) {
  if (image.data == nullptr) return;
  std::memset(image.data, 0, static_cast<size_t>(image.rowLength) * image.height);
}

}  // namespace

PreviewSize ComputePreviewSize(int32_t areaWidth, int32_t areaHeight, int32_t imageWidth,
                               int32_t imageHeight) {
  const int64_t width4 = areaWidth / kRowAlignment * kRowAlignment;
  const int64_t height = areaHeight;
  PreviewSize size = {kRowAlignment, 1};
  if (width4 < kRowAlignment || height < 1) return size;
  // An empty image has no proportions: it gets the whole area.
  if (imageWidth <= 0 || imageHeight <= 0) {
    size.width = static_cast<int32_t>(width4);
    size.height = static_cast<int32_t>(height);
    return size;
  }
  // 64-bit products: a huge image times the area would overflow 32 bits.
  if (static_cast<double>(imageWidth) / imageHeight <
      static_cast<double>(width4) / static_cast<double>(height)) {
    int64_t width = static_cast<int64_t>(imageWidth) * height / imageHeight;
    if (width < 1) width = 1;
    width = (width + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    size.width = static_cast<int32_t>(width);
    size.height = static_cast<int32_t>(height);
  } else {
    int64_t previewHeight = static_cast<int64_t>(imageHeight) * width4 / imageWidth;
    if (previewHeight < 1) previewHeight = 1;
    size.width = static_cast<int32_t>(width4);
    size.height = static_cast<int32_t>(previewHeight);
  }
  return size;
}

// Until a preview has run, the area shows the reduced image unchanged, as
// after a failed run, never the result images' leftover memory.
void FilterContext::ShowReducedImage() {
  ClearImage(previewSourceRgb);
  ClearImage(previewSourceT);
  ClearImage(previewResultT);
  previewSourceRgb.ResampleNearest(sourceRgb);
  previewSourceT.ResampleNearest(sourceT);
  previewResultRgb.Blit(previewSourceRgb, 0, 0, 0, 0, 0, 0, 0, 0, 0);
}

void FilterContext::SizePreview(int32_t areaWidth, int32_t areaHeight) {
  const PreviewSize size =
      ComputePreviewSize(areaWidth, areaHeight, sourceRgb.width, sourceRgb.height);
  previewSourceRgb.Create(size.width, size.height, 3);
  previewSourceT.Create(size.width, size.height, 1);
  previewResultRgb.CreateLike(previewSourceRgb, 0);
  previewResultT.CreateLike(previewSourceT, 0);
  ShowReducedImage();
}

// Shows the image's real pixels: copies of the full-size source laid side
// by side from the top-left corner, as many as start inside the area.
void FilterContext::TileFullScale(int32_t areaWidth, int32_t areaHeight) {
  if (sourceRgb.width <= 0 || sourceRgb.height <= 0) return;
  for (int32_t y = 0; y < areaHeight; y += sourceRgb.height) {
    for (int32_t x = 0; x < areaWidth; x += sourceRgb.width) {
      previewSourceRgb.Blit(sourceRgb, 0, 0, 0, 0, 0, x, y, 0, 0);
    }
  }
}

double SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

RunReport FilterContext::RunPreviewOnce(const RunBudget& budget) {
  RunReport report;
  CollectedErrors errors(&report.messages);
  const RunEnvironment environment = {&engine, slots, &errors, nullptr, budget, &passThreads};
  const TransformOutcome outcome =
      RunTransform(environment, {previewSourceRgb, previewSourceT},
                   {previewResultRgb, previewResultT}, kInterpRound, &report.flags);
  report.status = StatusOf(outcome);
  return report;
}

RunReport FilterContext::RunPreview(int32_t areaWidth, int32_t areaHeight,
                                    const RunOptions& options) {
  // What the preview shows now stays on show if this run is stopped.
  RgbtImage shownRgb;
  RgbtImage shownT;
  Keep(previewResultRgb, shownRgb);
  Keep(previewResultT, shownT);
  previewSourceRgb.ResampleNearest(sourceRgb);
  previewSourceT.ResampleNearest(sourceT);
  PreviewDeadline deadline = {&clock, clock() + previewSeconds, &options.keepGoing, false};
  const RunBudget budget = {BeforeDeadline, &deadline};
  RunReport report = RunPreviewOnce(budget);
  if (report.status == RunStatus::kFinished && (report.flags & kRunFlagScale) != 0) {
    TileFullScale(areaWidth, areaHeight);
    report = RunPreviewOnce(budget);
  }
  if (report.status == RunStatus::kStopped) {
    previewResultRgb.Blit(shownRgb, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    previewResultT.Blit(shownT, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    if (!deadline.pastDeadline) return report;
    settings.Preview = 0;
    report.autoPreviewSwitchedOff = true;
    report.messages.push_back(
        {MessageKind::kNotice, "The preview was stopped: the program takes too long."});
    return report;
  }
  if (report.status != RunStatus::kFinished) {
    previewResultRgb.Blit(previewSourceRgb, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  } else if ((report.flags & kRunFlagTplane) != 0) {
    DarkenByTransparency(previewResultRgb, previewResultT);
  }
  return report;
}

RunReport FilterContext::ApplyToImage(ProgressImage& resultRgb, RgbtImage& resultT,
                                      const RunOptions& options) {
  resultRgb.CreateLike(sourceRgb, 0);
  resultT.CreateLike(sourceT, 0);
  // The result starts as the source, so pixels a run leaves alone (skipped
  // pixels, a pass ended early, no pass at all, a parameter error) give back
  // the host's own pixels instead of uninitialized memory.
  resultRgb.Blit(sourceRgb, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  resultT.Blit(sourceT, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  resultRgb.progress = options.progress;
  RunReport report;
  CollectedErrors errors(&report.messages);
  RunEnvironment environment = {&engine, slots, &errors, nullptr};
  environment.threads = &passThreads;
  std::function<bool()> keepGoing = options.keepGoing;
  if (keepGoing) environment.budget = {CallerKeepsGoing, &keepGoing};
  const TransformOutcome outcome =
      RunTransform(environment, {sourceRgb, sourceT}, {resultRgb, resultT},
                   static_cast<Interpolation>(settings.Interp), nullptr);
  report.status = StatusOf(outcome);
  if (report.status == RunStatus::kStopped) {
    report.messages.clear();
    return report;
  }
  report.firstStop = outcome.firstStop;
  char stop[160];
  if (DescribeStop(outcome.firstStop, stop, sizeof stop) > 0) {
    report.messages.push_back({MessageKind::kError, stop});
  }
  return report;
}
