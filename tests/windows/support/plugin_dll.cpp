#include "tests/windows/support/plugin_dll.h"

namespace {

template <typename Function>
bool Resolve(HMODULE module, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return *function != nullptr;
}

}  // namespace

PluginDll::~PluginDll() {
  if (module_ != nullptr) FreeLibrary(module_);
}

int PluginDll::Load(const char* fileName) {
  module_ = LoadLibraryA(fileName);
  if (module_ == nullptr) {
    error_ = std::string("LoadLibrary(") + fileName + ") failed with error " +
             std::to_string(GetLastError());
    return 0;
  }
  if (!Resolve(module_, "FilterGetTitle", &getTitle) || !Resolve(module_, "FilterProc", &proc) ||
      !Resolve(module_, "FilterOption", &option)) {
    error_ = "an export is missing";
    return 0;
  }
  return 1;
}
