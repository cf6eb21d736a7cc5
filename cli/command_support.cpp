#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "files/files.h"
#include "session/session.h"

void Report(const std::string& text) { std::fprintf(stderr, "morfel: %s\n", text.c_str()); }

int Fail(const std::string& text) {
  Report(text);
  return 1;
}

bool ResolveBaseFolder(const Options& options, std::string* baseFolder) {
  *baseFolder =
      options.baseFolder.empty() ? DefaultBaseFolder() : WithSeparator(options.baseFolder);
  std::string error;
  if (!PrepareBaseFolder(*baseFolder, &error)) {
    Report(error);
    return false;
  }
  return true;
}

bool TakeRunnableProgram(const std::string& initText, const std::string& transformText,
                         const Options& options, ParameterRows* rows) {
  const ProgramTextCheck runnable = CheckRunnableTexts(initText.c_str(), transformText.c_str());
  if (runnable != kProgramTextsFit) {
    Report(ProgramTextCheckMessage(runnable));
    return false;
  }
  std::string error;
  if (ResolveParameters(initText, options.params, rows, &error)) return true;
  Report(error);
  return false;
}
