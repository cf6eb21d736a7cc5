// A pass over several threads. Rows are cut into tasks taken in row order
// by the calling thread and the pool's workers, each running them on an
// engine of its own that starts from the calling engine's variables. What
// one thread would leave is then put together in the calling engine: each
// variable the program writes takes the value of the last task, in row
// order, that wrote it; a negative exit keeps only what lies before its
// pixel; progress is told from the calling thread, row by row, in order.
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "script/script.h"
#include "transform/pass.h"
#include "transform/transform.h"

// ---------------------------------------------------------------- pool

struct PassThreads::Pool {
  explicit Pool(int32_t count) {
    for (int32_t k = 0; k < count; ++k) engines.push_back(std::make_unique<ScriptEngine>());
  }

  ~Pool() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      quitting = true;
    }
    wake.notify_all();
    for (std::thread& worker : workers) worker.join();
  }

  // Starts job(1) .. job(helpers) on the workers, which are made at the
  // first call. False when no thread could be made (nothing runs then).
  bool Start(int32_t helpers, std::function<void(int32_t)> work) {
    if (!MakeWorkers(helpers)) return false;
    {
      std::lock_guard<std::mutex> lock(mutex);
      job = std::move(work);
      wanted = helpers;
      busy = helpers;
      ++generation;
    }
    wake.notify_all();
    return true;
  }

  // True once every worker of the last Start has finished its job.
  bool WaitFor(std::chrono::milliseconds most) {
    std::unique_lock<std::mutex> lock(mutex);
    return done.wait_for(lock, most, [this] { return busy == 0; });
  }

  std::vector<std::unique_ptr<ScriptEngine>> engines;  // [0] for the caller

 private:
  bool MakeWorkers(int32_t helpers) {
    while (static_cast<int32_t>(workers.size()) < helpers) {
      const int32_t index = static_cast<int32_t>(workers.size()) + 1;
      try {
        workers.emplace_back([this, index] { Serve(index); });
      } catch (...) {
        return false;
      }
    }
    return true;
  }

  void Serve(int32_t index) {
    uint64_t seen = 0;
    for (;;) {
      std::function<void(int32_t)>* work = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait(lock, [&] { return quitting || generation != seen; });
        if (quitting) return;
        seen = generation;
        if (index > wanted) continue;
        work = &job;
      }
      (*work)(index);
      {
        std::lock_guard<std::mutex> lock(mutex);
        --busy;
      }
      done.notify_all();
    }
  }

  std::vector<std::thread> workers;
  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable done;
  std::function<void(int32_t)> job;
  uint64_t generation = 0;
  int32_t wanted = 0;
  int32_t busy = 0;
  bool quitting = false;
};

PassThreads::PassThreads(int32_t threads)
    : count_(threads < 1                 ? 1
             : threads > kMaxPassThreads ? kMaxPassThreads
                                         : threads),
      pool_(count_ > 1 ? new (std::nothrow) Pool(count_) : nullptr) {}

PassThreads::~PassThreads() { delete pool_; }

int32_t ThreadsWanted() {
  const char* text = std::getenv("MORFEL_THREADS");
  if (text != nullptr && *text != '\0') {
    char* end = nullptr;
    const long asked = std::strtol(text, &end, 10);
    if (*end == '\0' && asked >= 1 && asked <= kMaxPassThreads) return static_cast<int32_t>(asked);
  }
  const unsigned hardware = std::thread::hardware_concurrency();
  if (hardware == 0) return 1;
  return hardware > static_cast<unsigned>(kMaxPassThreads) ? kMaxPassThreads
                                                           : static_cast<int32_t>(hardware);
}

// ---------------------------------------------------------------- pass

