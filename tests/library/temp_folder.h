// A fresh base folder with its "Tarvo" data folder for file tests, removed
// afterwards.
#ifndef MORFEL_TESTS_LIBRARY_TEMP_FOLDER_H
#define MORFEL_TESTS_LIBRARY_TEMP_FOLDER_H

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

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

#endif
