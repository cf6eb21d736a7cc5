// morfel apply: one input and output, or a batch of inputs written to a
// folder. The program runs in this process (session_apply.cpp); with
// --plugin FILE, every picture goes instead through that plug-in binary's
// main dialog as a user would apply it in an image editor, the way a host
// loads it. Either way the program is found, checked and its parameters
// resolved once.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "cli/apply_batch.h"
#include "cli/commands.h"
#include "plugin_host/plugin_host.h"
#include "files/files.h"
#include "cli/progress_bar.h"
#include "library/library.h"
#include "session/session.h"
#include "ui/resource.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// Steps of the main dialog before the parameters: the group, then the
// program. Boxes shown from the program's selection on are the program's.
constexpr int kProgramChosenStep = 1;

bool StandardErrorIsTerminal() {
#ifdef _WIN32
  return false;
#else
  return isatty(2) != 0;
#endif
}

// What is prepared once for every picture.
struct ApplyPlan {
  std::string pluginBase;  // the base folder the plug-in is given
  std::string group;
  std::string name;
  std::string initText;
  std::string transformText;  // for the detail of a fault and the warnings
  int groupPosition = 0;      // in the dialog's group list
  int namePosition = 0;       // in its program list once the group is chosen
  ParameterRows parameters;
};

std::string LibraryName(const ProgramLibrary& library, int index, const char* key) {
  const char* value = library.ProgramField(index, key);
  std::string text = value != nullptr ? value : "";
  return text.substr(0, kNameTextSize - 1);  // as the dialog holds it
}

