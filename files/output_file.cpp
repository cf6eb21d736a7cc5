#include "files/output_file.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <set>

#include "files/files.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char* kTemporaryTag = ".morfel-";
constexpr const char* kTemporaryEnd = ".part";
constexpr int kRandomLetters = 6;
// Longer target names are cut in the temporary name, which must stay
// within the 255 bytes a file name may have.
constexpr size_t kKeptNameBytes = 200;
// A temporary file nobody wrote to for this long, whose writer is gone, is
// a leftover of a killed run.
constexpr auto kLeftoverAge = std::chrono::hours(1);

std::string Reason(int number) { return std::strerror(number); }

#ifdef _WIN32
long OwnProcessId() { return static_cast<long>(_getpid()); }
bool ProcessIsAlive(long pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (process != nullptr) {
    DWORD code = 0;
    bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
  }
  return GetLastError() != ERROR_INVALID_PARAMETER;  // denied: someone else's, alive
}
long WriteSome(int descriptor, const uint8_t* data, size_t size) {
  return _write(descriptor, data, static_cast<unsigned>(size > (1u << 30) ? (1u << 30) : size));
}
int CreateNew(const std::string& path) {
  // _O_EXCL with _O_CREAT opens with CREATE_NEW: never an existing file.
  return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
               _S_IREAD | _S_IWRITE);
}
int Commit(int descriptor) { return _commit(descriptor); }
int CloseFile(int descriptor) { return _close(descriptor); }
#else
long OwnProcessId() { return static_cast<long>(getpid()); }
bool ProcessIsAlive(long pid) { return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }
long WriteSome(int descriptor, const uint8_t* data, size_t size) {
  return write(descriptor, data, size);
}
int CreateNew(const std::string& path) {
  return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}
int Commit(int descriptor) { return fsync(descriptor); }
int CloseFile(int descriptor) { return close(descriptor); }
#endif

bool WriteAll(int descriptor, const std::vector<uint8_t>& bytes, std::string* reason) {
  size_t done = 0;
  while (done < bytes.size()) {
    long count = WriteSome(descriptor, bytes.data() + done, bytes.size() - done);
    if (count < 0) {
      if (errno == EINTR) continue;
      *reason = Reason(errno);
      return false;
    }
    done += static_cast<size_t>(count);
  }
  return true;
}

bool WriteStandardOutput(const std::vector<uint8_t>& bytes, std::string* error) {
#ifdef _WIN32
  _setmode(1, _O_BINARY);
#endif
  std::string reason;
  if (WriteAll(1, bytes, &reason)) return true;
  if (errno == EPIPE) EndAsClosedPipe();
  *error = "cannot write to standard output: " + reason;
  return false;
}

std::string RandomLetters() {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::mutex lock;
  // Seeded with the time and the process as well: some random devices are
  // not random.
  static std::mt19937_64 generator(
      std::random_device{}() ^ static_cast<uint64_t>(OwnProcessId()) ^
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::lock_guard<std::mutex> hold(lock);
  std::string letters;
  for (int i = 0; i < kRandomLetters; ++i) letters += kLetters[generator() % (sizeof kLetters - 1)];
  return letters;
}

std::string TemporaryNameFor(const fs::path& target) {
  std::string name = target.filename().string().substr(0, kKeptNameBytes);
  name += kTemporaryTag + std::to_string(OwnProcessId()) + "-" + RandomLetters() + kTemporaryEnd;
  return (target.parent_path() / name).string();
}

// Removes what killed writers left in the folder, once per folder and
// process: only regular files of the temporary pattern whose writer's
// process is gone and that nobody touched for an hour, so a file another
// live run is writing is never taken.
void RemoveLeftovers(const fs::path& folder) {
  static std::mutex lock;
  static std::set<std::string> looked;
  {
    std::lock_guard<std::mutex> hold(lock);
    if (!looked.insert(folder.string()).second) return;
  }
  const auto now = fs::file_time_type::clock::now();
  std::error_code error;
  fs::directory_iterator entries(folder.empty() ? fs::path(".") : folder, error);
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    long pid = 0;
    const fs::path& path = entries->path();
    if (!IsTemporaryOutputName(path.filename().string(), &pid)) continue;
    std::error_code entryError;
    if (!fs::is_regular_file(fs::symlink_status(path, entryError))) continue;
    auto written = fs::last_write_time(path, entryError);
    if (entryError || now - written < kLeftoverAge) continue;
    if (pid == OwnProcessId() || ProcessIsAlive(pid)) continue;
    fs::remove(path, entryError);
  }
}

