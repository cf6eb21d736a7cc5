#include "host/host_files.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "host/input_file.h"
#include "host/output_file.h"
#include "library/library.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
constexpr const char* kPluginFile = "morfel.dll";
#else
constexpr char kSeparator = '/';
constexpr const char* kPluginFile = "libmorfel.so";
#endif

std::string ProgramFolder() {
#ifdef _WIN32
  char path[MAX_PATH] = {0};
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string program(path, length);
#else
  std::error_code error;
  std::string program = fs::read_symlink("/proc/self/exe", error).string();
#endif
  size_t slash = program.find_last_of("/\\");
  return slash == std::string::npos ? std::string(".") : program.substr(0, slash);
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool IsBmpName(const std::string& name) {
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return EndsWith(lower, ".bmp");
}

int WriteBinaryFile(const std::string& path, const unsigned char* data, unsigned long size) {
  std::string error;
  return WriteOutputFile(path, std::vector<uint8_t>(data, data + size), &error);
}

// Adds one embedded program file to the library.
int AddStarterProgram(const StarterFile& file, ProgramLibrary* library) {
  std::string text(reinterpret_cast<const char*>(file.data), file.size);
  KeyValueDocument document;
  if (document.Parse(text.c_str()) != 0) return 0;
  const char* group = document.Get("Group");
  const char* name = document.Get("Name");
  const char* init = document.Get("Init");
  const char* prog = document.Get("Prog");
  if (group == nullptr || name == nullptr) return 0;
  return library->AppendProgram(group, name, init ? init : "", prog ? prog : "") >= 0;
}

int SeedLibrary(const std::string& baseFolder, std::string* error) {
  ProgramLibrary library;
  for (const StarterFile& file : StarterFiles()) {
    std::string name = file.name;
    if (EndsWith(name, ".txt")) {
      if (!AddStarterProgram(file, &library)) {
        *error = "the starter program " + name + " is malformed";
        return 0;
      }
    } else if (IsBmpName(name)) {
      std::string path = DataFile(baseFolder, name);
      if (!fs::exists(path) && !WriteBinaryFile(path, file.data, file.size)) {
        *error = "cannot write " + path;
        return 0;
      }
    }
  }
  if (!SaveLibrary(baseFolder.c_str(), library)) {
    *error = "cannot write the library in " + DataFile(baseFolder, "");
    return 0;
  }
  return 1;
}

// Makes the user's data folder images visible in the scratch data folder.
void LinkImages(const std::string& userBase, const std::string& scratchBase) {
  std::error_code error;
  fs::path userData = DataFile(userBase, "");
  if (!fs::is_directory(userData, error)) return;
  for (const fs::directory_entry& entry : fs::directory_iterator(userData, error)) {
    std::string name = entry.path().filename().string();
    if (!IsBmpName(name)) continue;
    fs::path target = DataFile(scratchBase, name);
    fs::create_symlink(entry.path(), target, error);
    if (error) fs::copy_file(entry.path(), target, error);
  }
}

}  // namespace

std::string PluginPath() {
  std::string beside = ProgramFolder() + kSeparator + kPluginFile;
#ifdef MORFEL_PLUGIN_DIR_FROM_PROGRAM
  // An installed tree keeps the plug-in under its library folder; the path
  // is relative to the program, so a tree moved whole still finds it.
  std::error_code error;
  if (!fs::exists(beside, error)) {
    return ProgramFolder() + kSeparator + MORFEL_PLUGIN_DIR_FROM_PROGRAM + kSeparator + kPluginFile;
  }
#endif
  return beside;
}

std::string WithSeparator(const std::string& folder) {
  if (folder.empty()) return std::string(".") + kSeparator;
  char last = folder.back();
  if (last == '/' || last == '\\') return folder;
  return folder + kSeparator;
}

std::string DataFile(const std::string& baseFolder, const std::string& fileName) {
  return baseFolder + "Tarvo" + kSeparator + fileName;
}

int PrepareBaseFolder(const std::string& baseFolder, std::string* error) {
  std::error_code fsError;
  fs::create_directories(DataFile(baseFolder, ""), fsError);
  if (!fs::is_directory(DataFile(baseFolder, ""), fsError)) {
    *error = "cannot create the folder " + DataFile(baseFolder, "");
    return 0;
  }
  if (fs::exists(DataFile(baseFolder, "Morfel.ini"), fsError)) return 1;
  return SeedLibrary(baseFolder, error);
}

ScratchBase::~ScratchBase() {
  if (folder_.empty()) return;
  std::error_code error;
  fs::remove_all(folder_, error);
  cleanup_.reset();  // only once the folder is gone
}

int ScratchBase::Create(const std::string& userBaseFolder, const AdHocProgram* program,
                        std::string* error) {
  RemoveStaleRunFolders();
  std::string folder = runFolder_.Create();
  if (folder.empty()) {
    *error = "cannot create a temporary folder";
    return 0;
  }
  folder_ = WithSeparator(folder);
  cleanup_ = std::make_unique<InterruptCleanup>(folder);
  std::error_code fsError;
  fs::create_directories(DataFile(folder_, ""), fsError);
  LinkImages(userBaseFolder, folder_);
  if (program == nullptr) return 1;
  // The texts go through a library file only the plug-in reads, so its
  // line limit does not apply; what must hold is that the engine takes them
  // whole and that they read back as they are.
  ProgramTextCheck check =
      CheckRunnableTexts(program->initText.c_str(), program->transformText.c_str());
  if (check == kProgramTextsFit && !IsStorableText(program->initText.c_str())) {
    check = kInitTextNotStorable;
  }
  if (check == kProgramTextsFit && !IsStorableText(program->transformText.c_str())) {
    check = kTransformTextNotStorable;
  }
  if (check != kProgramTextsFit) {
    *error = ProgramTextCheckMessage(check);
    return 0;
  }
  ProgramLibrary library;
  library.AppendProgram(program->group.c_str(), program->name.c_str(), program->initText.c_str(),
                        program->transformText.c_str());
  if (!SaveLibrary(folder_.c_str(), library)) {
    *error = "cannot write a temporary library";
    return 0;
  }
  return 1;
}

int ReadTextFile(const std::string& path, std::string* text, std::string* error) {
  // Two texts of at most 2047 characters: a larger file is no program.
  InputBound bound;
  bound.maxBytes = 1 << 20;
  bound.tooLarge =
      "larger than any program file can be (" + std::to_string(bound.maxBytes) + " bytes)";
  std::vector<uint8_t> bytes;
  if (!ReadInputFile(path, bound, &bytes, error)) return 0;
  text->assign(bytes.begin(), bytes.end());
  return 1;
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
