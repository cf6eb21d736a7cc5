#include "files/input_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "image/image.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::string Reason(int number) { return std::strerror(number); }

#ifdef _WIN32
using FileInfo = struct _stat64;
int Measure(int descriptor, FileInfo* info) { return _fstat64(descriptor, info); }
long ReadSome(int descriptor, uint8_t* buffer, unsigned size) {
  return _read(descriptor, buffer, size);
}
bool IsRegular(const FileInfo& info) { return (info.st_mode & _S_IFMT) == _S_IFREG; }
bool IsFolder(const FileInfo& info) { return (info.st_mode & _S_IFMT) == _S_IFDIR; }
int64_t Position(int descriptor) { return _lseeki64(descriptor, 0, SEEK_CUR); }
int OpenForReading(const std::string& path) { return _open(path.c_str(), _O_RDONLY | _O_BINARY); }
void CloseFile(int descriptor) { _close(descriptor); }
void UseBinaryStandardInput() { _setmode(0, _O_BINARY); }
void StopNonBlocking(int) {}
#else
using FileInfo = struct stat;
int Measure(int descriptor, FileInfo* info) { return fstat(descriptor, info); }
long ReadSome(int descriptor, uint8_t* buffer, unsigned size) {
  return read(descriptor, buffer, size);
}
bool IsRegular(const FileInfo& info) { return S_ISREG(info.st_mode); }
bool IsFolder(const FileInfo& info) { return S_ISDIR(info.st_mode); }
int64_t Position(int descriptor) { return lseek(descriptor, 0, SEEK_CUR); }
// Non-blocking, so that opening a FIFO cannot wait for a writer.
int OpenForReading(const std::string& path) {
  return open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}
void CloseFile(int descriptor) { close(descriptor); }
void UseBinaryStandardInput() {}
void StopNonBlocking(int descriptor) {
  fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
}
#endif

// A regular file is measured before it is read, and refused when it is
// larger than the bound; `expected` is what remains to read. Streams are
// counted as they arrive instead.
bool MeasureRegular(int descriptor, const FileInfo& info, const InputBound& bound,
                    uint64_t* expected, std::string* reason) {
  if (!IsRegular(info)) return true;
  int64_t at = Position(descriptor);
  int64_t remaining = static_cast<int64_t>(info.st_size) - (at > 0 ? at : 0);
  *expected = remaining > 0 ? static_cast<uint64_t>(remaining) : 0;
  if (*expected <= bound.maxBytes) return true;
  *reason = bound.tooLarge;
  return false;
}

// Doubles the room as a vector would, but never past the bound: a stream
// refused at the bound must not have taken twice that on the way.
void Grow(std::vector<uint8_t>* bytes, size_t adding, uint64_t maxBytes) {
  if (bytes->capacity() - bytes->size() >= adding) return;
  uint64_t wanted = std::max<uint64_t>(uint64_t{2} * bytes->capacity(), bytes->size() + adding);
  uint64_t most = std::min<uint64_t>(maxBytes, bytes->max_size());
  bytes->reserve(static_cast<size_t>(std::min(wanted, most)));
}

// Reads to the end, never keeping more than the bound.
bool ReadBounded(int descriptor, const InputBound& bound, bool stream, std::vector<uint8_t>* bytes,
                 std::string* reason) {
  bool startSeen = !stream || !bound.acceptsStart;
  uint8_t buffer[1 << 16];
  for (;;) {
    long count = ReadSome(descriptor, buffer, sizeof buffer);
    if (count < 0) {
      if (errno == EINTR) continue;
      *reason = Reason(errno);
      return false;
    }
    if (static_cast<uint64_t>(count) > bound.maxBytes - bytes->size()) {
      *reason = bound.tooLarge;
      return false;
    }
    Grow(bytes, static_cast<size_t>(count), bound.maxBytes);
    bytes->insert(bytes->end(), buffer, buffer + count);
    bool ended = count == 0;
    if (!startSeen && (ended || bytes->size() >= bound.startBytes)) {
      startSeen = true;
      if (!bound.acceptsStart(*bytes, reason)) return false;
    }
    if (ended) return true;
  }
}

bool ReadOpened(int descriptor, bool streamAllowed, const InputBound& bound,
                std::vector<uint8_t>* bytes, std::string* reason) {
  FileInfo info;
  if (Measure(descriptor, &info) != 0) {
    *reason = Reason(errno);
    return false;
  }
  if (!streamAllowed && IsFolder(info)) {
    *reason = "is a directory";
    return false;
  }
  if (!streamAllowed && !IsRegular(info)) {
    *reason = "not a regular file";
    return false;
  }
  uint64_t expected = 0;
  if (!MeasureRegular(descriptor, info, bound, &expected, reason)) return false;
  StopNonBlocking(descriptor);
  bytes->reserve(static_cast<size_t>(expected));
  AdviseHugePages(bytes->data(), static_cast<size_t>(expected));
  return ReadBounded(descriptor, bound, !IsRegular(info), bytes, reason);
}

}  // namespace

bool ReadInputFile(const std::string& path, const InputBound& bound, std::vector<uint8_t>* bytes,
                   std::string* error) {
  std::string reason;
  if (path == "-") {
    UseBinaryStandardInput();
    if (ReadOpened(0, true, bound, bytes, &reason)) return true;
    *error = "cannot read standard input: " + reason;
    return false;
  }
  int descriptor = OpenForReading(path);
  bool ok = descriptor >= 0 && ReadOpened(descriptor, false, bound, bytes, &reason);
  if (descriptor < 0) reason = Reason(errno);
  if (descriptor >= 0) CloseFile(descriptor);
  if (ok) return true;
  *error = "cannot open " + path + ": " + reason;
  return false;
}
