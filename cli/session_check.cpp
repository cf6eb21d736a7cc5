// morfel check in its own process: the program editor's check, through the
// session, on the texts given or on a program of the library.
#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/standard_output.h"
#include "session/session.h"

bool ReadProgramToCheck(const Options& options, AdHocProgram* program) {
  if (!options.haveProgramName) return ReadAdHocProgram(options, program);
  std::string baseFolder;
  if (!ResolveBaseFolder(options, &baseFolder)) return false;
  LibraryProgram found;
  if (!FindLibraryProgram(baseFolder, options.group, options.name, &found)) return false;
  program->group = options.group;
  program->name = options.name;
  program->initText = found.initText;
  program->transformText = found.transformText;
  return true;
}

int CheckThroughSession(const Options& options, const AdHocProgram& program) {
  // The check touches no file: the context needs no base folder.
  std::unique_ptr<FilterContext> context = CreateFilterContext("");
  if (context == nullptr) return Fail("not enough memory to check the program");
  CurrentProgram texts;
  std::snprintf(texts.initText, sizeof texts.initText, "%s", program.initText.c_str());
  std::snprintf(texts.transformText, sizeof texts.transformText, "%s",
                program.transformText.c_str());
  const CheckReport report = context->CheckProgram(texts);
  for (const UserMessage& message : report.messages) PrintOut("%s\n", message.text.c_str());
  // The verdict says where; the detail on standard error says why, and what
  // a run would waste.
  std::fflush(stdout);
  const ProgramDiagnosis diagnosis = DiagnoseHostProgram(program.initText, program.transformText);
  if (!report.messages.empty()) {
    ReportProgramFault(diagnosis);
    return 1;
  }
  PrintOut("ok\n");
  std::fflush(stdout);
  ReportProgramWarnings(diagnosis);
  if (options.explain) ExplainRun(program);
  return 0;
}
