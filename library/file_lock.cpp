// One writer at a time per file: an advisory lock on a file beside it, held
// for the whole read-modify-write, and the clean-up of what killed writers
// left behind, done by the next writer while it holds the lock.
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "library/text_file.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kLockRetryPause(10);

bool IsHexDigits(const std::string& text) {
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

// Whether name is a temporary file of the file named base: ours, or the one
// fixed name writers used before the lock.
bool IsTemporaryOf(const std::string& name, const std::string& base) {
  const std::string mark = base + kTemporaryMark;
  if (name == mark.substr(0, mark.size() - 1)) return true;
  return name.size() == mark.size() + kTemporarySuffixDigits &&
         name.compare(0, mark.size(), mark) == 0 && IsHexDigits(name.substr(mark.size()));
}

// When this writer took the lock, on the clock the file system stamps
// files with; a temporary file stamped before it belongs to a writer gone.
#if defined(_WIN32)
using Moment = fs::file_time_type;
Moment Now() { return fs::file_time_type::clock::now(); }
bool ChangedBefore(const fs::path& file, Moment moment) {
  std::error_code error;
  fs::file_time_type changed = fs::last_write_time(file, error);
  return !error && changed < moment;
}
#else
using Moment = struct timespec;
Moment Now() {
  struct timespec now = {0, 0};
#if defined(CLOCK_REALTIME_COARSE)
  clock_gettime(CLOCK_REALTIME_COARSE, &now);  // the clock file times come from
#else
  clock_gettime(CLOCK_REALTIME, &now);
#endif
  return now;
}
bool ChangedBefore(const fs::path& file, Moment moment) {
  struct stat info;  // the entry itself: a planted link is judged, never followed
  if (lstat(file.c_str(), &info) != 0) return false;
  if (info.st_mtim.tv_sec != moment.tv_sec) return info.st_mtim.tv_sec < moment.tv_sec;
  return info.st_mtim.tv_nsec < moment.tv_nsec;
}
#endif

// Removes the leftovers of target's killed writers in its folder: files and
// links only (a link is removed, its target left alone), never a folder.
void RemoveLeftovers(const fs::path& target, Moment lockedAt) {
  const std::string base = target.filename().string();
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    if (!IsTemporaryOf(entry->path().filename().string(), base)) continue;
    std::error_code typeError;
    fs::file_status status = fs::symlink_status(entry->path(), typeError);
    if (typeError || fs::is_directory(status)) continue;
    if (!ChangedBefore(entry->path(), lockedAt)) continue;
    std::error_code removeError;
    fs::remove(entry->path(), removeError);
  }
}

std::string BusyMessage(const std::string& target, const std::string& lockPath) {
  return "Another program is writing \"" + target + "\" and has held its lock \"" + lockPath +
         "\" for more than " + std::to_string(static_cast<int>(kLockWaitSeconds)) +
         " seconds; nothing is written. Try again once it has finished.";
}

std::string CannotLockMessage(const std::string& target, const std::string& lockPath,
                              const std::string& reason) {
  return "\"" + target + "\" could not be written: its lock file \"" + lockPath +
         "\" cannot be made (" + reason +
         "). Writing needs a folder you may write to, with no link in place of the lock file.";
}

}  // namespace

FileLock::FileLock(const char* path) {
  const std::string target = ResolveLinks(path);
  const Moment lockedAt = Now();
  Acquire(target + ".lock");
  if (!held()) {
    // Acquire left the system's reason; the message names the file it guards.
    failure_ = status_ == FileUpdateStatus::kLockBusy
                   ? BusyMessage(target, target + ".lock")
                   : CannotLockMessage(target, target + ".lock", failure_);
    return;
  }
  RemoveLeftovers(target, lockedAt);
  if (target != path) RemoveLeftovers(fs::path(path), lockedAt);
}

#if defined(_WIN32)

void FileLock::Acquire(const std::string& lockPath) {
  HANDLE file = CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    status_ = FileUpdateStatus::kCannotLock;
    failure_ = "Windows error " + std::to_string(GetLastError());
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<int>(kLockWaitSeconds * 1000));
  for (;;) {
    OVERLAPPED where = {};
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) {
      handle_ = file;
      status_ = FileUpdateStatus::kWritten;
      return;
    }
    if (GetLastError() != ERROR_LOCK_VIOLATION || std::chrono::steady_clock::now() > deadline) {
      status_ = GetLastError() == ERROR_LOCK_VIOLATION ? FileUpdateStatus::kLockBusy
                                                       : FileUpdateStatus::kCannotLock;
      failure_ = "Windows error " + std::to_string(GetLastError());
      CloseHandle(file);
      return;
    }
    std::this_thread::sleep_for(kLockRetryPause);
  }
}

FileLock::~FileLock() {
  if (handle_ == nullptr) return;
  OVERLAPPED where = {};
  UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &where);
  CloseHandle(static_cast<HANDLE>(handle_));
}

#else

void FileLock::Acquire(const std::string& lockPath) {
  // Read access is enough to lock, so a lock file another user made serves
  // too; O_NOFOLLOW keeps a link planted in its place from being created through.
  int descriptor = open(lockPath.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (descriptor < 0) {
    status_ = FileUpdateStatus::kCannotLock;
    failure_ = std::strerror(errno);
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<int>(kLockWaitSeconds * 1000));
  // flock, not fcntl: its locks belong to the open file, so two threads of
  // one process exclude each other as two processes do.
  for (;;) {
    if (flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
      descriptor_ = descriptor;
      status_ = FileUpdateStatus::kWritten;
      return;
    }
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() > deadline) {
      status_ = errno == EWOULDBLOCK ? FileUpdateStatus::kLockBusy : FileUpdateStatus::kCannotLock;
      failure_ = std::strerror(errno);
      close(descriptor);
      return;
    }
    std::this_thread::sleep_for(kLockRetryPause);
  }
}

// The lock file stays: removing it would let a writer that opened it just
// before lock a file no longer in the folder.
FileLock::~FileLock() {
  if (descriptor_ < 0) return;
  flock(descriptor_, LOCK_UN);
  close(descriptor_);
}

#endif

std::string WriteFailureMessage(const char* path, const std::string& reason) {
  return "\"" + std::string(path) + "\" could not be written (" + reason +
         "); it keeps what it held.";
}

FileUpdate WriteFileUnderLock(const char* path, const char* data, size_t length) {
  FileLock lock(path);
  if (!lock.held()) return {lock.status(), lock.failure()};
  std::string reason;
  if (!ReplaceFileContents(path, data, length, &reason)) {
    return {FileUpdateStatus::kWriteFailed, WriteFailureMessage(path, reason)};
  }
  return {FileUpdateStatus::kWritten, ""};
}