bool SameLetters(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Where the dialog lists the program. Its group list holds each group once,
// spelt as it first appears (the combo box's search ignores letter case);
// its program list the programs of exactly that spelling. Choosing by
// position picks exactly the program asked for, letter case included.
bool FindDialogPositions(const std::string& baseFolder, ApplyPlan* plan) {
  ProgramLibrary library;
  if (!LoadProgramLibrary(baseFolder.c_str(), &library)) {
    Report("cannot read the library");
    return false;
  }
  int programs = std::min(library.ProgramCount(), kMaxPrograms);
  std::vector<std::string> groups;
  for (int i = 0; i < programs; ++i) {
    std::string group = LibraryName(library, i, "Group");
    bool listed = false;
    for (const std::string& known : groups) listed = listed || SameLetters(known, group);
    if (!listed) groups.push_back(group);
  }
  plan->groupPosition = -1;
  for (size_t g = 0; g < groups.size(); ++g) {
    if (groups[g] == plan->group) plan->groupPosition = static_cast<int>(g);
  }
  int position = 0;
  for (int i = 0; i < programs && plan->groupPosition >= 0; ++i) {
    if (LibraryName(library, i, "Group") != plan->group) continue;
    if (LibraryName(library, i, "Name") == plan->name) {
      plan->namePosition = position;
      return true;
    }
    ++position;
  }
  Report("the dialog does not list " + plan->group + "/" + plan->name +
         " (its group is listed under another spelling, or it comes after the first " +
         std::to_string(kMaxPrograms) + " programs)");
  return false;
}

bool PlanApply(const Options& options, const std::string& baseFolder, ScratchBase* scratch,
               ApplyPlan* plan) {
  if (options.haveProgramName) {
    LibraryProgram program;
    if (!FindLibraryProgram(baseFolder, options.group, options.name, &program)) return false;
    plan->pluginBase = baseFolder;
    plan->group = options.group;
    plan->name = options.name;
    plan->initText = program.initText;
    plan->transformText = program.transformText;
  } else {
    AdHocProgram program;
    if (!ReadAdHocProgram(options, &program)) return false;
    std::string error;
    if (!scratch->Create(baseFolder, &program, &error)) {
      Report(error);
      return false;
    }
    plan->pluginBase = scratch->folder();
    plan->group = program.group;
    plan->name = program.name;
    plan->initText = program.initText;
    plan->transformText = program.transformText;
  }
  std::string error;
  if (!ResolveParameters(plan->initText, options.params, &plan->parameters, &error)) {
    Report(error);
    return false;
  }
  return FindDialogPositions(plan->pluginBase, plan);
}

void AddStep(DialogSession* session, DialogStep::Kind kind, int control, const std::string& text,
             int index = 0) {
  session->steps.push_back(DialogStep{kind, control, text, index});
}

DialogSession MainDialogSession(const Options& options, const ApplyPlan& plan) {
  DialogSession session;
  AddStep(&session, DialogStep::kSelectIndex, IDC_GROUP_COMBO, "", plan.groupPosition);
  AddStep(&session, DialogStep::kSelectIndex, IDC_FUNCTION_COMBO, "", plan.namePosition);
  const std::vector<std::string>& values = plan.parameters.values;
  for (size_t i = 0; i < values.size(); ++i) {
    if (values[i].empty()) continue;
    AddStep(&session, DialogStep::kType, IDC_PARAM_EDIT_FIRST + static_cast<int>(i), values[i]);
  }
  AddStep(&session, DialogStep::kSelectIndex, IDC_INTERP_COMBO, "", options.interpolation);
  AddStep(&session, DialogStep::kClick, IDOK, "");
  return session;
}

// The plug-in's own steps are seen from the row callbacks: reading ends
// with the last row read, the run (dialog included) lasts until the first
// row comes back.
void MarkPluginTimes(double pluginStart, double pluginEnd, const RowExchange::Times& rows,
                     ApplyTimes* times) {
  times->rowsIn = rows.lastRead != 0 ? rows.lastRead : pluginStart;
  times->ran = rows.firstWrite != 0 ? rows.firstWrite : pluginEnd;
  times->rowsOut = pluginEnd;
}

// Reports every box the program showed; returns how many there were.
int ReportProgramMessages(const DialogSession& session, int fromStep) {
  int count = 0;
  for (const ShownMessage& message : session.shown) {
    if (message.step < fromStep) continue;
    Report(message.text);
    ++count;
  }
  return count;
}

void Note(const Options& options, const ImageNotes& notes) {
  if (options.quiet) return;
  for (const std::string& line : notes.lines) std::fprintf(stderr, "morfel: %s\n", line.c_str());
}

PictureOutcome ApplyToPicture(const Options& options, const ApplyPlan& plan,
                              const LoadedPlugin& plugin, const Job& job) {
  ApplyTimes times;
  times.start = SteadySeconds();
  Picture input;
  if (!ReadInputPicture(options, job, &input)) return PictureOutcome::kPictureFailed;
  times.decoded = SteadySeconds();

  HostMessageLog log;
  if (ShowsProgressBar(options)) {
    log.onProgress = DrawProgressBar;
    log.onCompleted = EndProgressBar;
  }
  HWND hostWindow = CreateHostWindow(&log);
  Picture output;
  RowExchange exchange(input, &output);
  DialogSession session = MainDialogSession(options, plan);
  int32_t size[2] = {input.width, input.height};
  const double pluginStart = SteadySeconds();
  RunWithScriptedUser(&session, [&] {
    plugin.exports().proc(hostWindow, size, exchange.writeTable(), exchange.readTable(),
                          plan.pluginBase.c_str());
  });
  MarkPluginTimes(pluginStart, SteadySeconds(), exchange.times(), &times);
  DestroyHostWindow(hostWindow);

  for (const std::string& failure : session.failures) Report(failure);
  if (!session.failures.empty()) return PictureOutcome::kProgramFailed;
  if (ReportProgramMessages(session, kProgramChosenStep) > 0) {
    ReportProgramFault(DiagnoseHostProgram(plan.initText, plan.transformText));
    return PictureOutcome::kProgramFailed;
  }
  if (log.completions != 1 || exchange.rgbRowsWritten() != input.height) {
    Report("the program " + plan.group + "/" + plan.name + " could not be chosen or run");
    return PictureOutcome::kProgramFailed;
  }
  output.icc = input.icc;
  return WriteOutputPicture(options, job, output, &times);
}

// DIR/<the input's name>, its extension that of --format when given.
std::string BatchOutput(const Options& options, const std::string& input) {
  fs::path name = fs::path(input).filename();
  if (options.format != ImageFormat::kUnknown) {
    name.replace_extension(std::string(".") + FormatExtension(options.format));
  }
  return (fs::path(options.outputFolder) / name).string();
}

bool PlanJobs(const Options& options, std::vector<Job>* jobs) {
  if (options.outputFolder.empty()) {
    Job job{options.positional[0], options.positional[1]};
    std::string reason;
    ImageFormat format =
        options.format != ImageFormat::kUnknown ? options.format : FormatByName(job.output);
    if (!CanWrite(format, &reason)) {
      if (format == ImageFormat::kUnknown) reason += " (or --format)";
      Report("cannot write " + job.output + ": " + reason);
      return false;
    }
    jobs->push_back(job);
    return true;
  }
  std::error_code error;
  fs::create_directories(options.outputFolder, error);
  if (!fs::is_directory(options.outputFolder, error)) {
    Report("cannot create the folder " + options.outputFolder);
    return false;
  }
  std::set<std::string> outputs;
  for (const std::string& input : options.positional) {
    Job job{input, BatchOutput(options, input)};
    if (!outputs.insert(job.output).second) {
      Report("two inputs would both be written to " + job.output);
      return false;
    }
    jobs->push_back(job);
  }
  return true;
}

bool LoadPlugin(const Options& options, LoadedPlugin* plugin) {
  std::string error;
  if (!plugin->Load(options.pluginPath, &error)) {
    Report(error);
    return false;
  }
  return true;
}

void SetVariable(const char* name, const std::string& value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name, value.c_str());
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

// The engine and the thread count reach the run through the environment,
// which the engines read when they are made, in this process or in a
// plug-in under any host.
void HandOnRunChoices(const Options& options) {
  if (options.threads > 0) SetVariable("MORFEL_THREADS", std::to_string(options.threads));
  if (!options.engine.empty()) SetVariable("MORFEL_ENGINE", options.engine);
}

int ApplyThroughPlugin(const Options& options, const std::string& baseFolder,
                       const std::vector<Job>& jobs) {
  ScratchBase scratch;
  ApplyPlan plan;
  if (!PlanApply(options, baseFolder, &scratch, &plan)) return 1;
  if (!options.quiet) {
    for (const std::string& note : plan.parameters.notes) Report(note);
    ReportProgramWarnings(DiagnoseHostProgram(plan.initText, plan.transformText));
  }
  LoadedPlugin plugin;
  if (!LoadPlugin(options, &plugin)) return 1;
  return RunJobs(jobs, [&](const Job& job) { return ApplyToPicture(options, plan, plugin, job); });
}

}  // namespace

