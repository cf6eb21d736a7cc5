// morfel.apply: the program compiled in a filter context as morfel apply
// compiles it, run on the array's pixels on a thread of its own while the
// calling thread, the GIL released, wakes a few times a second to see to
// Ctrl-C, the timeout and the progress callback.
#include <pybind11/numpy.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "python/python_front.h"

namespace {

// ---------------------------------------------------------------- arguments

// The parameter words morfel's --param takes: NAME=VALUE each.
std::vector<std::string> ParameterWords(const py::object& params) {
  std::vector<std::string> words;
  if (params.is_none()) return words;
  for (auto item : params.cast<py::dict>()) {
    const std::string name = py::str(item.first).cast<std::string>();
    py::handle value = item.second;
    std::string text;
    if (py::isinstance<py::str>(value)) {
      text = value.cast<std::string>();
    } else if (py::isinstance<py::bool_>(value) || py::isinstance<py::int_>(value)) {
      text = py::str(py::int_(py::reinterpret_borrow<py::object>(value))).cast<std::string>();
    } else if (py::isinstance<py::float_>(value)) {
      // Written out in full: a value text knows no exponent.
      text = py::str(py::str("{:.17f}").attr("format")(value)).cast<std::string>();
      if (text.find('.') != std::string::npos) text.erase(text.find_last_not_of('0') + 1);
      if (!text.empty() && text.back() == '.') text.pop_back();
    } else {
      throw py::type_error("params['" + name + "'] takes a number or a value text, not " +
                           py::str(value.get_type().attr("__name__")).cast<std::string>());
    }
    words.push_back(name + "=" + text);
  }
  return words;
}

ParameterRows CheckedParameters(const ProgramTexts& texts, const py::object& params) {
  ParameterRows rows;
  std::string error;
  if (!ResolveParameters(texts.initText, ParameterWords(params), &rows, &error)) {
    if (rows.unknownName) throw py::key_error(error);
    throw py::value_error(error);
  }
  for (const std::string& note : rows.notes) Warn(note);
  return rows;
}

int32_t InterpolationOf(const std::string& name) {
  for (int32_t i = 0; i < kInterpolationCount; ++i) {
    std::string known = kInterpolationNames[i];
    for (char& c : known) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (known == name) return i;
  }
  throw py::value_error("interpolation takes round, linear or bezier, not " + name);
}

EngineKind EngineOf(const py::object& engine) {
  if (engine.is_none()) return EngineFromEnvironment();
  const std::string name = engine.cast<std::string>();
  if (name == "interpreter") return EngineKind::kInterpreter;
  if (name == "compiled") return EngineKind::kCompiled;
  throw py::value_error("engine takes interpreter or compiled, not " + name);
}

// 0 leaves the choice to the context (MORFEL_THREADS, else every core).
int32_t ThreadsOf(const py::object& threads) {
  if (threads.is_none()) return 0;
  const long count = threads.cast<long>();
  if (count < 1 || count > kMaxPassThreads) {
    throw py::value_error("threads takes a whole number from 1 to " +
                          std::to_string(kMaxPassThreads) + ", not " + std::to_string(count));
  }
  return static_cast<int32_t>(count);
}

double TimeoutOf(const py::object& timeout) {
  if (timeout.is_none()) return 0;
  const double seconds = timeout.cast<double>();
  if (!(seconds > 0) || !std::isfinite(seconds)) {
    throw py::value_error("timeout takes a number of seconds above 0");
  }
  return seconds;
}

using Pixels = py::array_t<uint8_t, py::array::c_style>;

py::array CheckedImage(const py::object& image) {
  if (!py::isinstance<py::array>(image)) {
    throw py::type_error("image must be a numpy.ndarray of HxWx3 or HxWx4 uint8");
  }
  py::array array = py::reinterpret_borrow<py::array>(image);
  if (!array.dtype().is(py::dtype::of<uint8_t>())) {
    throw py::type_error("image must be of dtype uint8, not " +
                         py::str(array.dtype()).cast<std::string>());
  }
  if (array.ndim() != 3 || (array.shape(2) != 3 && array.shape(2) != 4) || array.shape(0) < 1 ||
      array.shape(1) < 1) {
    throw py::value_error("image must be HxWx3 (RGB) or HxWx4 (RGBA), not of shape " +
                          py::str(image.attr("shape")).cast<std::string>());
  }
  return array;
}

// ---------------------------------------------------------------- pixels

// The array's pixels become the context's planes: BGR and T (255 for an
// RGB array), rows top first. Any strides; the array is only read.
bool TakeSource(FilterContext& context, const py::array& array) {
  const int32_t height = static_cast<int32_t>(array.shape(0));
  const int32_t width = static_cast<int32_t>(array.shape(1));
  const py::ssize_t channels = array.shape(2);
  if (context.sourceRgb.Create(width, height, 3) == 0 ||
      context.sourceT.Create(width, height, 1) == 0) {
    return false;
  }
  const auto pixels = array.unchecked<uint8_t, 3>();
  py::gil_scoped_release unlocked;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* bgr = context.sourceRgb.data + static_cast<size_t>(y) * context.sourceRgb.rowLength;
    uint8_t* t = context.sourceT.data + static_cast<size_t>(y) * context.sourceT.rowLength;
    for (int32_t x = 0; x < width; ++x) {
      bgr[3 * x] = pixels(y, x, 2);
      bgr[3 * x + 1] = pixels(y, x, 1);
      bgr[3 * x + 2] = pixels(y, x, 0);
      t[x] = channels == 4 ? pixels(y, x, 3) : 255;
    }
  }
  return true;
}

