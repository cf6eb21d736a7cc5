// morfel apply in its own process: one filter context holds the program,
// compiled once with its parameters as the main dialog's OK leaves them,
// and every picture of the batch is run through it. Nothing is written to a
// temporary folder and no plug-in binary is loaded.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/apply_batch.h"
#include "cli/commands.h"
#include "cli/progress_bar.h"
#include "library/library.h"
#include "session/session.h"

namespace {

// The program as apply found it, before any picture.
struct Prepared {
  std::unique_ptr<FilterContext> context;
  std::string label;  // GROUP/NAME, for messages
  // A library program the main dialog lists: its settings are saved as OK
  // saves them. Programs the dialog cannot show (given on the command line,
  // beyond its lists) leave the user's settings alone.
  bool savesSettings = false;
  bool settingsSaved = false;
  UserMessages compileFaults;  // empty when both programs compiled
  ProgramDiagnosis diagnosis;  // where and why it does not compile, or its warnings
  bool showBar = false;
};

struct ProgramTexts {
  std::string group;
  std::string name;
  std::string initText;
  std::string transformText;
};

bool FindProgram(const Options& options, const std::string& baseFolder, ProgramTexts* texts) {
  if (options.haveProgramName) {
    LibraryProgram program;
    if (!FindLibraryProgram(baseFolder, options.group, options.name, &program)) return false;
    *texts = {options.group, options.name, program.initText, program.transformText};
    return true;
  }
  AdHocProgram program;
  if (!ReadAdHocProgram(options, &program)) return false;
  *texts = {program.group, program.name, program.initText, program.transformText};
  return true;
}

// Chooses the program in the dialog's lists as the user would. True when
// both lists hold it under exactly its names.
bool ChooseAsTheDialogLists(FilterContext& context, const ProgramTexts& texts) {
  context.ListGroups(texts.group.c_str());
  context.ListPrograms(texts.name.c_str());
  return texts.group == context.ChosenGroupName() && texts.name == context.ChosenProgramName();
}

// A compile fault named with its line, as the editor's check names it,
// after the message the dialog gives.
UserMessages CompileFaults(FilterContext& context, const CompileReport& compiled) {
  UserMessages faults = compiled.messages;
  if (compiled.status == CompileStatus::kCompiled) return faults;
  CurrentProgram texts = context.program;
  const CheckReport checked = context.CheckProgram(texts);
  for (const UserMessage& message : checked.messages) {
    bool known = false;
    for (const UserMessage& fault : faults) known = known || fault.text == message.text;
    if (!known) faults.push_back(message);
  }
  if (faults.empty()) faults.push_back({MessageKind::kError, "Program compilation error."});
  return faults;
}

bool Prepare(const Options& options, const std::string& baseFolder, Prepared* prepared) {
  ProgramTexts texts;
  if (!FindProgram(options, baseFolder, &texts)) return false;
  prepared->label = texts.group + "/" + texts.name;
  ParameterRows rows;
  if (!TakeRunnableProgram(texts.initText, texts.transformText, options, &rows)) return false;
  prepared->diagnosis = DiagnoseHostProgram(texts.initText, texts.transformText);
  if (!options.quiet) {
    for (const std::string& note : rows.notes) Report(note);
    ReportProgramWarnings(prepared->diagnosis);
  }
  // Pictures a program loads come from the user's own data folder.
  prepared->context = CreateFilterContext(baseFolder.c_str());
  if (prepared->context == nullptr) {
    Report("not enough memory to prepare the program");
    return false;
  }
  FilterContext& context = *prepared->context;
  if (options.haveProgramName) {
    context.LoadSettingsAndLibrary();
    prepared->savesSettings = ChooseAsTheDialogLists(context, texts);
  }
  context.TakeProgramTexts(texts.initText.c_str(), texts.transformText.c_str());
  prepared->compileFaults = CompileFaults(context, context.CompileProgramTexts());
  context.TakeParameterRows(rows);
  context.ChooseInterpolation(options.interpolation);
  prepared->showBar = ShowsProgressBar(options);
  return true;
}

// The picture's planes become the context's source image.
bool TakeSource(FilterContext& context, const Picture& input) {
  if (context.sourceRgb.Create(input.width, input.height, 3) == 0 ||
      context.sourceT.Create(input.width, input.height, 1) == 0) {
    return false;
  }
  const size_t pixels = static_cast<size_t>(input.width) * static_cast<size_t>(input.height);
  std::memcpy(context.sourceRgb.data, input.bgr.data(), pixels * 3);
  std::memcpy(context.sourceT.data, input.t.data(), pixels);
  return true;
}

void GiveResult(const RgbtImage& rgb, const RgbtImage& t, const Picture& input, Picture* output) {
  const size_t pixels = static_cast<size_t>(input.width) * static_cast<size_t>(input.height);
  output->width = input.width;
  output->height = input.height;
  output->bgr.assign(rgb.data, rgb.data + pixels * 3);
  output->t.assign(t.data, t.data + pixels);
  output->icc = input.icc;
}

int ReportAll(const UserMessages& messages) {
  for (const UserMessage& message : messages) Report(message.text);
  return static_cast<int>(messages.size());
}

PictureOutcome Run(const Options& options, Prepared& prepared, Picture& input, const Job& job,
                   ApplyTimes* times) {
  FilterContext& context = *prepared.context;
  if (!TakeSource(context, input)) {
    Report("not enough memory to apply the program to " + job.input);
    return PictureOutcome::kPictureFailed;
  }
  // The context holds the pixels now: one copy of the picture less while
  // the run needs memory for its result.
  std::vector<uint8_t>().swap(input.bgr);
  std::vector<uint8_t>().swap(input.t);
  times->rowsIn = SteadySeconds();
  ProgressImage resultRgb;
  RgbtImage resultT;
  RunOptions run;
  if (prepared.showBar) run.progress = DrawRunProgress;
  const RunReport report = context.ApplyToImage(resultRgb, resultT, run);
  if (prepared.showBar) EndProgressBar();
  times->ran = SteadySeconds();
  // The run's own sources go: the result is all that is left to write.
  context.sourceRgb.Create(0, 0, 3);
  context.sourceT.Create(0, 0, 1);
  if (ReportAll(report.messages) > 0) return PictureOutcome::kProgramFailed;
  if (report.status != RunStatus::kFinished || resultRgb.data == nullptr ||
      resultT.data == nullptr) {
    Report("not enough memory to run the program " + prepared.label + " on " + job.input);
    return PictureOutcome::kPictureFailed;
  }
  Picture output;
  GiveResult(resultRgb, resultT, input, &output);
  times->rowsOut = SteadySeconds();
  return WriteOutputPicture(options, job, output, times);
}

PictureOutcome ApplyToPicture(const Options& options, Prepared& prepared, const Job& job) {
  ApplyTimes times;
  times.start = SteadySeconds();
  Picture input;
  if (!ReadInputPicture(options, job, &input)) return PictureOutcome::kPictureFailed;
  times.decoded = SteadySeconds();
  // OK saves the settings before the run, whatever the run then does; the
  // same settings once for the batch.
  if (prepared.savesSettings && !prepared.settingsSaved) prepared.context->SaveSettings();
  prepared.settingsSaved = true;
  if (ReportAll(prepared.compileFaults) > 0) {
    ReportProgramFault(prepared.diagnosis);
    return PictureOutcome::kProgramFailed;
  }
  return Run(options, prepared, input, job, &times);
}

}  // namespace

int ApplyThroughSession(const Options& options, const std::string& baseFolder,
                        const std::vector<Job>& jobs) {
  const double start = SteadySeconds();
  Prepared prepared;
  if (!Prepare(options, baseFolder, &prepared)) return 1;
  if (options.timings) {
    std::fprintf(stderr, "morfel: timings (ms): program %.1f, once for every picture\n",
                 (SteadySeconds() - start) * 1000.0);
  }
  return RunJobs(jobs, [&](const Job& job) { return ApplyToPicture(options, prepared, job); });
}
