#include "files/files.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "files/input_file.h"
#include "files/output_file.h"
#include "library/library.h"

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool IsBmpName(const std::string& name) {
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return EndsWith(lower, ".bmp");
}

bool WriteBinaryFile(const std::string& path, const unsigned char* data, unsigned long size) {
  std::string error;
  return WriteOutputFile(path, std::vector<uint8_t>(data, data + size), &error);
}

// Adds one embedded program file to the library.
bool AddStarterProgram(const StarterFile& file, ProgramLibrary* library) {
  std::string text(reinterpret_cast<const char*>(file.data), file.size);
  KeyValueDocument document;
  if (document.Parse(text.c_str()) != 0) return false;
  const char* group = document.Get("Group");
  const char* name = document.Get("Name");
  const char* init = document.Get("Init");
  const char* prog = document.Get("Prog");
  if (group == nullptr || name == nullptr) return false;
  return library->AppendProgram(group, name, init ? init : "", prog ? prog : "") >= 0;
}

bool SeedLibrary(const std::string& baseFolder, std::string* error) {
  ProgramLibrary library;
  for (const StarterFile& file : StarterFiles()) {
    std::string name = file.name;
    if (EndsWith(name, ".txt")) {
      if (!AddStarterProgram(file, &library)) {
        *error = "the starter program " + name + " is malformed";
        return false;
      }
    } else if (IsBmpName(name)) {
      std::string path = DataFile(baseFolder, name);
      if (!fs::exists(path) && !WriteBinaryFile(path, file.data, file.size)) {
        *error = "cannot write " + path;
        return false;
      }
    }
  }
  if (!SaveLibrary(baseFolder.c_str(), library)) {
    *error = "cannot write the library in " + DataFile(baseFolder, "");
    return false;
  }
  return true;
}

}  // namespace

std::string WithSeparator(const std::string& folder) {
  if (folder.empty()) return std::string(".") + kSeparator;
  char last = folder.back();
  if (last == '/' || last == '\\') return folder;
  return folder + kSeparator;
}

std::string DataFile(const std::string& baseFolder, const std::string& fileName) {
  return baseFolder + "Tarvo" + kSeparator + fileName;
}

bool PrepareBaseFolder(const std::string& baseFolder, std::string* error) {
  std::error_code fsError;
  fs::create_directories(DataFile(baseFolder, ""), fsError);
  if (!fs::is_directory(DataFile(baseFolder, ""), fsError)) {
    *error = "cannot create the folder " + DataFile(baseFolder, "");
    return false;
  }
  if (fs::exists(DataFile(baseFolder, "Morfel.ini"), fsError)) return true;
  return SeedLibrary(baseFolder, error);
}

bool ReadTextFile(const std::string& path, std::string* text, std::string* error) {
  // Two texts of at most 2047 characters: a larger file is no program.
  InputBound bound;
  bound.maxBytes = 1 << 20;
  bound.tooLarge =
      "larger than any program file can be (" + std::to_string(bound.maxBytes) + " bytes)";
  std::vector<uint8_t> bytes;
  if (!ReadInputFile(path, bound, &bytes, error)) return false;
  text->assign(bytes.begin(), bytes.end());
  return true;
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') continue;
      out += "\r\n";  // a lone CR is a line break too
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}
