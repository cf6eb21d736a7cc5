// The plug-in DLL loaded as a host loads it: by file name from the
// program's own folder, its three exports resolved by their plain names.
#ifndef MORFEL_TESTS_WINDOWS_PLUGIN_DLL_H
#define MORFEL_TESTS_WINDOWS_PLUGIN_DLL_H

#include <windows.h>

#include <string>

#include "plugin/exports.h"

class PluginDll {
 public:
  PluginDll() = default;
  ~PluginDll();
  PluginDll(const PluginDll&) = delete;
  PluginDll& operator=(const PluginDll&) = delete;

  // Loads fileName and resolves the exports. Returns 1, or 0 with the
  // reason in error().
  int Load(const char* fileName);

  HMODULE module() const { return module_; }
  const std::string& error() const { return error_; }
  decltype(&FilterGetTitle) getTitle = nullptr;
  decltype(&FilterProc) proc = nullptr;
  decltype(&FilterOption) option = nullptr;

 private:
  HMODULE module_ = nullptr;
  std::string error_;
};

#endif
