// Private to the library: reading a file whole, and replacing one safely
// under its lock.
#ifndef MORFEL_LIBRARY_TEXT_FILE_H
#define MORFEL_LIBRARY_TEXT_FILE_H

#include <cstddef>
#include <string>

#include "library/library.h"

// The largest file ReadWholeFile takes in; a larger one is refused unread: no file of ours
// comes near it, and reading stays bounded.
constexpr size_t kMaxReadableFileBytes = 64u * 1024u * 1024u;

enum ReadFileResult {
  kFileRead = 1,
  kFileMissing = 0,      // could not be opened
  kFileUnreadable = -1,  // opened, but not read whole (error or too large)
  kFileNotRegular = -2,  // a folder, FIFO or device: refused without waiting on it
};

// Reads the file at path whole, bytes unchanged, into *contents.
ReadFileResult ReadWholeFile(const char* path, std::string* contents);

// The file path names once its symbolic links are followed; path itself when
// it is no link.
std::string ResolveLinks(const char* path);

// Writes length bytes of data to a new temporary file beside the file path
// names and renames it over that file once it is written and synced whole.
// Returns 1 on success; on any failure 0, with the file untouched, the
// temporary file removed and *reason (when given) saying why. A read-only
// target is not replaced. Callers hold the file's lock (FileLock).
int ReplaceFileContents(const char* path, const char* data, size_t length,
                        std::string* reason = nullptr);

// The name part a temporary file of target starts with: a killed writer's
// leftover is this followed by kTemporarySuffixDigits hexadecimal digits, or
// (from writers before the lock) this without its last "-".
constexpr const char* kTemporaryMark = ".new-";
constexpr size_t kTemporarySuffixDigits = 12;

// Holds the lock of the file at path (the file a link names) from creation
// to destruction, waiting at most kLockWaitSeconds for another writer. Once
// held, the temporary files that killed writers left beside the file (and
// beside path, when that is a link) are removed.
class FileLock {
 public:
  explicit FileLock(const char* path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool held() const { return status_ == FileUpdateStatus::kWritten; }
  // kWritten when held, else kLockBusy or kCannotLock with failure().
  FileUpdateStatus status() const { return status_; }
  const std::string& failure() const { return failure_; }

 private:
  void Acquire(const std::string& lockPath);

  FileUpdateStatus status_ = FileUpdateStatus::kCannotLock;
  std::string failure_;
#if defined(_WIN32)
  void* handle_ = nullptr;
#else
  int descriptor_ = -1;
#endif
};

// The whole of a file written under its lock: the outcome, with a message
// naming path when it failed.
FileUpdate WriteFileUnderLock(const char* path, const char* data, size_t length);

// The message for a write of path that failed for reason.
std::string WriteFailureMessage(const char* path, const std::string& reason);

#endif
