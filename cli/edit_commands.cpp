// The library edits of the command line: `add` merges program files from
// anywhere, `remove` takes one program out, each as one change to the file
// under its lock. And the import's refusal to guess an answer.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "files/files.h"
#include "cli/standard_output.h"
#include "library/library.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

bool StandardInputIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stdin)) != 0;
#else
  return isatty(0) != 0;
#endif
}

// What the import passes over in silence, said for a file the user named.
std::string OutcomeMessage(ImportOutcome outcome, const std::string& file,
                           const std::string& message) {
  switch (outcome) {
    case kImportCannotOpen:
      return "cannot read " + file;
    case kImportNoGroupOrName:
      return file + ": no Group= or Name= line, so it is no program file; it is not added";
    case kImportLibraryFull:
      return file + ": the library already holds " + std::to_string(kMaxPrograms) +
             " programs, the most it can; it is not added";
    case kImportTextTooLong:
    case kImportNotAFile:
      return message;
    default:
      return "";
  }
}

// Lines of the file the import ignores, said before it is merged.
void WarnOfStrayLines(const std::string& file) {
  AdHocProgram program;
  std::vector<std::string> warnings;
  std::string error;
  if (!ReadProgramFile(file, &program, &warnings, &error)) return;  // the import says why
  for (const std::string& warning : warnings) Report("warning: " + warning);
}

}  // namespace

bool RefuseUnansweredImport(const Options& options) {
  if (options.yes || StandardInputIsTerminal()) return false;
  Report(
      "import asks before it merges the program files of the data folder, and standard input is "
      "no terminal to answer it; pass --yes to import");
  return true;
}

int AddCommand(const Options& options) {
  std::string baseFolder;
  if (!ResolveBaseFolder(options, &baseFolder)) return 1;
  for (const std::string& file : options.positional) WarnOfStrayLines(file);
  ImportCounters counters = {0, 0};
  std::vector<std::string> problems;
  ProgramLibrary library;
  FileUpdate update = UpdateLibrary(
      baseFolder.c_str(),
      [&](ProgramLibrary& current) {
        for (const std::string& file : options.positional) {
          char message[kPathBufferSize + 128];
          ImportOutcome outcome = ImportProgramFileAt(file.c_str(), file.c_str(), &current,
                                                      &counters, message, sizeof message);
          std::string problem = OutcomeMessage(outcome, file, message);
          if (!problem.empty()) problems.push_back(problem);
        }
        return counters.added + counters.overwritten > 0 ? LibraryEdit::kChanged
                                                         : LibraryEdit::kUnchanged;
      },
      &library);
  if (!update.Succeeded()) return Fail(update.message + "; nothing was added");
  for (const std::string& problem : problems) Report(problem);
  char summary[128];
  FormatImportSummary(counters, summary, sizeof summary);
  PrintOut("%s\n", summary);
  return problems.empty() ? 0 : 1;
}

int RemoveCommand(const Options& options) {
  std::string baseFolder;
  if (!ResolveBaseFolder(options, &baseFolder)) return 1;
  bool found = false;
  ProgramLibrary library;
  FileUpdate update = UpdateLibrary(
      baseFolder.c_str(),
      [&](ProgramLibrary& current) {
        int index = current.FindProgram(options.group.c_str(), options.name.c_str());
        found = index >= 0 && current.CloseGap(index) != 0;
        return found ? LibraryEdit::kChanged : LibraryEdit::kUnchanged;
      },
      &library);
  if (!update.Succeeded()) return Fail(update.message + "; nothing was removed");
  const std::string wanted = options.group + "/" + options.name;
  if (!found) {
    return Fail("no program " + wanted + " in the library" + ClosestProgramsText(library, wanted));
  }
  PrintOut("removed %s\n", wanted.c_str());
  return 0;
}
