#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "host/commands.h"
#include "host/dialog_session.h"
#include "host/host_files.h"
#include "host/host_window.h"
#include "host/image_files.h"
#include "host/plugin_loader.h"
#include "host/row_exchange.h"
#include "library/library.h"
#include "ui/resource.h"

#ifndef _WIN32
#include <unistd.h>
#endif

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

int LoadPluginFor(const Options& options, LoadedPlugin* plugin) {
  std::string path = options.pluginPath.empty() ? PluginBesideProgram() : options.pluginPath;
  std::string error;
  if (!plugin->Load(path, &error)) return Fail(error);
  return 0;
}

// Reads the program of --file, --init and --transform.
int ReadAdHocProgram(const Options& options, AdHocProgram* program) {
  program->initText = options.initText;
  program->transformText = options.transformText;
  if (options.programFile.empty()) return 0;
  std::string text, error;
  if (!ReadTextFile(options.programFile, &text, &error)) return Fail(error);
  KeyValueDocument document;
  int badLine = document.Parse(text.c_str(), text.size());
  if (badLine != 0) {
    return Fail(options.programFile + ": malformed line " + std::to_string(badLine));
  }
  const char* group = document.Get("Group");
  const char* name = document.Get("Name");
  const char* init = document.Get("Init");
  const char* prog = document.Get("Prog");
  if (group != nullptr) program->group = group;
  if (name != nullptr) program->name = name;
  program->initText = init != nullptr ? init : "";
  program->transformText = prog != nullptr ? prog : "";
  return 0;
}

void AddStep(DialogSession* session, DialogStep::Kind kind, int control, const std::string& text,
             int index = 0) {
  session->steps.push_back(DialogStep{kind, control, text, index});
}

// Reports every box the program showed; returns how many there were.
int ReportProgramMessages(const DialogSession& session, int fromStep) {
  int count = 0;
  for (const ShownMessage& message : session.shown) {
    if (message.step < fromStep) continue;
    Fail(message.text);
    ++count;
  }
  return count;
}

int CheckParameterCount(const std::string& initText, size_t given) {
  std::vector<std::string> unused;
  int declared = DeclaredParameters(initText, &unused);
  if (given == 0) return 0;
  if (declared < 0) return Fail("the program's parameter declarations are malformed");
  if (static_cast<int>(given) > declared) {
    return Fail("the program declares " + std::to_string(declared) + " parameter(s), but " +
                std::to_string(given) + " --param were given");
  }
  return 0;
}

struct ApplyPlan {
  std::string pluginBase;  // the base folder the plug-in is given
  std::string group;
  std::string name;
  std::string initText;
};

int PlanApply(const Options& options, const std::string& baseFolder, ScratchBase* scratch,
              ApplyPlan* plan) {
  if (options.haveProgramName) {
    LibraryProgram program;
    if (!FindLibraryProgram(baseFolder, options.group, options.name, &program)) return 1;
    *plan = ApplyPlan{baseFolder, options.group, options.name, program.initText};
    return 0;
  }
  AdHocProgram program;
  if (ReadAdHocProgram(options, &program) != 0) return 1;
  std::string error;
  if (!scratch->Create(baseFolder, &program, &error)) return Fail(error);
  *plan = ApplyPlan{scratch->folder(), program.group, program.name, program.initText};
  return 0;
}

DialogSession MainDialogSession(const Options& options, const ApplyPlan& plan) {
  DialogSession session;
  AddStep(&session, DialogStep::kSelectText, IDC_GROUP_COMBO, plan.group);
  AddStep(&session, DialogStep::kSelectText, IDC_FUNCTION_COMBO, plan.name);
  for (size_t i = 0; i < options.params.size(); ++i) {
    AddStep(&session, DialogStep::kType, IDC_PARAM_EDIT_FIRST + static_cast<int>(i),
            options.params[i]);
  }
  AddStep(&session, DialogStep::kSelectIndex, IDC_INTERP_COMBO, "", options.interpolation);
  AddStep(&session, DialogStep::kClick, IDOK, "");
  return session;
}

double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Where the time of an apply went. The plug-in's own steps are seen from
// the row callbacks: reading ends with the last row read, the run (dialog
// included) lasts until the first row comes back.
struct ApplyTimes {
  double start, decoded, pluginStart, pluginEnd, encoded;
};

void ReportTimes(const ApplyTimes& t, const RowExchange::Times& rows) {
  auto ms = [](double from, double to) { return (to - from) * 1000.0; };
  double readEnd = rows.lastRead != 0 ? rows.lastRead : t.pluginStart;
  double writeStart = rows.firstWrite != 0 ? rows.firstWrite : t.pluginEnd;
  std::fprintf(stderr,
               "morfel: timings (ms): decode %.1f, rows in %.1f, run %.1f, rows out %.1f, "
               "encode %.1f, total %.1f\n",
               ms(t.start, t.decoded), ms(t.pluginStart, readEnd), ms(readEnd, writeStart),
               ms(writeStart, t.pluginEnd), ms(t.pluginEnd, t.encoded), ms(t.start, t.encoded));
}

}  // namespace

