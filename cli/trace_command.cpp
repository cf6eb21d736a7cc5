// morfel trace: what a program does to one pixel, statement by statement,
// as the session's tracer tells it; this command only prints the trace.
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/commands.h"
#include "cli/standard_output.h"
#include "library/library.h"
#include "session/session.h"

namespace {

// The picture's planes become the context's source image.
bool TakePicture(FilterContext& context, const Picture& picture) {
  if (context.sourceRgb.Create(picture.width, picture.height, 3) == 0 ||
      context.sourceT.Create(picture.width, picture.height, 1) == 0)
    return false;
  const size_t pixels = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
  std::memcpy(context.sourceRgb.data, picture.bgr.data(), pixels * 3);
  std::memcpy(context.sourceT.data, picture.t.data(), pixels);
  return true;
}

// The program compiled with its parameters as OK leaves them. False after
// reporting why it cannot run.
bool PrepareProgram(FilterContext& context, const Options& options, const AdHocProgram& program) {
  ParameterRows rows;
  if (!TakeRunnableProgram(program.initText, program.transformText, options, &rows)) return false;
  context.TakeProgramTexts(program.initText.c_str(), program.transformText.c_str());
  if (context.CompileProgramTexts().status != CompileStatus::kCompiled) {
    if (!ReportProgramFault(DiagnoseHostProgram(program.initText, program.transformText)))
      Report("the program does not compile");
    return false;
  }
  context.TakeParameterRows(rows);
  context.ChooseInterpolation(options.interpolation);
  return true;
}

}  // namespace

int TraceCommand(const Options& options) {
  AdHocProgram program;
  if (!ReadProgramToCheck(options, &program)) return 1;
  std::string baseFolder;
  if (!ResolveBaseFolder(options, &baseFolder)) return 1;
  Picture picture;
  std::string error;
  const std::string& input = options.positional[0];
  if (!ReadPicture(input, &picture, &error, options.read)) return Fail(error);
  // Pictures a program loads come from the user's own data folder.
  std::unique_ptr<FilterContext> context = CreateFilterContext(baseFolder.c_str());
  if (context == nullptr || !TakePicture(*context, picture))
    return Fail("not enough memory to trace the program on " + input);
  if (!PrepareProgram(*context, options, program)) return 1;
  const PixelTrace trace = context->TracePixel(options.atColumn, options.atRow);
  for (const UserMessage& message : trace.messages) Report(message.text);
  if (!trace.traced) return 1;
  PutOut(FormatPixelTrace(trace));
  return 0;
}
