// "Function" in the editor: every program file of the data folder merged
// into the library.
#include <string>
#include <utility>
#include <vector>

#include "session/session.h"

SessionReport FilterContext::ImportProgramFiles(FrontEnd& frontEnd) {
  SessionReport report;
  if (!frontEnd.Ask("Do you want to add new functions?")) return report;
  char pattern[kPathBufferSize];
  if (DataPath(pattern, sizeof pattern, baseFolder.c_str(), "*.txt") == 0) {
    report.messages.push_back({MessageKind::kError, "The data folder's path is too long."});
    return report;
  }
  std::vector<std::string> fileNames;
  if (!frontEnd.ListFiles(pattern, &fileNames)) {
    report.messages.push_back({MessageKind::kError, "No file founds."});
    return report;
  }
  ImportCounters counters = {0, 0};
  UserMessages fileMessages;
  // The files are merged into the library as the file holds it now, under
  // its lock, so a program another writer added meanwhile stays.
  UserMessages written = ChangeLibraryFile([&](ProgramLibrary& current) {
    for (const std::string& fileName : fileNames) {
      char message[kPathBufferSize + 128];
      const ImportOutcome outcome = ::ImportProgramFile(
          baseFolder.c_str(), fileName.c_str(), &current, &counters, message, sizeof message);
      // The user hears of a file that could not be taken, and of one that is
      // no program file at all (a folder, FIFO or device), which is skipped.
      if (outcome == kImportCannotOpen || outcome == kImportTextTooLong) {
        fileMessages.push_back({MessageKind::kError, message});
      } else if (outcome == kImportNotAFile) {
        fileMessages.push_back({MessageKind::kNotice, message});
      }
    }
    return LibraryEdit::kChanged;
  });
  for (UserMessage& message : fileMessages) report.messages.push_back(std::move(message));
  for (UserMessage& message : written) report.messages.push_back(std::move(message));
  // Back to the first program of the first group, which the import may have
  // changed; the editor's texts stay those of the current program.
  settings.FuncNo = 0;
  settings.GroupNo = 0;
  ListGroups(nullptr);
  ListPrograms(nullptr);
  report.choiceChanged = true;
  report.programShown = true;
  char summary[128];
  FormatImportSummary(counters, summary, sizeof summary);
  report.messages.push_back({MessageKind::kResult, summary});
  return report;
}