namespace transform_pass {
namespace {

// Tasks per thread: enough that a thread that finishes early finds more,
// few enough that a preview's pass pays little for the split.
constexpr int32_t kTasksPerThread = 8;
// How often the calling thread, its own tasks done, tells progress and
// answers the workers' budget checks while they finish theirs.
constexpr std::chrono::milliseconds kWaitStep{2};

// A NaN no script computes: its payload comes only from here. A variable
// holding it at the end of a task was not written by the task (an accepted
// program never reads a variable it writes before writing it).
constexpr uint64_t kNotWrittenBits = 0x7FF86D6F7266656CULL;

bool NotWritten(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits == kNotWrittenBits;
}

double NotWrittenValue() {
  double value;
  std::memcpy(&value, &kNotWrittenBits, sizeof value);
  return value;
}

struct WorkerBudget {
  PassStopFlags* flags;
  bool caller;  // on the calling thread, which asks the run's own check
  RunBudget run;
};

// The calling thread asks the run's check at once; a worker leaves the
// question to it and goes on until the answer is to stop.
bool WorkerKeepsGoing(void* context) {
  auto* budget = static_cast<WorkerBudget*>(context);
  if (!budget->caller) {
    budget->flags->checksWanted.fetch_add(1);
  } else if (budget->run.keepGoing != nullptr && !budget->run.keepGoing(budget->run.context)) {
    budget->flags->interrupted.store(true);
  }
  return !budget->flags->interrupted.load();
}

struct Task {
  std::atomic<bool> ran{false};  // outcome and values are complete
  bool started = false;
  RowsOutcome outcome;
};

class ThreadedPass {
 public:
  ThreadedPass(ScriptEngine& engine, const PassFrame& frame, const PassAnalysis& analysis,
               int32_t threads)
      : engine_(engine), frame_(frame), taskFrame_(frame), analysis_(analysis) {
    taskFrame_.progress = nullptr;  // told by the calling thread alone, in order
    height_ = frame.source.rgb->height;
    width_ = frame.source.rgb->width;
    const int32_t wanted = threads * kTasksPerThread;
    rowsPerTask_ = (height_ + wanted - 1) / wanted;
    taskCount_ = (height_ + rowsPerTask_ - 1) / rowsPerTask_;
    threads_ = threads < taskCount_ ? threads : taskCount_;
    tasks_ = std::make_unique<Task[]>(static_cast<size_t>(taskCount_));
  }

  int32_t threads() const { return threads_; }

  // Gives each engine the calling engine's state; false when one cannot
  // have it (out of memory), before anything is touched.
  bool Prepare(std::vector<std::unique_ptr<ScriptEngine>>& engines) {
    std::unordered_map<const double*, int> indexOfCell;
    const ValueList& table = engine_.variableTable;
    for (int index = 0; index < table.count(); ++index)
      indexOfCell.emplace(static_cast<const double*>(table.ValueAt(index)), index);
    for (double* cell : analysis_.written) {
      const auto found = indexOfCell.find(cell);
      if (found == indexOfCell.end()) return false;
      tracked_.push_back(found->second);
    }
    values_.assign(static_cast<size_t>(taskCount_) * tracked_.size(), 0.0);
    budgets_.resize(static_cast<size_t>(threads_));
    for (int32_t k = 0; k < threads_; ++k) {
      ScriptEngine& copy = *engines[static_cast<size_t>(k)];
      if (!copy.CopyForPass(engine_, analysis_.readsSlots)) return false;
      budgets_[static_cast<size_t>(k)] = {&flags_, k == 0, engine_.budget};
      copy.budget = {WorkerKeepsGoing, &budgets_[static_cast<size_t>(k)]};
      copy.workLeft = kWorkBetweenChecks;
      engines_.push_back(&copy);
    }
    if (analysis_.mayExit && !SaveDestination()) return false;
    return true;
  }

  // Takes tasks in row order until none is left.
  void Work(int32_t thread, bool caller) {
    PassFrame frame = taskFrame_;
    if (caller) {
      frame.rowFinished = CallerFinishedRow;
      frame.rowContext = this;
    }
    ScriptEngine& engine = *engines_[static_cast<size_t>(thread)];
    std::vector<double*> cells;
    for (int index : tracked_)
      cells.push_back(static_cast<double*>(engine.variableTable.ValueAt(index)));
    for (;;) {
      const int32_t task = nextTask_.fetch_add(1);
      if (task >= taskCount_) return;
      if (caller) {
        callerTask_ = task;
        callerRows_ = 0;
      }
      RunTask(engine, frame, cells, task);
      if (!caller) continue;
      callerTask_ = -1;
      TellProgress();
      AnswerChecks();
    }
  }