int ApplyCommand(const Options& options) {
  const std::string& inputPath = options.positional[0];
  const std::string& outputPath = options.positional[1];
  if (!OutputFormatKnown(outputPath)) {
    return Fail("cannot write " + outputPath + ": use a .png, .jpg or .bmp file name");
  }
  std::string baseFolder;
  if (!ResolveBaseFolder(options, &baseFolder)) return 1;
  ScratchBase scratch;
  ApplyPlan plan;
  if (PlanApply(options, baseFolder, &scratch, &plan) != 0) return 1;
  if (CheckParameterCount(plan.initText, options.params.size()) != 0) return 1;
  ApplyTimes times{};
  times.start = Seconds();
  Picture input;
  std::string error;
  if (!ReadPicture(inputPath, &input, &error)) return Fail(error);
  times.decoded = Seconds();
  LoadedPlugin plugin;
  if (LoadPluginFor(options, &plugin) != 0) return 1;

  HostMessageLog log;
  log.showBar = !options.quiet && StandardErrorIsTerminal();
  HWND hostWindow = CreateHostWindow(&log);
  Picture output;
  RowExchange exchange(input, &output);
  DialogSession session = MainDialogSession(options, plan);
  int32_t size[2] = {input.width, input.height};
  times.pluginStart = Seconds();
  RunWithScriptedUser(&session, [&] {
    plugin.exports().proc(hostWindow, size, exchange.writeTable(), exchange.readTable(),
                          plan.pluginBase.c_str());
  });
  times.pluginEnd = Seconds();
  DestroyHostWindow(hostWindow);

  for (const std::string& failure : session.failures) Fail(failure);
  if (!session.failures.empty()) return 1;
  if (ReportProgramMessages(session, kProgramChosenStep) > 0) return 1;
  if (log.completions != 1 || exchange.rgbRowsWritten() != input.height) {
    return Fail("the program " + plan.group + "/" + plan.name + " could not be chosen or run");
  }
  if (!WritePicture(outputPath, output, &error)) return Fail(error);
  times.encoded = Seconds();
  if (options.timings) ReportTimes(times, exchange.times());
  if (!options.quiet) std::fprintf(stderr, "morfel: wrote %s\n", outputPath.c_str());
  return 0;
}

int CheckCommand(const Options& options) {
  AdHocProgram program;
  if (ReadAdHocProgram(options, &program) != 0) return 1;
  // The editor's boxes take no more than a program holds, so a longer text
  // would be checked cut: it is refused as choosing and applying refuse it.
  ProgramTextCheck runnable =
      CheckRunnableTexts(program.initText.c_str(), program.transformText.c_str());
  if (runnable != kProgramTextsFit) {
    std::printf("%s\n", ProgramTextCheckMessage(runnable));
    return 1;
  }
  std::string error;
  ScratchBase scratch;
  if (!scratch.Create(DefaultBaseFolder(), nullptr, &error)) return Fail(error);
  LoadedPlugin plugin;
  if (LoadPluginFor(options, &plugin) != 0) return 1;
  DialogSession session;
  AddStep(&session, DialogStep::kType, IDC_EDIT_INIT, program.initText);
  AddStep(&session, DialogStep::kType, IDC_EDIT_TRANSFORM, program.transformText);
  AddStep(&session, DialogStep::kClick, IDC_EDIT_CHECK, "");
  AddStep(&session, DialogStep::kClick, IDCANCEL, "");
  HostMessageLog log;
  HWND hostWindow = CreateHostWindow(&log);
  RunWithScriptedUser(&session,
                      [&] { plugin.exports().option(hostWindow, scratch.folder().c_str()); });
  DestroyHostWindow(hostWindow);
  int problems = 0;
  for (const ShownMessage& message : session.shown) {
    if (message.step < 2) continue;  // the empty library's own complaint
    std::printf("%s\n", message.text.c_str());
    ++problems;
  }
  if (problems == 0) std::printf("ok\n");
  return problems == 0 ? 0 : 1;
}

int ImportCommand(const Options& options) {
  std::string baseFolder;
  if (!ResolveBaseFolder(options, &baseFolder)) return 1;
  LoadedPlugin plugin;
  if (LoadPluginFor(options, &plugin) != 0) return 1;
  DialogSession session;
  AddStep(&session, DialogStep::kClick, IDC_EDIT_FUNCTION, "");
  AddStep(&session, DialogStep::kClick, IDCANCEL, "");
  bool yes = options.yes;
  session.answerQuestion = [yes](const std::string& question) {
    if (yes) return true;
    std::fprintf(stderr, "%s [y/N] ", question.c_str());
    std::string answer;
    std::getline(std::cin, answer);
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
  };
  HostMessageLog log;
  HWND hostWindow = CreateHostWindow(&log);
  RunWithScriptedUser(&session, [&] { plugin.exports().option(hostWindow, baseFolder.c_str()); });
  DestroyHostWindow(hostWindow);
  int status = 0;
  for (const ShownMessage& message : session.shown) {
    if (message.step < 0 || (message.title == "message" && message.text.rfind("Do you", 0) == 0)) {
      continue;
    }
    if (message.title == "error") {
      status = Fail(message.text);
    } else {
      std::printf("%s\n", message.text.c_str());
    }
  }
  return status;
}

int TitleCommand(const Options& options) {
  LoadedPlugin plugin;
  if (LoadPluginFor(options, &plugin) != 0) return 1;
  char title[256] = {0};
  int32_t a = 0, b = 0;
  plugin.exports().getTitle(nullptr, title, &a, &b);
  title[sizeof title - 1] = '\0';
  std::printf("%s\n", title);
  return 0;
}
