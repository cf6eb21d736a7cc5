// A fresh base folder with its "Tarvo" data folder for file tests, removed
// afterwards.
#ifndef MORFEL_TESTS_LIBRARY_TEMP_FOLDER_H
#define MORFEL_TESTS_LIBRARY_TEMP_FOLDER_H

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <signal.h>
#include <sys/resource.h>
#endif

#include "library/library.h"

class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    std::filesystem::path root = std::filesystem::temp_directory_path();
    do {
      path_ = root / ("morfel-library-" + std::to_string(random()));
    } while (std::filesystem::exists(path_));
    std::filesystem::create_directories(path_ / "Tarvo");
    base_ = path_.string() + kPathSeparator;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(data(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The base folder as the host passes it: ending with a separator.
  const char* base() const { return base_.c_str(); }
  std::filesystem::path data() const { return path_ / "Tarvo"; }
  std::string DataFile(const char* name) const { return (data() / name).string(); }
  std::string BaseFile(const char* name) const { return (path_ / name).string(); }

  static void Write(const std::string& file, const std::string& contents) {
    std::ofstream out(file, std::ios::binary);
    out << contents;
  }
  // The entries of folder whose names hold ".new" (a writer's temporary
  // files, or leftovers of one).
  static std::vector<std::string> Temporaries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::string name = entry.path().filename().string();
      if (name.find(".new") != std::string::npos) names.push_back(name);
    }
    return names;
  }
  static std::string Read(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
  }

 private:
  std::filesystem::path path_;
  std::string base_;
};

// Ends the test program when a step that must not block has not come back
// after a generous time, so a regression fails instead of hanging the run.
class Watchdog {
 public:
  explicit Watchdog(const char* what) : what_(what), thread_([this] { Watch(); }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    woken_.notify_one();
    thread_.join();
  }

 private:
  void Watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (woken_.wait_for(lock, std::chrono::seconds(30), [this] { return done_; })) return;
    std::fprintf(stderr, "FAILED: %s did not come back (it blocks)\n", what_);
    std::_Exit(1);
  }

  const char* what_;
  std::mutex mutex_;
  std::condition_variable woken_;
  bool done_ = false;
  std::thread thread_;
};

#if !defined(_WIN32)
// A disk that takes at most maxBytes per file while it lives, as a full disk
// would: a write past it fails (EFBIG), even for root.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t maxBytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = maxBytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_;
  void (*oldHandler_)(int);
};
#endif

#endif
