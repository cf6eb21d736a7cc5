// Whole-file reading and replacing by rename, so an interrupted save never
// leaves a half-written library, settings or parameter file behind.
#include "library/text_file.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "library/library.h"

namespace fs = std::filesystem;

ReadFileResult ReadWholeFile(const char* path, std::string* contents) {
  contents->clear();
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    // A file that is there but can't be opened must not pass for a missing one.
    std::error_code error;
    return fs::exists(path, error) ? kFileUnreadable : kFileMissing;
  }
  char chunk[65536];
  bool failed = false;
  for (;;) {
    size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (contents->size() + got > kMaxReadableFileBytes) {
      failed = true;
      break;
    }
    contents->append(chunk, got);
    if (got < sizeof chunk) {
      failed = std::ferror(file) != 0;
      break;
    }
  }
  std::fclose(file);
  if (failed) {
    contents->clear();
    return kFileUnreadable;
  }
  return kFileRead;
}

namespace {

bool IsReadOnly(const char* path) {
  std::error_code error;
  fs::file_status status = fs::status(path, error);
  if (error || !fs::exists(status)) return false;
  return (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

// Pushes the written bytes to the disk, so the rename can't expose a file
// whose contents were still in flight.
bool FlushToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
#if defined(_WIN32)
  if (_commit(_fileno(file)) != 0) return false;
#else
  if (fsync(fileno(file)) != 0) return false;
#endif
  return true;
}

// Writes the temporary file; false on failure, after removing what it created.
bool WriteTemporary(const char* temporaryPath, const char* data, size_t length) {
  std::FILE* file = std::fopen(temporaryPath, "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(data, 1, length, file) == length && FlushToDisk(file);
  bool closed = std::fclose(file) == 0;
  if (written && closed) return true;
  std::remove(temporaryPath);
  return false;
}

}  // namespace

int ReplaceFileContents(const char* path, const char* data, size_t length) {
  if (IsReadOnly(path)) return 0;
  char temporaryPath[kPathBufferSize];
  int needed = std::snprintf(temporaryPath, sizeof temporaryPath, "%s.new", path);
  if (needed < 0 || static_cast<size_t>(needed) >= sizeof temporaryPath) return 0;
  if (!WriteTemporary(temporaryPath, data, length)) return 0;
  // Replaces an existing target on every platform, unlike std::rename.
  std::error_code error;
  fs::rename(temporaryPath, path, error);
  if (error) {
    std::remove(temporaryPath);
    return 0;
  }
  return 1;
}