  // Waits for the workers, telling progress and answering their checks.
  void Await(PassThreads::Pool& pool) {
    AnswerChecks();
    while (!pool.WaitFor(kWaitStep)) {
      TellProgress();
      AnswerChecks();
    }
  }

  PassOutcome Finish() {
    const int64_t exitPixel = flags_.exitPixel.load();
    const bool exited = exitPixel != INT64_MAX;
    MergeVariables(exited);
    if (exited) RestoreAfter(exitPixel);
    const int32_t rows = FinishedRows();
    TellProgressUpTo(rows);
    PassOutcome outcome{rows, flags_.interrupted.load() && !exited, {}};
    for (int32_t task = 0; task < taskCount_; ++task) {
      if (tasks_[task].outcome.firstStop.reason != StopReason::kNone) {
        outcome.firstStop = tasks_[task].outcome.firstStop;
        break;
      }
    }
    return outcome;
  }

 private:
  // A row of the calling thread's own task is done: progress goes on as far
  // as the rows before it are done too.
  static void CallerFinishedRow(void* context, int32_t) {
    auto* pass = static_cast<ThreadedPass*>(context);
    ++pass->callerRows_;
    pass->TellProgress();
  }

  void RunTask(ScriptEngine& engine, const PassFrame& frame, const std::vector<double*>& cells,
               int32_t task) {
    Task& record = tasks_[task];
    const int32_t first = task * rowsPerTask_;
    const int32_t end = first + rowsPerTask_ < height_ ? first + rowsPerTask_ : height_;
    const bool passEnded =
        flags_.interrupted.load() || static_cast<int64_t>(first) * width_ > flags_.exitPixel.load();
    if (!passEnded) {
      const double notWritten = NotWrittenValue();
      for (double* cell : cells) std::memcpy(cell, &notWritten, sizeof notWritten);
      record.outcome = RunPassRows(engine, frame, first, end, &flags_);
      record.started = true;
      double* values = &values_[static_cast<size_t>(task) * tracked_.size()];
      for (size_t k = 0; k < cells.size(); ++k) std::memcpy(&values[k], cells[k], sizeof(double));
    } else {
      record.outcome.end = RowsOutcome::End::kCutShort;
    }
    record.ran.store(true, std::memory_order_release);
  }

  // Rows finished in order from the first: every row of the whole tasks,
  // then those of the first task that ended early.
  int32_t FinishedRows() const {
    int32_t rows = 0;
    for (int32_t task = 0; task < taskCount_; ++task) {
      if (!tasks_[task].ran.load(std::memory_order_acquire)) break;
      const RowsOutcome& outcome = tasks_[task].outcome;
      rows += outcome.rows;
      if (outcome.end != RowsOutcome::End::kWhole) break;
    }
    return rows;
  }

  // The finished rows, with those of the task the calling thread is running
  // when every row before it is finished.
  void TellProgress() {
    int32_t rows = FinishedRows();
    if (callerTask_ >= 0 && rows == callerTask_ * rowsPerTask_) rows += callerRows_;
    TellProgressUpTo(rows);
  }

  // Asks the run's check once for each time a worker came to one, as one
  // thread would have asked it once for each of those spans of work.
  void AnswerChecks() {
    const RunBudget& run = engine_.budget;
    while (!flags_.interrupted.load() && flags_.checksWanted.load() > 0) {
      flags_.checksWanted.fetch_sub(1);
      if (run.keepGoing != nullptr && !run.keepGoing(run.context)) flags_.interrupted.store(true);
    }
  }

  void TellProgressUpTo(int32_t rows) {
    if (frame_.progress == nullptr) {
      reported_ = rows;
      return;
    }
    for (; reported_ < rows; ++reported_) frame_.progress(reported_, height_);
  }

