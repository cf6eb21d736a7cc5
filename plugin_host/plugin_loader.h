// Loads the plug-in library and resolves its three exports by name, as an
// image editor does.
#ifndef MORFEL_PLUGIN_HOST_PLUGIN_LOADER_H
#define MORFEL_PLUGIN_HOST_PLUGIN_LOADER_H

#include <string>

#include "plugin/exports.h"

struct PluginExports {
  decltype(&FilterGetTitle) getTitle = nullptr;
  decltype(&FilterProc) proc = nullptr;
  decltype(&FilterOption) option = nullptr;
};

class LoadedPlugin {
 public:
  LoadedPlugin() = default;
  ~LoadedPlugin();
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;
  // False with a reason.
  bool Load(const std::string& path, std::string* error);
  const PluginExports& exports() const { return exports_; }

 private:
  void* handle_ = nullptr;
  PluginExports exports_;
};

#endif
