#include "studio/apply_job.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

namespace {

struct RowCounters {
  std::atomic<int32_t> rows{0};
  std::atomic<int32_t> total{0};
};

// The engine tells progress through a plain function; each job runs on a
// thread of its own, which finds its counters here.
thread_local RowCounters* tCounters = nullptr;

void CountFinishedRow(int32_t row, int32_t total) {
  if (tCounters == nullptr) return;
  tCounters->rows.store(row + 1, std::memory_order_relaxed);
  tCounters->total.store(total, std::memory_order_relaxed);
}

ApplyOutcome RunApply(const std::string& baseFolder, const Picture& picture,
                      const ProgramSnapshot& program, const std::atomic<bool>& cancelled) {
  const auto start = std::chrono::steady_clock::now();
  ApplyOutcome outcome;
  std::unique_ptr<FilterContext> context = CreateFilterContext(baseFolder.c_str());
  if (context == nullptr || !LoadSourcePlanes(*context, picture)) {
    outcome.messages.push_back({MessageKind::kError, "Not enough memory to apply the program."});
    return outcome;
  }
  const CompileReport compiled = PrepareProgram(*context, program);
  if (compiled.status != CompileStatus::kCompiled) {
    outcome.messages = compiled.messages;
    return outcome;
  }
  ProgressImage resultRgb;
  RgbtImage resultT;
  RunOptions options;
  options.progress = CountFinishedRow;
  options.keepGoing = [&cancelled] { return !cancelled.load(std::memory_order_relaxed); };
  const RunReport run = context->ApplyToImage(resultRgb, resultT, options);
  outcome.messages = run.messages;
  outcome.finished = run.status == RunStatus::kFinished;
  if (outcome.finished) outcome.result = PlanesToPicture(resultRgb, resultT);
  const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
  outcome.milliseconds = spent.count();
  return outcome;
}

}  // namespace

struct ApplyJob::Shared {
  std::mutex mutex;
  std::atomic<bool> cancelled{false};  // the run stops soon after it is set
  RowCounters counters;
  QObject* receiver = nullptr;
  Delivery delivery;
};

ApplyJob::ApplyJob(const std::string& baseFolder, SharedPicture picture,
                   const ProgramSnapshot& program, QObject* receiver, Delivery delivery)
    : shared_(std::make_shared<Shared>()) {
  shared_->receiver = receiver;
  shared_->delivery = std::move(delivery);
  std::thread([shared = shared_, baseFolder, picture, program] {
    tCounters = &shared->counters;
    ApplyOutcome outcome = RunApply(baseFolder, *picture, program, shared->cancelled);
    tCounters = nullptr;
    std::lock_guard<std::mutex> lock(shared->mutex);
    if (shared->cancelled) return;
    Delivery deliver = shared->delivery;
    QMetaObject::invokeMethod(
        shared->receiver, [deliver, outcome = std::move(outcome)] { deliver(outcome); },
        Qt::QueuedConnection);
  }).detach();
}

ApplyJob::~ApplyJob() { Cancel(); }

void ApplyJob::Cancel() {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->cancelled.store(true);
}

ApplyProgress ApplyJob::Progress() const {
  return {shared_->counters.rows.load(std::memory_order_relaxed),
          shared_->counters.total.load(std::memory_order_relaxed)};
}