  // Each written variable gets the value of the last task, in row order,
  // that wrote it, up to the task whose exit ended the pass.
  void MergeVariables(bool exited) {
    std::vector<double*> cells;
    for (int index : tracked_)
      cells.push_back(static_cast<double*>(engine_.variableTable.ValueAt(index)));
    int64_t lastPixel = -1;
    for (int32_t task = 0; task < taskCount_; ++task) {
      const Task& record = tasks_[task];
      if (!record.started) continue;
      const double* values = &values_[static_cast<size_t>(task) * tracked_.size()];
      for (size_t k = 0; k < cells.size(); ++k) {
        if (!NotWritten(values[k])) *cells[k] = values[k];
      }
      if (record.outcome.lastPixel >= 0) lastPixel = record.outcome.lastPixel;
      if (exited && record.outcome.end == RowsOutcome::End::kExited) break;
    }
    StoreLastPolar(lastPixel);
  }

  // r and t of a program that never names them: the last pixel's polar
  // position, as one thread leaves it.
  void StoreLastPolar(int64_t lastPixel) {
    PixelCells cells;
    if (!engine_.BindPixelCells(&cells)) return;
    if (engine_.NamesOnDemandVariable(ProgramSlot::kTransform)) return;
    double x = 0.0;
    double y = 0.0;
    if (lastPixel >= 0) {
      x = static_cast<double>(lastPixel % width_) - *cells.cx;
      y = static_cast<double>(lastPixel / width_) - *cells.cy;
    }
    *cells.r = std::sqrt(x * x + y * y);
    *cells.t = std::atan2(y, x);
  }

  bool SaveDestination() {
    if (savedRgb_.CreateLike(*frame_.destinationRgb, 0) == 0) return false;
    if (savedT_.CreateLike(*frame_.destinationT, 0) == 0) return false;
    savedRgb_.Blit(*frame_.destinationRgb, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    savedT_.Blit(*frame_.destinationT, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    return true;
  }

  // Puts back the pixels from the exit's pixel on, which one thread never
  // reaches but other threads may have written.
  void RestoreAfter(int64_t exitPixel) {
    const int32_t row = static_cast<int32_t>(exitPixel / width_);
    const int32_t column = static_cast<int32_t>(exitPixel % width_);
    RgbtImage& rgb = *frame_.destinationRgb;
    RgbtImage& t = *frame_.destinationT;
    rgb.Blit(savedRgb_, column, row, 0, width_ - column, 1, column, row, 0, 0);
    t.Blit(savedT_, column, row, 0, width_ - column, 1, column, row, 0, 0);
    if (row + 1 < height_) {
      rgb.Blit(savedRgb_, 0, row + 1, 0, width_, height_ - row - 1, 0, row + 1, 0, 0);
      t.Blit(savedT_, 0, row + 1, 0, width_, height_ - row - 1, 0, row + 1, 0, 0);
    }
  }

  ScriptEngine& engine_;
  const PassFrame& frame_;
  PassFrame taskFrame_;
  const PassAnalysis& analysis_;
  int32_t height_;
  int32_t width_;
  int32_t rowsPerTask_;
  int32_t taskCount_;
  int32_t threads_;
  std::unique_ptr<Task[]> tasks_;
  std::vector<int> tracked_;    // table indices of the written variables
  std::vector<double> values_;  // per task, the tracked values it left
  std::vector<WorkerBudget> budgets_;
  std::vector<ScriptEngine*> engines_;
  std::atomic<int32_t> nextTask_{0};
  PassStopFlags flags_;
  int32_t reported_ = 0;
  int32_t callerTask_ = -1;  // the task the calling thread runs, -1 between
  int32_t callerRows_ = 0;   // its rows finished
  RgbtImage savedRgb_;
  RgbtImage savedT_;
};

}  // namespace

bool RunPassOnThreads(ScriptEngine& engine, const PassFrame& frame, PassThreads& threads,
                      PassOutcome* outcome) {
  PassThreads::Pool* pool = threads.pool();
  if (pool == nullptr || threads.count() < 2 || frame.source.rgb->height < 2) return false;
  const PassAnalysis analysis = AnalysePass(engine);
  if (!analysis.Independent()) return false;
  ThreadedPass pass(engine, frame, analysis, threads.count());
  if (pass.threads() < 2 || !pass.Prepare(pool->engines)) return false;
  if (!pool->Start(pass.threads() - 1, [&pass](int32_t thread) { pass.Work(thread, false); }))
    return false;
  pass.Work(0, true);
  pass.Await(*pool);
  *outcome = pass.Finish();
  return true;
}

}  // namespace transform_pass
