// Whole-file reading and replacing by rename, so an interrupted save never
// leaves a half-written library, settings or parameter file behind, and no
// name another program planted can redirect what is written.
#include "library/text_file.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>

#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// A file that is there but can't be opened must not pass for a missing one.
ReadFileResult OpenFailure(const char* path) {
  std::error_code error;
  if (fs::is_directory(path, error)) return kFileNotRegular;
  return fs::exists(path, error) ? kFileUnreadable : kFileMissing;
}

}  // namespace

#if defined(_WIN32)

ReadFileResult ReadWholeFile(const char* path, std::string* contents) {
  contents->clear();
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return OpenFailure(path);
  struct _stat64 info;
  if (_fstat64(_fileno(file), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
    std::fclose(file);
    return kFileNotRegular;
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

#else

ReadFileResult ReadWholeFile(const char* path, std::string* contents) {
  contents->clear();
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
  int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return OpenFailure(path);
  struct stat info;
  if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(descriptor);
    return kFileNotRegular;
  }
  char chunk[65536];
  bool failed = false;
  for (;;) {
    ssize_t got = read(descriptor, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 || contents->size() + static_cast<size_t>(got) > kMaxReadableFileBytes) {
      failed = true;
      break;
    }
    if (got == 0) break;
    contents->append(chunk, static_cast<size_t>(got));
  }
  close(descriptor);
  if (failed) {
    contents->clear();
    return kFileUnreadable;
  }
  return kFileRead;
}

#endif

std::string ResolveLinks(const char* path) {
  fs::path resolved(path);
  // A bounded walk, so a loop of links ends (and then fails to be written).
  for (int step = 0; step < 40; ++step) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(resolved, error)) || error) break;
    fs::path target = fs::read_symlink(resolved, error);
    if (error) break;
    resolved = target.is_absolute() ? target : resolved.parent_path() / target;
  }
  return resolved.string();
}

namespace {

bool IsReadOnly(const std::string& path) {
  std::error_code error;
  fs::file_status status = fs::status(path, error);
  if (error || !fs::exists(status)) return false;
  return (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

// A name no other writer picks: random digits, tried until one is free.
std::string TemporaryName(const std::string& target) {
  // One generator per thread, each seeded on its own, so threads writing at
  // once neither share state nor draw the same names.
  static thread_local std::mt19937_64 generator = [] {
    std::random_device device;
    const uint64_t now =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return std::mt19937_64((static_cast<uint64_t>(device()) << 32) ^ device() ^ now);
  }();
  char digits[kTemporarySuffixDigits + 1];
  uint64_t value = generator();
  for (size_t i = 0; i < kTemporarySuffixDigits; ++i) {
    digits[i] = "0123456789abcdef"[value & 15];
    value >>= 4;
  }
  digits[kTemporarySuffixDigits] = '\0';
  return target + kTemporaryMark + digits;
}

void SetReason(std::string* reason, const std::string& text) {
  if (reason != nullptr) *reason = text;
}

constexpr int kNameAttempts = 100;

}  // namespace

#if defined(_WIN32)

namespace {

std::string SystemReason(const char* step) {
  return std::string(step) + " failed (Windows error " + std::to_string(GetLastError()) + ")";
}

bool WriteAll(HANDLE file, const char* data, size_t length) {
  while (length > 0) {
    DWORD chunk = length > 0x40000000u ? 0x40000000u : static_cast<DWORD>(length);
    DWORD written = 0;
    if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    length -= written;
  }
  return true;
}

}  // namespace

int ReplaceFileContents(const char* path, const char* data, size_t length, std::string* reason) {
  const std::string target = ResolveLinks(path);
  if (IsReadOnly(target)) {
    SetReason(reason, "the file is read-only");
    return 0;
  }
  std::string temporary;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < kNameAttempts && file == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = TemporaryName(target);
    file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) {
    SetReason(reason, SystemReason("creating a temporary file"));
    return 0;
  }
  std::string failure;
  if (!WriteAll(file, data, length)) failure = SystemReason("writing");
  if (failure.empty() && !FlushFileBuffers(file)) failure = SystemReason("flushing");
  if (!CloseHandle(file) && failure.empty()) failure = SystemReason("closing");
  if (failure.empty() && !MoveFileExA(temporary.c_str(), target.c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    failure = SystemReason("replacing the file");
  }
  if (failure.empty()) return 1;
  DeleteFileA(temporary.c_str());
  SetReason(reason, failure);
  return 0;
}

#else

namespace {

std::string SystemReason(const char* step) {
  return std::string(step) + ": " + std::strerror(errno);
}

bool WriteAll(int descriptor, const char* data, size_t length) {
  while (length > 0) {
    ssize_t written = write(descriptor, data, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    length -= static_cast<size_t>(written);
  }
  return true;
}

// Creates the temporary file new: O_EXCL and O_NOFOLLOW, so a name planted
// in the folder (a file, a link) is never opened, let alone written through.
int CreateTemporary(const std::string& target, std::string* temporary) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    *temporary = TemporaryName(target);
    int descriptor =
        open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (descriptor >= 0 || errno != EEXIST) return descriptor;
  }
  errno = EEXIST;
  return -1;
}

// The new file takes the permissions of the one it replaces.
bool KeepMode(int descriptor, const std::string& target) {
  struct stat existing;
  if (stat(target.c_str(), &existing) != 0 || !S_ISREG(existing.st_mode)) return true;
  return fchmod(descriptor, existing.st_mode & 07777) == 0;
}

// Makes the rename itself durable; a file system that can't sync a folder
// has still renamed, so this is no failure.
void SyncFolderOf(const std::string& target) {
  std::string folder = fs::path(target).parent_path().string();
  int descriptor = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  fsync(descriptor);
  close(descriptor);
}

}  // namespace

int ReplaceFileContents(const char* path, const char* data, size_t length, std::string* reason) {
  const std::string target = ResolveLinks(path);
  if (IsReadOnly(target)) {
    SetReason(reason, "the file is read-only");
    return 0;
  }
  std::string temporary;
  int descriptor = CreateTemporary(target, &temporary);
  if (descriptor < 0) {
    SetReason(reason, SystemReason("creating a temporary file"));
    return 0;
  }
  std::string failure;
  if (!KeepMode(descriptor, target)) failure = SystemReason("setting permissions");
  if (failure.empty() && !WriteAll(descriptor, data, length)) failure = SystemReason("writing");
  if (failure.empty() && fsync(descriptor) != 0) failure = SystemReason("syncing");
  if (close(descriptor) != 0 && failure.empty()) failure = SystemReason("closing");
  if (failure.empty() && rename(temporary.c_str(), target.c_str()) != 0) {
    failure = SystemReason("replacing the file");
  }
  if (failure.empty()) {
    SyncFolderOf(target);
    return 1;
  }
  unlink(temporary.c_str());
  SetReason(reason, failure);
  return 0;
}

#endif
