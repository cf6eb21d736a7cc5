#include "plugin_host/plugin_host.h"

#ifndef _WIN32
#include <dlfcn.h>
#endif

namespace {

void* OpenLibrary(const std::string& path, std::string* error) {
#ifdef _WIN32
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) *error = "cannot load the plug-in " + path;
  return reinterpret_cast<void*>(module);
#else
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) *error = "cannot load the plug-in: " + std::string(dlerror());
  return handle;
#endif
}

void* Symbol(void* handle, const char* name) {
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle), name));
#else
  return dlsym(handle, name);
#endif
}

template <typename Function>
bool Resolve(void* handle, const char* name, Function* function, std::string* error) {
  void* address = Symbol(handle, name);
  if (address == nullptr) {
    *error = std::string("the plug-in has no export ") + name;
    return false;
  }
  *function = reinterpret_cast<Function>(address);
  return true;
}

}  // namespace

LoadedPlugin::~LoadedPlugin() {
  if (handle_ == nullptr) return;
#ifdef _WIN32
  FreeLibrary(reinterpret_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
}

bool LoadedPlugin::Load(const std::string& path, std::string* error) {
  handle_ = OpenLibrary(path, error);
  if (handle_ == nullptr) return false;
  return Resolve(handle_, "FilterGetTitle", &exports_.getTitle, error) &&
         Resolve(handle_, "FilterProc", &exports_.proc, error) &&
         Resolve(handle_, "FilterOption", &exports_.option, error);
}
