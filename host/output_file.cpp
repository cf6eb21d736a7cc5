#include "host/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "host/interrupts.h"
#include "image/image.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

std::string Reason(int number) { return std::strerror(number); }

#ifndef _WIN32

bool ReadAll(int descriptor, std::vector<uint8_t>* bytes, std::string* reason) {
  uint8_t buffer[1 << 16];
  for (;;) {
    ssize_t count = read(descriptor, buffer, sizeof buffer);
    if (count == 0) return true;
    if (count < 0) {
      if (errno == EINTR) continue;
      *reason = Reason(errno);
      return false;
    }
    bytes->insert(bytes->end(), buffer, buffer + count);
  }
}

bool WriteAll(int descriptor, const std::vector<uint8_t>& bytes, std::string* reason) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t count = write(descriptor, bytes.data() + done, bytes.size() - done);
    if (count < 0) {
      if (errno == EINTR) continue;
      *reason = Reason(errno);
      return false;
    }
    done += static_cast<size_t>(count);
  }
  return true;
}

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

bool WriteSynced(const std::string& part, mode_t mode, const std::vector<uint8_t>& bytes,
                 std::string* reason) {
  int descriptor = open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (descriptor < 0) {
    *reason = Reason(errno);
    return false;
  }
  if (mode != 0) fchmod(descriptor, mode);  // the replaced file's mode, where we may set it
  bool ok = WriteAll(descriptor, bytes, reason);
  if (ok && fsync(descriptor) != 0) {
    *reason = Reason(errno);
    ok = false;
  }
  if (close(descriptor) != 0 && ok) {
    *reason = Reason(errno);
    ok = false;
  }
  return ok;
}

#endif

}  // namespace

int ReadInputFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
#ifdef _WIN32
  if (path == "-") {
    _setmode(_fileno(stdin), _O_BINARY);
    bytes->assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return 1;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open " + path + ": " + Reason(errno);
    return 0;
  }
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return 1;
#else
  std::string reason;
  if (path == "-") {
    if (ReadAll(0, bytes, &reason)) return 1;
    *error = "cannot read standard input: " + reason;
    return 0;
  }
  // Non-blocking, so that opening a FIFO cannot wait for a writer.
  int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat info;
  if (descriptor < 0) {
    reason = Reason(errno);
  } else if (fstat(descriptor, &info) != 0) {
    reason = Reason(errno);
  } else if (S_ISDIR(info.st_mode)) {
    reason = "is a directory";
  } else if (!S_ISREG(info.st_mode)) {
    reason = "not a regular file";
  } else {
    fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    bytes->reserve(static_cast<size_t>(info.st_size));
    AdviseHugePages(bytes->data(), static_cast<size_t>(info.st_size));
    ReadAll(descriptor, bytes, &reason);
  }
  if (descriptor >= 0) close(descriptor);
  if (reason.empty()) return 1;
  *error = "cannot open " + path + ": " + reason;
  return 0;
#endif
}

int WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes,
                    std::string* error) {
#ifdef _WIN32
  if (path == "-") {
    _setmode(_fileno(stdout), _O_BINARY);
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
              std::fflush(stdout) == 0;
    if (!ok) *error = "cannot write standard output: " + Reason(errno);
    return ok ? 1 : 0;
  }
  std::string part = path + ".part";
  InterruptCleanup cleanup(part);
  // Flushed, committed to the disk and closed, each result checked.
  FILE* out = std::fopen(part.c_str(), "wb");
  bool ok = out != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size() &&
            std::fflush(out) == 0 && _commit(_fileno(out)) == 0;
  if (out != nullptr && std::fclose(out) != 0) ok = false;
  std::error_code fsError;
  if (ok) fs::rename(part, path, fsError);
  if (!ok || fsError) {
    fs::remove(part, fsError);
    *error = "cannot write " + path + ": " + (ok ? fsError.message() : Reason(errno));
    return 0;
  }
  return 1;
#else
  std::string reason;
  if (path == "-") {
    if (WriteAll(1, bytes, &reason)) return 1;
    *error = "cannot write standard output: " + reason;
    return 0;
  }
  std::string target = LinkTarget(path);
  mode_t mode = 0;
  if (!CheckTarget(target, &mode, &reason)) {
    *error = "cannot write " + path + ": " + reason;
    return 0;
  }
  std::string part = target + ".part";
  InterruptCleanup cleanup(part);
  bool ok = WriteSynced(part, mode, bytes, &reason);
  if (ok && std::rename(part.c_str(), target.c_str()) != 0) {
    reason = Reason(errno);
    ok = false;
  }
  if (!ok) {
    unlink(part.c_str());
    *error = "cannot write " + path + ": " + reason;
    return 0;
  }
  return 1;
#endif
}
