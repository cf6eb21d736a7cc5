// The session's side of morfel:apply: the same steps as morfel apply's run
// in its own process (cli/session_apply.cpp), with the messages returned
// to GEGL rather than printed.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gegl/gegl_run.h"
#include "library/library.h"
#include "session/session.h"

namespace {

struct Texts {
  std::string label;  // "Group/Name", for messages
  std::string initText;
  std::string transformText;
};

std::string Text(const char* text) { return text != nullptr ? text : ""; }

std::string BaseFolderOf(const MorfelRequest& request) {
  std::string base = Text(request.base);
  if (base.empty()) return DefaultBaseFolder();
  return base.back() == '/' ? base : base + '/';
}

// The params text as --param words: split at commas and line ends outside
// parentheses, so "max(a, b)" stays one value; blanks around a word go.
std::vector<std::string> ParamWords(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  int depth = 0;
  auto finish = [&]() {
    const size_t first = word.find_first_not_of(" \t\r\n");
    if (first != std::string::npos) {
      words.push_back(word.substr(first, word.find_last_not_of(" \t\r\n") + 1 - first));
    }
    word.clear();
  };
  for (char c : text) {
    if (c == '(') ++depth;
    if (c == ')' && depth > 0) --depth;
    if ((c == ',' && depth == 0) || c == '\n') {
      finish();
    } else {
      word += c;
    }
  }
  finish();
  return words;
}

// The program's texts from the library of the context's base folder, or
// from the request. False with the message when there is none.
bool FindTexts(const MorfelRequest& request, FilterContext& context, Texts* texts,
               std::string* message) {
  const std::string wanted = Text(request.program);
  if (wanted.empty()) {
    *texts = {"the given program", Text(request.init), Text(request.transform)};
    return true;
  }
  const size_t slash = wanted.find('/');
  if (slash == std::string::npos) {
    *message = "a program is named Group/Name: " + wanted;
    return false;
  }
  context.LoadSettingsAndLibrary();
  const ProgramLibrary& library = context.library;
  const std::string group = wanted.substr(0, slash);
  const int index = library.FindProgram(group.c_str(), wanted.substr(slash + 1).c_str());
  if (index < 0) {
    *message = "no program " + wanted + " in the library of " + context.baseFolder +
               (library.ProgramCount() == 0 ? " (it has none: `morfel list` creates it)" : "");
    return false;
  }
  *texts = {wanted, Text(library.ProgramField(index, "Init")),
            Text(library.ProgramField(index, "Prog"))};
  return true;
}

// Where and why the texts do not compile, as morfel names it.
std::string CompileFault(const CompileReport& compiled, const Texts& texts) {
  std::string message =
      compiled.messages.empty() ? "Program compilation error." : compiled.messages.front().text;
  const ProgramDiagnosis diagnosis =
      DiagnoseProgramTexts(texts.initText.c_str(), texts.transformText.c_str());
  const ProgramNote& note = diagnosis.fault;
  if (note.text != ProgramFault::kNone) {
    message += std::string(" ") + ProgramTextName(note.text) + " line " +
               std::to_string(note.line) + ", column " + std::to_string(note.column) + ": " +
               note.Explained();
  }
  return message;
}

// Compiles the texts and takes the parameters as morfel apply's --param;
// notes gets --param's notes on values outside their range, a line each.
bool Prepare(const MorfelRequest& request, FilterContext& context, const Texts& texts,
             std::string* message, std::string* notes) {
  const ProgramTextCheck runnable =
      CheckRunnableTexts(texts.initText.c_str(), texts.transformText.c_str());
  if (runnable != kProgramTextsFit) {
    *message = ProgramTextCheckMessage(runnable);
    return false;
  }
  ParameterRows rows;
  if (!ResolveParameters(texts.initText, ParamWords(Text(request.params)), &rows, message)) {
    return false;
  }
  for (const std::string& note : rows.notes) *notes += (notes->empty() ? "" : "\n") + note;
  context.TakeProgramTexts(texts.initText.c_str(), texts.transformText.c_str());
  const CompileReport compiled = context.CompileProgramTexts();
  if (compiled.status != CompileStatus::kCompiled) {
    *message = CompileFault(compiled, texts);
    return false;
  }
  context.TakeParameterRows(rows);
  context.ChooseInterpolation(request.interpolation);
  return true;
}

bool TakeSource(FilterContext& context, int width, int height, const unsigned char* rgba) {
  if (context.sourceRgb.Create(width, height, 3) == 0 ||
      context.sourceT.Create(width, height, 1) == 0) {
    return false;
  }
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  for (size_t i = 0; i < pixels; ++i) {
    context.sourceRgb.data[i * 3 + 0] = rgba[i * 4 + 2];
    context.sourceRgb.data[i * 3 + 1] = rgba[i * 4 + 1];
    context.sourceRgb.data[i * 3 + 2] = rgba[i * 4 + 0];
    context.sourceT.data[i] = rgba[i * 4 + 3];
  }
  return true;
}

void GiveResult(const RgbtImage& rgb, const RgbtImage& t, size_t pixels, unsigned char* result) {
  for (size_t i = 0; i < pixels; ++i) {
    result[i * 4 + 0] = rgb.data[i * 3 + 2];
    result[i * 4 + 1] = rgb.data[i * 3 + 1];
    result[i * 4 + 2] = rgb.data[i * 3 + 0];
    result[i * 4 + 3] = t.data[i];
  }
}

bool Run(FilterContext& context, const Texts& texts, int width, int height,
         const unsigned char* rgba, unsigned char* result, std::string* message) {
  if (!TakeSource(context, width, height, rgba)) {
    *message = "not enough memory for a picture of " + std::to_string(width) + " x " +
               std::to_string(height);
    return false;
  }
  const double deadline = SteadySeconds() + kMorfelGeglRunSeconds;
  RunOptions options;
  options.keepGoing = [deadline]() { return SteadySeconds() < deadline; };
  ProgressImage resultRgb;
  RgbtImage resultT;
  const RunReport report = context.ApplyToImage(resultRgb, resultT, options);
  if (!report.messages.empty()) {
    *message = report.messages.front().text;
    return false;
  }
  if (report.status == RunStatus::kStopped) {
    *message = texts.label + " was stopped after " + std::to_string(kMorfelGeglRunSeconds) +
               " s: it takes too long";
    return false;
  }
  if (report.status != RunStatus::kFinished || resultRgb.data == nullptr ||
      resultT.data == nullptr) {
    *message = "not enough memory to run " + texts.label;
    return false;
  }
  GiveResult(resultRgb, resultT, static_cast<size_t>(width) * static_cast<size_t>(height), result);
  return true;
}

bool RunRequest(const MorfelRequest& request, int width, int height, const unsigned char* rgba,
                unsigned char* result, std::string* message, std::string* notes) {
  std::unique_ptr<FilterContext> context =
      CreateFilterContext(BaseFolderOf(request).c_str(), request.threads);
  if (context == nullptr) {
    *message = "not enough memory to prepare the program";
    return false;
  }
  Texts texts;
  if (!FindTexts(request, *context, &texts, message)) return false;
  if (!Prepare(request, *context, texts, message, notes)) return false;
  return Run(*context, texts, width, height, rgba, result, message);
}

char* Copy(const std::string& text) {
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy != nullptr) std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

}  // namespace

extern "C" int morfel_gegl_run(const MorfelRequest* request, int width, int height,
                               const unsigned char* rgba, unsigned char* result, char** message) {
  // The caller is C: a failed allocation of the message texts must not
  // unwind into GEGL's frames.
  try {
    std::string why, notes;
    *message = nullptr;
    if (RunRequest(*request, width, height, rgba, result, &why, &notes)) {
      if (!notes.empty()) *message = Copy(notes);
      return 1;
    }
    *message = Copy(why);
  } catch (...) {
    *message = Copy("not enough memory to run the program");
  }
  return 0;
}

extern "C" void morfel_gegl_free(char* message) { std::free(message); }
