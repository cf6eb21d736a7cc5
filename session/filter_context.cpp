// The objects of one export call, created and destroyed together, and the
// files read at its start and written at its end.
#include <algorithm>
#include <cstdio>
#include <new>

#include "session/session.h"

FilterContext::FilterContext(const char* folder, int32_t threads)
    : baseFolder(folder != nullptr ? folder : ""),
      program(),
      slots(),
      passThreads(threads > 0 ? std::min(threads, kMaxPassThreads) : ThreadsWanted()),
      groupList(),
      functionList(),
      settings() {
  engine.SetBaseFolder(baseFolder.c_str());
}

std::unique_ptr<FilterContext> CreateFilterContext(const char* baseFolder, int32_t threads) {
  return std::unique_ptr<FilterContext>(new (std::nothrow) FilterContext(baseFolder, threads));
}

void FilterContext::LoadSettingsAndLibrary() {
  LoadSettings(baseFolder.c_str(), &settings, &program, slots);
  LoadProgramLibrary(baseFolder.c_str(), &library);
}

int32_t FilterContext::SaveSettings() const {
  return ::SaveSettings(baseFolder.c_str(), settings, slots);
}

// The library is never written over a file it could not read whole (that
// would drop the programs it could not read), so every change of this call
// will fail to reach the file: the user hears why before making one.
UserMessages FilterContext::LibraryReadWarning() const {
  const int stoppedAtLine = library.incompleteLoad();
  if (stoppedAtLine == 0) return {};
  if (stoppedAtLine < 0) {
    return {{MessageKind::kError,
             "The library file could not be read. Its programs are not shown, and changes "
             "cannot be saved to it."}};
  }
  char message[256];
  std::snprintf(message, sizeof message,
                "The library file cannot be read past line %d. The programs after that line "
                "are not shown, and changes cannot be saved to the file until that line is "
                "mended.",
                stoppedAtLine);
  return {{MessageKind::kError, message}};
}

UserMessages FilterContext::HiddenProgramsWarning() const {
  char notice[256];
  if (FormatHiddenProgramsNotice(library, notice, sizeof notice) == 0) return {};
  return {{MessageKind::kError, notice}};
}
