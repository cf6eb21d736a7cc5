// The library file "Morfel.ini" in the data folder.
#include <string>

#include "library/library.h"
#include "library/text_file.h"

int LoadLibrary(const char* baseFolder, ProgramLibrary* library, int* stoppedAtLine) {
  if (stoppedAtLine != nullptr) *stoppedAtLine = 0;
  char path[kPathBufferSize];
  if (!LibraryPath(path, sizeof path, baseFolder)) return 0;
  std::string text;
  if (ReadWholeFile(path, &text) != kFileRead) return 0;
  int stopped = library->Parse(text.data(), text.size());
  if (stoppedAtLine != nullptr) *stoppedAtLine = stopped;
  return 1;
}

int SaveLibrary(const char* baseFolder, const ProgramLibrary& library) {
  char path[kPathBufferSize];
  if (!LibraryPath(path, sizeof path, baseFolder)) return 0;
  size_t length = library.SerializedLength();
  // Readers of the format take at most kMaxLibraryBytes with the NUL: a
  // longer file would come back cut, so it is refused, never written.
  if (length + 1 > static_cast<size_t>(kMaxLibraryBytes)) return 0;
  std::string text(length + 1, '\0');
  if (library.Serialize(&text[0], text.size()) < 0) return 0;
  return ReplaceFileContents(path, text.data(), length);
}
