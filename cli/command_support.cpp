#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "files/base_folder.h"

int Fail(const std::string& text) {
  std::fprintf(stderr, "morfel: %s\n", text.c_str());
  return 1;
}

int ResolveBaseFolder(const Options& options, std::string* baseFolder) {
  *baseFolder =
      options.baseFolder.empty() ? DefaultBaseFolder() : WithSeparator(options.baseFolder);
  std::string error;
  if (!PrepareBaseFolder(*baseFolder, &error)) {
    Fail(error);
    return 0;
  }
  return 1;
}
