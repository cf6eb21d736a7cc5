// The library file "Morfel.ini" in the data folder.
#include <cstdio>
#include <string>

#include "library/library.h"
#include "library/text_file.h"

int LoadProgramLibrary(const char* baseFolder, ProgramLibrary* library, int* stoppedAtLine) {
  if (stoppedAtLine != nullptr) *stoppedAtLine = 0;
  char path[kPathBufferSize];
  if (!LibraryPath(path, sizeof path, baseFolder)) return 0;
  std::string text;
  ReadFileResult read = ReadWholeFile(path, &text);
  if (read != kFileRead) {
    // Only a missing file may be written in place of; anything else there
    // (an unreadable file, a folder, a FIFO) is the user's to mend.
    if (read != kFileMissing) library->SetIncompleteLoad(-1);
    return 0;
  }
  int stopped = library->Parse(text.data(), text.size());
  library->SetIncompleteLoad(stopped);
  if (stoppedAtLine != nullptr) *stoppedAtLine = stopped;
  return 1;
}

namespace {

// Names the program and the text of an entry that would read back changed.
const char* DescribeUnstorable(const ProgramLibrary& library, const char* section,
                               const char* key) {
  std::string where = section != nullptr ? std::string("the section ") + section : "the file";
  for (int i = 0; section != nullptr && i < library.ProgramCount(); i++) {
    char name[kSectionNameSize];
    ProgramSectionName(i, name);
    if (std::string(name) != section) continue;
    const char* group = library.ProgramField(i, "Group");
    const char* program = library.ProgramField(i, "Name");
    where = std::string("the program ") + (group ? group : "") + "/" + (program ? program : "");
  }
  std::string text =
      key != nullptr ? "The text \"" + std::string(key) + "\" of " + where : "The name of " + where;
  text +=
      " holds a backslash followed by \"n\" or a character the library file cannot hold, "
      "so it would read back changed; the library is not saved.";
  return library.RememberRefusal(text);
}

}  // namespace

const char* LibrarySaveRefusal(const ProgramLibrary& library) {
  if (library.incompleteLoad() < 0) {
    return "The library file could not be read, so it is not written over.";
  }
  if (library.incompleteLoad() > 0) {
    return "The library file has a malformed line and was read only up to it; it is not "
           "written over, so that the programs after that line are kept.";
  }
  // Readers of the format take at most kMaxLibraryBytes with the NUL: a
  // longer file would come back cut, so it is refused, never written.
  if (library.SerializedLength() + 1 > static_cast<size_t>(kMaxLibraryBytes)) {
    return "The library is too large to be saved.";
  }
  const char* section = nullptr;
  const char* key = nullptr;
  if (library.FindUnstorable(&section, &key)) return DescribeUnstorable(library, section, key);
  return nullptr;
}

namespace {

// Writes library over the file at path; the caller holds its lock.
FileUpdate WriteLibraryText(const char* path, const ProgramLibrary& library) {
  const char* refusal = LibrarySaveRefusal(library);
  if (refusal != nullptr) return {FileUpdateStatus::kRefused, refusal};
  size_t length = library.SerializedLength();
  std::string text(length + 1, '\0');
  if (library.Serialize(&text[0], text.size()) < 0) {
    return {FileUpdateStatus::kRefused, "The library could not be put into its file's form."};
  }
  std::string reason;
  if (!ReplaceFileContents(path, text.data(), length, &reason)) {
    return {FileUpdateStatus::kWriteFailed, WriteFailureMessage(path, reason)};
  }
  return {FileUpdateStatus::kWritten, ""};
}

FileUpdate PathTooLong() {
  return {FileUpdateStatus::kWriteFailed, "The data folder's path is too long."};
}

}  // namespace

int SaveLibrary(const char* baseFolder, const ProgramLibrary& library) {
  if (LibrarySaveRefusal(library) != nullptr) return 0;
  char path[kPathBufferSize];
  if (!LibraryPath(path, sizeof path, baseFolder)) return 0;
  FileLock lock(path);
  if (!lock.held()) return 0;
  return WriteLibraryText(path, library).status == FileUpdateStatus::kWritten;
}

FileUpdate UpdateLibrary(const char* baseFolder, const LibraryEditor& edit,
                         ProgramLibrary* library) {
  library->Parse("");
  library->SetIncompleteLoad(0);
  char path[kPathBufferSize];
  if (!LibraryPath(path, sizeof path, baseFolder)) return PathTooLong();
  FileLock lock(path);
  if (!lock.held()) {
    LoadProgramLibrary(baseFolder, library);  // what the file holds, for the caller to show
    return {lock.status(), lock.failure()};
  }
  LoadProgramLibrary(baseFolder, library);
  // A file read in part keeps the programs that could not be read only if
  // nothing is written over it.
  const char* refusal = LibrarySaveRefusal(*library);
  if (refusal != nullptr) return {FileUpdateStatus::kRefused, refusal};
  if (edit(*library) == LibraryEdit::kUnchanged) return {FileUpdateStatus::kUnchanged, ""};
  return WriteLibraryText(path, *library);
}