py::array GiveResult(const RgbtImage& rgb, const RgbtImage& t, py::ssize_t channels) {
  Pixels result(
      {static_cast<py::ssize_t>(rgb.height), static_cast<py::ssize_t>(rgb.width), channels});
  auto out = result.mutable_unchecked<3>();
  py::gil_scoped_release unlocked;
  for (int32_t y = 0; y < rgb.height; ++y) {
    const uint8_t* bgr = rgb.data + static_cast<size_t>(y) * rgb.rowLength;
    const uint8_t* tRow = t.data + static_cast<size_t>(y) * t.rowLength;
    for (int32_t x = 0; x < rgb.width; ++x) {
      out(y, x, 0) = bgr[3 * x + 2];
      out(y, x, 1) = bgr[3 * x + 1];
      out(y, x, 2) = bgr[3 * x];
      if (channels == 4) out(y, x, 3) = tRow[x];
    }
  }
  return std::move(result);
}

// ---------------------------------------------------------------- the run

// What the run's thread and the calling thread share.
struct RunWatch {
  std::atomic<bool> stop{false};
  std::atomic<int32_t> rowsDone{0};
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  bool outOfMemory = false;
};

// The engine tells progress through a plain function: the watch of the run
// on this thread hears it.
thread_local RunWatch* runWatch = nullptr;

void TellRow(int32_t row, int32_t) {
  if (runWatch != nullptr) runWatch->rowsDone.store(row + 1);
}

enum class Ending { kRan, kInterrupted, kTimedOut, kCallbackFailed };

// Runs the context's program on a thread of its own; the destructor stops
// and joins it, so no exception leaves it running over freed memory.
class RunThread {
 public:
  RunThread(FilterContext& context, ProgressImage& rgb, RgbtImage& t, RunOptions options,
            RunReport* report)
      : thread_([this, &context, &rgb, &t, options, report]() mutable {
          runWatch = &watch;
          options.progress = TellRow;
          options.keepGoing = [this] { return !watch.stop.load(); };
          try {
            *report = context.ApplyToImage(rgb, t, options);
          } catch (const std::bad_alloc&) {
            watch.outOfMemory = true;
          }
          runWatch = nullptr;
          std::lock_guard<std::mutex> lock(watch.mutex);
          watch.done = true;
          watch.ended.notify_all();
        }) {}
  ~RunThread() {
    watch.stop.store(true);
    py::gil_scoped_release unlocked;
    thread_.join();
  }
  // Waits up to `seconds` without the GIL. True when the run has ended.
  bool WaitForEnd(double seconds) {
    py::gil_scoped_release unlocked;
    std::unique_lock<std::mutex> lock(watch.mutex);
    return watch.ended.wait_for(lock, std::chrono::duration<double>(seconds),
                                [this] { return watch.done; });
  }
  RunWatch watch;

 private:
  std::thread thread_;
};

// Calls progress(fraction). False with the Python error set when it raised.
bool TellProgress(const py::object& progress, double fraction) {
  const py::object result =
      py::reinterpret_steal<py::object>(PyObject_CallFunction(progress.ptr(), "d", fraction));
  return static_cast<bool>(result);
}

// Sees to the run from the calling thread until it ends or must stop.
Ending WatchRun(RunThread& run, int32_t height, double timeout, const py::object& progress) {
  const double deadline = SteadySeconds() + timeout;
  int32_t toldRows = -1;
  for (;;) {
    const bool ended = run.WaitForEnd(0.05);
    if (PyErr_CheckSignals() != 0) return Ending::kInterrupted;
    const int32_t rows = run.watch.rowsDone.load();
    if (!progress.is_none() && rows != toldRows && !ended) {
      toldRows = rows;
      if (!TellProgress(progress, static_cast<double>(rows) / height)) {
        return Ending::kCallbackFailed;
      }
    }
    if (ended) return Ending::kRan;
    if (timeout > 0 && SteadySeconds() > deadline) return Ending::kTimedOut;
  }
}

