#include "studio/preview_worker.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

struct PreviewWorker::Shared {
  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable ended;
  std::optional<PreviewRequest> pending;
  std::function<double()> clock;  // empty: the session's own
  bool running = false;
  bool quit = false;
  bool threadDone = false;
  QObject* receiver = nullptr;
  Delivery delivery;
};

namespace {

// The run's own session and what it last prepared.
struct WorkerSession {
  std::unique_ptr<FilterContext> context;
  SharedPicture loaded;
};

// keepGoing: false once a newer request waits or the worker goes; the run
// then stops and its result is superseded.
PreviewResult Render(WorkerSession& session, const PreviewRequest& request,
                     const std::function<bool()>& keepGoing) {
  const auto start = std::chrono::steady_clock::now();
  PreviewResult result;
  result.serial = request.serial;
  FilterContext& context = *session.context;
  if (request.picture != session.loaded) {
    session.loaded = request.picture;
    if (!LoadSourcePlanes(context, *request.picture)) {
      session.loaded.reset();
      result.messages.push_back({MessageKind::kError, "Not enough memory for the preview."});
      return result;
    }
  }
  const CompileReport compiled = PrepareProgram(context, request.program);
  context.SizePreview(request.areaWidth, request.areaHeight);
  if (compiled.status == CompileStatus::kCompiled) {
    RunOptions options;
    options.keepGoing = keepGoing;
    const RunReport run = context.RunPreview(request.areaWidth, request.areaHeight, options);
    result.finished = run.status == RunStatus::kFinished;
    result.stopped = run.status == RunStatus::kStopped;
    result.superseded = result.stopped && !run.autoPreviewSwitchedOff;
    result.messages = run.messages;
  } else {
    result.messages = compiled.messages;
  }
  if (!result.stopped) result.image = PlaneToImage(context.previewResultRgb);
  const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
  result.milliseconds = spent.count();
  return result;
}

void WorkerLoop(const std::shared_ptr<PreviewWorker::Shared>& shared, std::string baseFolder) {
  WorkerSession session;
  session.context = CreateFilterContext(baseFolder.c_str());
  std::unique_lock<std::mutex> lock(shared->mutex);
  while (session.context != nullptr) {
    shared->wake.wait(lock, [&] { return shared->quit || shared->pending.has_value(); });
    if (shared->quit) break;
    const PreviewRequest request = std::move(*shared->pending);
    shared->pending.reset();
    if (shared->clock) session.context->clock = shared->clock;
    shared->running = true;
    lock.unlock();
    PreviewResult result = Render(session, request, [&shared] {
      std::lock_guard<std::mutex> hold(shared->mutex);
      return !shared->quit && !shared->pending.has_value();
    });
    lock.lock();
    shared->running = false;
    if (shared->quit) break;
    if (result.superseded) continue;
    // Posted under the lock: the owner clears quit's way only through it,
    // so the receiver is alive while the result is posted.
    PreviewWorker::Delivery deliver = shared->delivery;
    QMetaObject::invokeMethod(
        shared->receiver, [deliver, result = std::move(result)] { deliver(result); },
        Qt::QueuedConnection);
  }
  shared->threadDone = true;
  shared->ended.notify_all();
}

// How long the owner waits for a run to end when it goes away; a run still
// going on after it is left to itself.
constexpr std::chrono::seconds kEndWait{5};

}  // namespace

PreviewWorker::PreviewWorker(const std::string& baseFolder, QObject* receiver, Delivery delivery)
    : shared_(std::make_shared<Shared>()) {
  shared_->receiver = receiver;
  shared_->delivery = std::move(delivery);
  std::thread(WorkerLoop, shared_, baseFolder).detach();
}

PreviewWorker::~PreviewWorker() {
  std::unique_lock<std::mutex> lock(shared_->mutex);
  shared_->quit = true;
  shared_->pending.reset();
  shared_->wake.notify_all();
  shared_->ended.wait_for(lock, kEndWait, [&] { return shared_->threadDone; });
}

void PreviewWorker::Request(PreviewRequest request) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->pending = std::move(request);
  shared_->wake.notify_all();
}

void PreviewWorker::SetClock(std::function<double()> clock) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->clock = std::move(clock);
}

bool PreviewWorker::Busy() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->running || shared_->pending.has_value();
}
