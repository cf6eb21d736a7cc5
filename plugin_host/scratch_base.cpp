#include "plugin_host/plugin_host.h"

#include <cctype>
#include <filesystem>

#include "files/files.h"
#include "library/library.h"

#ifdef _WIN32
#include <windows.h>
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

bool IsBmpName(const std::string& name) {
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".bmp") == 0;
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

ScratchBase::~ScratchBase() {
  if (folder_.empty()) return;
  std::error_code error;
  fs::remove_all(folder_, error);
  cleanup_.reset();  // only once the folder is gone
}

bool ScratchBase::Create(const std::string& userBaseFolder, const AdHocProgram* program,
                         std::string* error) {
  RemoveStaleRunFolders();
  std::string folder = runFolder_.Create();
  if (folder.empty()) {
    *error = "cannot create a temporary folder";
    return false;
  }
  folder_ = WithSeparator(folder);
  cleanup_ = std::make_unique<InterruptCleanup>(folder);
  std::error_code fsError;
  fs::create_directories(DataFile(folder_, ""), fsError);
  LinkImages(userBaseFolder, folder_);
  if (program == nullptr) return true;
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
    return false;
  }
  ProgramLibrary library;
  library.AppendProgram(program->group.c_str(), program->name.c_str(), program->initText.c_str(),
                        program->transformText.c_str());
  if (!SaveLibrary(folder_.c_str(), library)) {
    *error = "cannot write a temporary library";
    return false;
  }
  return true;
}
