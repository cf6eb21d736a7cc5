#include "tests/windows/support/base_folder.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>

#include "library/library.h"

BaseFolder::BaseFolder() {
  static int serial = 0;
  char temp[MAX_PATH] = "";
  if (GetTempPathA(sizeof temp, temp) == 0) return;
  const std::string folder = std::string(temp) + "morfel-" +
                             std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(++serial) + "\\";
  std::error_code error;
  std::filesystem::create_directories(folder + "Tarvo", error);
  if (!error) path_ = folder;
}

BaseFolder::~BaseFolder() {
  if (path_.empty()) return;
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

int BaseFolder::WriteLibrary(const TestProgram* programs, int count) const {
  ProgramLibrary library;
  for (int i = 0; i < count; ++i) {
    const TestProgram& program = programs[i];
    if (library.AppendProgram(program.group, program.name, program.initText,
                              program.transformText) < 0) {
      return 0;
    }
  }
  return SaveLibrary(path_.c_str(), library);
}

int BaseFolder::WriteDataFile(const std::string& name, const std::string& text) const {
  FILE* file = std::fopen(DataFile(name).c_str(), "wb");
  if (file == nullptr) return 0;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written ? 1 : 0;
}

std::string BaseFolder::ReadFile(const std::string& path) {
  std::string text;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return text;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  std::fclose(file);
  return text;
}

bool BaseFolder::Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
