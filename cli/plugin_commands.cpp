#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "cli/standard_output.h"
#include "cli/commands.h"
#include "plugin_host/plugin_host.h"
#include "files/files.h"
#include "session/session.h"
#include "library/library.h"
#include "script/script.h"
#include "transform/transform.h"
#include "ui/resource.h"

namespace {

// The engine asked for goes to the plug-in through the environment, which
// its engines read when they are made.
void HandOnEngine(const Options& options) {
  if (options.engine.empty()) return;
#if defined(_WIN32)
  SetEnvironmentVariableA("MORFEL_ENGINE", options.engine.c_str());
  _putenv_s("MORFEL_ENGINE", options.engine.c_str());
#else
  setenv("MORFEL_ENGINE", options.engine.c_str(), 1);
#endif
}

bool LoadPluginFor(const Options& options, LoadedPlugin* plugin) {
  HandOnEngine(options);
  std::string path = options.pluginPath.empty() ? PluginPath() : options.pluginPath;
  std::string error;
  if (!plugin->Load(path, &error)) {
    Report(error);
    return false;
  }
  return true;
}

void AddStep(DialogSession* session, DialogStep::Kind kind, int control, const std::string& text) {
  session->steps.push_back(DialogStep{kind, control, text, 0});
}

// The editor's refusal to save ends with this; the import's summary after it
// would claim programs that never reached the file.
bool IsRefusedSave(const ShownMessage& message) {
  return message.title == "error" &&
         message.text.find("The change is not saved.") != std::string::npos;
}

}  // namespace

// One line per decision the engine makes for the program, from its texts
// compiled as the plug-in compiles them.
void ExplainRun(const AdHocProgram& program) {
  ScriptEngine engine;
  RgbtImage image(10, 10, 3);
  engine.InstallBuiltinVariables(image);
  engine.PrepareRun(kRunStackSize);
  std::vector<char> init(kScriptTextSize);
  StripDeclarationLines(program.initText.c_str(), "?", init.data(), kScriptTextSize);
  engine.Compile(init.data(), ProgramSlot::kInit);
  engine.Compile(program.transformText.c_str(), ProgramSlot::kTransform);
  const EngineChoice choice = engine.ChooseEngine();
  PrintOut("engine: %s (%s)\n", choice.kind == EngineKind::kCompiled ? "compiled" : "interpreter",
           choice.reason);
  char threads[256];
  PassAnalysis analysis = AnalysePass(engine);
  if (analysis.Independent() && ThreadsWanted() < 2)
    analysis.reason = OneThreadReason::kOneThreadAsked;
  DescribeThreads(analysis, threads, sizeof threads);
  PrintOut("threads: %s\n", threads);
}

int CheckCommand(const Options& options) {
  AdHocProgram program;
  if (!ReadProgramToCheck(options, &program)) return 1;
  // The editor's boxes take no more than a program holds, so a longer text
  // would be checked cut: it is refused as choosing and applying refuse it.
  ProgramTextCheck runnable =
      CheckRunnableTexts(program.initText.c_str(), program.transformText.c_str());
  if (runnable != kProgramTextsFit) {
    PrintOut("%s\n", ProgramTextCheckMessage(runnable));
    return 1;
  }
  if (options.pluginPath.empty()) return CheckThroughSession(options, program);
  std::string error;
  ScratchBase scratch;
  if (!scratch.Create(DefaultBaseFolder(), nullptr, &error)) return Fail(error);
  LoadedPlugin plugin;
  if (!LoadPluginFor(options, &plugin)) return 1;
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
    PrintOut("%s\n", message.text.c_str());
    ++problems;
  }
  if (problems == 0) PrintOut("ok\n");
  // The boxes say where; the detail says why, and what a run would waste.
  std::fflush(stdout);
  const ProgramDiagnosis diagnosis = DiagnoseHostProgram(program.initText, program.transformText);
  if (problems > 0) ReportProgramFault(diagnosis);
  if (problems == 0) ReportProgramWarnings(diagnosis);
  if (problems == 0 && options.explain) ExplainRun(program);
  return problems == 0 ? 0 : 1;
}

int ImportCommand(const Options& options) {
  if (RefuseUnansweredImport(options)) return 1;
  std::string baseFolder;
  if (!ResolveBaseFolder(options, &baseFolder)) return 1;
  LoadedPlugin plugin;
  if (!LoadPluginFor(options, &plugin)) return 1;
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
  bool refused = false;
  for (const ShownMessage& message : session.shown) refused = refused || IsRefusedSave(message);
  int status = 0;
  for (const ShownMessage& message : session.shown) {
    if (message.step < 0 || (message.title == "message" && message.text.rfind("Do you", 0) == 0)) {
      continue;
    }
    if (message.title == "error") {
      status = Fail(message.text);
    } else if (!refused) {
      PrintOut("%s\n", message.text.c_str());
    }
  }
  if (refused) Report("nothing was imported: the library file was not written");
  return status;
}

int TitleCommand(const Options& options) {
  LoadedPlugin plugin;
  if (!LoadPluginFor(options, &plugin)) return 1;
  char title[256] = {0};
  int32_t a = 0, b = 0;
  plugin.exports().getTitle(nullptr, title, &a, &b);
  title[sizeof title - 1] = '\0';
  PrintOut("%s\n", title);
  return 0;
}
