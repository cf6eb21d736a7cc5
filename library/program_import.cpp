// Merging program files from the data folder into the library.
#include <cstdio>
#include <cstring>
#include <string>

#include "library/library.h"
#include "library/text_file.h"

namespace {

void SetMessage(char* message, int messageSize, const char* fileName, const char* reason) {
  if (message == nullptr || messageSize <= 0) return;
  if (reason == nullptr) {
    std::snprintf(message, static_cast<size_t>(messageSize), "%s", fileName);
  } else {
    std::snprintf(message, static_cast<size_t>(messageSize), "%s: %s", fileName, reason);
  }
}

// Why the program of a file can't enter the library, or null when it can.
// A program cut to fit would enter the library corrupted, so it is refused.
const char* RefusalReason(const char* group, const char* name, const char* initText,
                          const char* transformText) {
  if (std::strlen(group) >= static_cast<size_t>(kNameTextSize) ||
      std::strlen(name) >= static_cast<size_t>(kNameTextSize)) {
    return "the group or name is longer than 127 characters; the file is not imported.";
  }
  switch (CheckProgramTexts(initText, transformText)) {
    case kInitTextTooLong:
      return "the Init text is too long for a program (at most 2042 characters, each line "
             "break counting as two); the file is not imported.";
    case kTransformTextTooLong:
      return "the Prog text is too long for a program (at most 2042 characters, each line "
             "break counting as two); the file is not imported.";
    case kProgramTextsFit:
      break;
    default:  // a parsed text always reads back as it is
      return "a text would not read back as it is; the file is not imported.";
  }
  return nullptr;
}

const char* TextOrEmpty(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

ImportOutcome ImportProgramFile(const char* baseFolder, const char* fileName,
                                ProgramLibrary* library, ImportCounters* counters, char* message,
                                int messageSize) {
  char path[kPathBufferSize];
  if (DataPath(path, sizeof path, baseFolder, fileName) == 0) {
    SetMessage(message, messageSize, fileName, nullptr);
    return kImportCannotOpen;
  }
  return ImportProgramFileAt(path, fileName, library, counters, message, messageSize);
}

ImportOutcome ImportProgramFileAt(const char* path, const char* shownName, ProgramLibrary* library,
                                  ImportCounters* counters, char* message, int messageSize) {
  if (message != nullptr && messageSize > 0) message[0] = '\0';
  const char* fileName = shownName;
  std::string text;
  const ReadFileResult read = ReadWholeFile(path, &text);
  if (read == kFileNotRegular) {
    SetMessage(message, messageSize, fileName,
               "not a regular file (a folder, FIFO or device); it is skipped.");
    return kImportNotAFile;
  }
  if (read != kFileRead) {
    SetMessage(message, messageSize, fileName, nullptr);
    return kImportCannotOpen;
  }
  KeyValueDocument file;
  file.Parse(text.data(), text.size());  // keys before a bad line still count
  const char* group = file.Get("Group");
  const char* name = file.Get("Name");
  if (group == nullptr || name == nullptr) return kImportNoGroupOrName;
  const char* initText = TextOrEmpty(file.Get("Init"));
  const char* transformText = TextOrEmpty(file.Get("Prog"));
  const char* reason = RefusalReason(group, name, initText, transformText);
  if (reason != nullptr) {
    SetMessage(message, messageSize, fileName, reason);
    return kImportTextTooLong;
  }
  int index = library->FindProgram(group, name);
  if (index >= 0) {
    library->SetProgramTexts(index, initText, transformText);
    counters->overwritten++;
    return kImportOverwritten;
  }
  if (library->AppendProgram(group, name, initText, transformText) < 0) return kImportLibraryFull;
  counters->added++;
  return kImportAdded;
}

int FormatImportSummary(const ImportCounters& counters, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  int written =
      std::snprintf(buffer, static_cast<size_t>(size),
                    "%d new program(s) are added. %d program(s) are overwritten.",
                    static_cast<int>(counters.added), static_cast<int>(counters.overwritten));
  if (written < 0) return 0;
  return written < size ? written : size - 1;
}