bool ReadAdHocProgram(const Options& options, AdHocProgram* program) {
  program->initText = options.initText;
  program->transformText = options.transformText;
  if (options.programFile.empty()) return true;
  std::vector<std::string> warnings;
  std::string error;
  if (!ReadProgramFile(options.programFile, program, &warnings, &error)) {
    Report(error);
    return false;
  }
  for (const std::string& warning : warnings) Report(warning);
  return true;
}

// --timeout's words: what ran out, and that the output under way is not there.
std::string TimeoutMessage(double seconds) {
  char shown[32];
  std::snprintf(shown, sizeof shown, "%g", seconds);
  return std::string("morfel: stopped after ") + shown +
         " s (--timeout): the output being made was not written";
}

void ReportTimes(const ApplyTimes& t) {
  auto ms = [](double from, double to) { return (to - from) * 1000.0; };
  std::fprintf(stderr,
               "morfel: timings (ms): decode %.1f, rows in %.1f, run %.1f, rows out %.1f, "
               "encode %.1f, total %.1f\n",
               ms(t.start, t.decoded), ms(t.decoded, t.rowsIn), ms(t.rowsIn, t.ran),
               ms(t.ran, t.rowsOut), ms(t.rowsOut, t.encoded), ms(t.start, t.encoded));
}

bool ShowsProgressBar(const Options& options) {
  return !options.quiet && StandardErrorIsTerminal();
}

bool ReadInputPicture(const Options& options, const Job& job, Picture* input) {
  ImageNotes notes;
  std::string error;
  if (!ReadPicture(job.input, input, &error, options.read, &notes)) {
    Report(error);
    return false;
  }
  Note(options, notes);
  // The result has the input's size: a size the output's format cannot
  // store is said now rather than after the run.
  ImageFormat format =
      options.format != ImageFormat::kUnknown ? options.format : FormatByName(job.output);
  if (!FitsFormat(format, input->width, input->height, false, &error)) {
    Report("cannot write " + (job.output == "-" ? "standard output" : job.output) + ": " + error);
    return false;
  }
  return true;
}

PictureOutcome WriteOutputPicture(const Options& options, const Job& job, const Picture& output,
                                  ApplyTimes* times) {
  ImageNotes notes;
  std::string error;
  if (!WritePicture(job.output, output, &error, options.format, options.write, &notes)) {
    Report(error);
    return PictureOutcome::kPictureFailed;
  }
  Note(options, notes);
  times->encoded = SteadySeconds();
  if (options.timings) ReportTimes(*times);
  if (!options.quiet && job.output != "-") {
    std::fprintf(stderr, "morfel: wrote %s\n", job.output.c_str());
  }
  return PictureOutcome::kWritten;
}

int RunJobs(const std::vector<Job>& jobs,
            const std::function<PictureOutcome(const Job&)>& applyOne) {
  int failed = 0;
  for (const Job& job : jobs) {
    PictureOutcome outcome = PictureOutcome::kPictureFailed;
    try {
      outcome = applyOne(job);
    } catch (const std::bad_alloc&) {
      Report("not enough memory to apply the program to " + job.input);
    }
    if (outcome == PictureOutcome::kWritten) continue;
    ++failed;
    if (outcome == PictureOutcome::kProgramFailed) break;
  }
  if (jobs.size() > 1 && failed > 0) {
    Report(std::to_string(failed) + " of " + std::to_string(jobs.size()) + " pictures failed");
  }
  return failed == 0 ? 0 : 1;
}

int ApplyCommand(const Options& options) {
  if (options.timeoutSeconds > 0)
    StopAfter(options.timeoutSeconds, TimeoutMessage(options.timeoutSeconds));
  std::vector<Job> jobs;
  if (!PlanJobs(options, &jobs)) return 1;
  std::string baseFolder;
  if (!ResolveBaseFolder(options, &baseFolder)) return 1;
  HandOnRunChoices(options);
  if (options.pluginPath.empty()) return ApplyThroughSession(options, baseFolder, jobs);
  return ApplyThroughPlugin(options, baseFolder, jobs);
}