void RaiseStopped(const RunReport& report) {
  const StopRecord& stop = report.firstStop;
  py::object error = py::module_::import("morfel._errors")
                         .attr("RunStopped")(report.messages.front().text, stop.x, stop.y,
                                             StopReasonText(stop.reason));
  PyErr_SetObject(error.get_type().ptr(), error.ptr());
  throw py::error_already_set();
}

// A compile fault named with its line, as morfel apply names it.
void CompileOrRaise(FilterContext& context, const ProgramTexts& texts) {
  const CompileReport compiled = context.CompileProgramTexts();
  if (compiled.status == CompileStatus::kCompiled && compiled.messages.empty()) return;
  ProgramNote fault = DiagnoseLfProgramTexts(texts.initText, texts.transformText).fault;
  if (fault.text == ProgramFault::kNone) fault = compiled.detail;
  RaiseCompileError(fault, compiled.messages);
}

}  // namespace

py::object Apply(const py::object& image, const py::object& program, const py::object& init,
                 const py::object& transform, const py::object& file, const py::object& params,
                 const std::string& interpolation, const py::object& threads,
                 const py::object& timeout, const py::object& engine, const py::object& base,
                 const py::object& progress) {
  const py::array array = CheckedImage(image);
  const int32_t interp = InterpolationOf(interpolation);
  const EngineKind engineKind = EngineOf(engine);
  const int32_t threadCount = ThreadsOf(threads);
  const double seconds = TimeoutOf(timeout);
  if (!progress.is_none() && !PyCallable_Check(progress.ptr())) {
    throw py::type_error("progress must be callable with a fraction");
  }
  const std::string baseFolder = PreparedBaseFolder(base);
  const ProgramTexts texts = ChosenProgramTexts(baseFolder, program, init, transform, file);
  const ProgramTextCheck runnable =
      CheckRunnableTexts(texts.initText.c_str(), texts.transformText.c_str());
  if (runnable != kProgramTextsFit) throw py::value_error(ProgramTextCheckMessage(runnable));
  const ParameterRows rows = CheckedParameters(texts, params);
  for (const ProgramNote& warning :
       DiagnoseLfProgramTexts(texts.initText, texts.transformText).warnings) {
    Warn(NoteText(warning));
  }
  // Pictures a program loads come from the user's own data folder.
  std::unique_ptr<FilterContext> context = CreateFilterContext(baseFolder.c_str(), threadCount);
  if (context == nullptr) throw std::bad_alloc();
  context->TakeProgramTexts(texts.initText.c_str(), texts.transformText.c_str());
  CompileOrRaise(*context, texts);
  context->TakeParameterRows(rows);
  context->ChooseInterpolation(interp);
  context->engine.engineWanted = engineKind;
  if (!TakeSource(*context, array)) throw std::bad_alloc();

  ProgressImage resultRgb;
  RgbtImage resultT;
  RunOptions options;
  RunReport report;
  Ending ending;
  bool outOfMemory = false;
  {
    RunThread run(*context, resultRgb, resultT, options, &report);
    ending = WatchRun(run, context->sourceRgb.height, seconds, progress);
    // Read only once the run is seen to have ended, under the watch's lock.
    outOfMemory = ending == Ending::kRan && run.watch.outOfMemory;
  }
  switch (ending) {
    case Ending::kInterrupted:
    case Ending::kCallbackFailed:
      throw py::error_already_set();
    case Ending::kTimedOut: {
      char shown[32];
      std::snprintf(shown, sizeof shown, "%g", seconds);
      PyErr_SetString(PyExc_TimeoutError,
                      (std::string("stopped after ") + shown + " s (timeout)").c_str());
      throw py::error_already_set();
    }
    case Ending::kRan:
      break;
  }
  if (!report.messages.empty()) {
    if (report.firstStop.reason != StopReason::kNone) RaiseStopped(report);
    std::string text;
    for (const UserMessage& message : report.messages)
      text += (text.empty() ? "" : "\n") + message.text;
    PyErr_SetObject(py::module_::import("morfel._errors").attr("Error").ptr(), py::str(text).ptr());
    throw py::error_already_set();
  }
  if (outOfMemory || report.status != RunStatus::kFinished || resultRgb.data == nullptr ||
      resultT.data == nullptr) {
    throw std::bad_alloc();
  }
  if (!progress.is_none() && !TellProgress(progress, 1.0)) throw py::error_already_set();
  return GiveResult(resultRgb, resultT, array.shape(2));
}