#ifndef _WIN32

// The file a chain of symbolic links ends at, which is the one to replace.
std::string LinkTarget(const std::string& path) {
  fs::path target = path;
  for (int hop = 0; hop < 40; ++hop) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(target, error))) break;
    fs::path next = fs::read_symlink(target, error);
    if (error) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return target.string();
}

// Refuses a target that exists but is no file the user may replace; gives
// the mode the new file keeps.
bool CheckTarget(const std::string& target, mode_t* mode, std::string* reason) {
  struct stat info;
  if (stat(target.c_str(), &info) != 0) return true;  // a new file
  if (S_ISDIR(info.st_mode)) {
    *reason = "is a directory";
    return false;
  }
  if (access(target.c_str(), W_OK) != 0) {
    *reason = Reason(errno);
    return false;
  }
  *mode = info.st_mode & 07777;
  return true;
}

#endif

// Writes, commits to the disk and closes the new file, each result checked.
bool FillTemporary(int descriptor, const std::vector<uint8_t>& bytes, std::string* reason) {
  bool ok = WriteAll(descriptor, bytes, reason);
  if (ok && Commit(descriptor) != 0) {
    *reason = Reason(errno);
    ok = false;
  }
  if (CloseFile(descriptor) != 0 && ok) {
    *reason = Reason(errno);
    ok = false;
  }
  return ok;
}

// Creates a temporary file of an unused name beside the target, registered
// for removal on an interrupt before it exists. Returns its descriptor, or
// -1 with a reason.
int CreateTemporary(const std::string& target, std::string* part,
                    std::unique_ptr<InterruptCleanup>* cleanup, std::string* reason) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    *part = TemporaryNameFor(target);
    *cleanup = std::make_unique<InterruptCleanup>(*part);
    int descriptor = CreateNew(*part);
    if (descriptor >= 0) return descriptor;
    int failure = errno;
    cleanup->reset();  // the name is someone else's
    if (failure != EEXIST) {
      *reason = Reason(failure);
      return -1;
    }
  }
  *reason = "no unused temporary name was found";
  return -1;
}

}  // namespace

bool IsTemporaryOutputName(const std::string& name, long* pid) {
  const size_t endLength = std::strlen(kTemporaryEnd);
  const size_t tagLength = std::strlen(kTemporaryTag);
  if (name.size() < endLength || name.compare(name.size() - endLength, endLength, kTemporaryEnd)) {
    return false;
  }
  size_t tag = name.rfind(kTemporaryTag);
  if (tag == std::string::npos || tag == 0) return false;
  size_t digits = tag + tagLength;
  size_t dash = name.find('-', digits);
  if (dash == std::string::npos || dash == digits || dash - digits > 10) return false;
  if (name.size() - endLength - (dash + 1) != static_cast<size_t>(kRandomLetters)) return false;
  for (size_t i = digits; i < dash; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  for (size_t i = dash + 1; i < name.size() - endLength; ++i) {
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
  }
  *pid = std::stol(name.substr(digits, dash - digits));
  return true;
}

bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes,
                     std::string* error) {
  if (path == "-") return WriteStandardOutput(bytes, error);
  std::string reason;
#ifdef _WIN32
  std::string target = path;
#else
  std::string target = LinkTarget(path);
  mode_t mode = 0;
  if (!CheckTarget(target, &mode, &reason)) {
    *error = "cannot write " + path + ": " + reason;
    return false;
  }
#endif
  RemoveLeftovers(fs::path(target).parent_path());
  std::string part;
  std::unique_ptr<InterruptCleanup> cleanup;
  int descriptor = CreateTemporary(target, &part, &cleanup, &reason);
  bool ok = descriptor >= 0;
#ifndef _WIN32
  if (ok && mode != 0) fchmod(descriptor, mode);  // the replaced file's mode, where we may set it
#endif
  ok = ok && FillTemporary(descriptor, bytes, &reason);
  std::error_code renameError;
  if (ok) fs::rename(part, target, renameError);
  if (renameError) {
    reason = renameError.message();
    ok = false;
  }
  if (!ok) {
    std::error_code ignored;
    if (descriptor >= 0) fs::remove(part, ignored);
    *error = "cannot write " + path + ": " + reason;
    return false;
  }
  return true;
}
