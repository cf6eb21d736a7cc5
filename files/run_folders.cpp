#include "files/files.h"

#include <cctype>
#include <chrono>
#include <filesystem>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char* kPrefix = "morfel-";
constexpr size_t kRandomLetters = 6;
constexpr const char* kLockName = ".morfel-run.lock";

bool IsRunFolderName(const std::string& name) {
  const size_t prefix = std::char_traits<char>::length(kPrefix);
  if (name.size() != prefix + kRandomLetters || name.compare(0, prefix, kPrefix) != 0) return false;
  for (size_t i = prefix; i < name.size(); ++i) {
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
  }
  return true;
}

#ifdef _WIN32

std::string MakeFolder(const fs::path& parent) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::mt19937 generator(std::random_device{}() ^ GetCurrentProcessId() ^
                         static_cast<unsigned>(GetTickCount()));
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = kPrefix;
    for (size_t i = 0; i < kRandomLetters; ++i) name += kLetters[generator() % 36];
    std::error_code error;
    if (fs::create_directory(parent / name, error)) return (parent / name).string();
  }
  return "";
}

// Held open without sharing, the lock file cannot be deleted while its run
// lives; CREATE_NEW makes and holds it in one step.
intptr_t LockFolder(const std::string& folder) {
  HANDLE file = CreateFileA((folder + "\\" + kLockName).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<intptr_t>(file);
}

void Unlock(intptr_t lock) { CloseHandle(reinterpret_cast<HANDLE>(lock)); }

bool RunIsGone(const fs::path& folder) {
  return DeleteFileA((folder / kLockName).string().c_str()) != 0;
}

#else

std::string MakeFolder(const fs::path& parent) {
  std::string pattern = (parent / (std::string(kPrefix) + "XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) return "";
  return pattern;
}

// Locked under another name first, so that the lock file is never seen
// unlocked by a run looking for stale folders.
intptr_t LockFolder(const std::string& folder) {
  const std::string fresh = folder + "/" + kLockName + ".new";
  int file = open(fresh.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (file < 0) return -1;
  if (flock(file, LOCK_EX | LOCK_NB) != 0 ||
      rename(fresh.c_str(), (folder + "/" + kLockName).c_str()) != 0) {
    unlink(fresh.c_str());
    close(file);
    return -1;
  }
  return file;
}

void Unlock(intptr_t lock) { close(static_cast<int>(lock)); }

// A lock the kernel lets us take again is held by no process: its run is
// gone. The folder must be this user's own, not reached through a link.
bool RunIsGone(const fs::path& folder) {
  struct stat info;
  if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
    return false;
  }
  int file = open((folder / kLockName).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (file < 0) return false;
  bool gone = flock(file, LOCK_EX | LOCK_NB) == 0;
  close(file);  // a removal racing with ours is harmless: both only remove
  return gone;
}

#endif

}  // namespace

RunFolder::~RunFolder() {
  if (lock_ != -1) Unlock(lock_);
}

std::string RunFolder::Create() {
  std::error_code error;
  fs::path parent = fs::temp_directory_path(error);
  if (error) return "";
  std::string folder = MakeFolder(parent);
  // Without a lock (a file system that has none) the run still goes on;
  // only its folder would not be found stale after a kill.
  if (!folder.empty()) lock_ = LockFolder(folder);
  return folder;
}

void RemoveStaleRunFolders() {
  std::error_code error;
  fs::path parent = fs::temp_directory_path(error);
  if (error) return;
  fs::directory_iterator entries(parent, error);
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    const fs::path& folder = entries->path();
    if (!IsRunFolderName(folder.filename().string())) continue;
    if (!RunIsGone(folder)) continue;
    std::error_code removeError;
    fs::remove_all(folder, removeError);
  }
}
