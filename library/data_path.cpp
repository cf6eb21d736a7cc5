// File names under the host's base folder.
#include <cstdio>

#include "library/library.h"

namespace {

const char kDataFolder[] = "Tarvo";

// Formats into buffer; 0 and an empty buffer when the result would be cut.
int FormatPath(char* buffer, int size, int written) {
  if (written < 0 || written >= size) {
    if (size > 0) buffer[0] = '\0';
    return 0;
  }
  return written;
}

}  // namespace

int DataPath(char* buffer, int size, const char* baseFolder, const char* fileName) {
  if (buffer == nullptr || size <= 0) return 0;
  if (baseFolder == nullptr) baseFolder = "";
  if (fileName == nullptr) fileName = "";
  int written = std::snprintf(buffer, static_cast<size_t>(size), "%s%s%c%s", baseFolder,
                              kDataFolder, kPathSeparator, fileName);
  return FormatPath(buffer, size, written);
}

int SettingsPath(char* buffer, int size, const char* baseFolder) {
  if (buffer == nullptr || size <= 0) return 0;
  if (baseFolder == nullptr) baseFolder = "";
  int written = std::snprintf(buffer, static_cast<size_t>(size), "%sMorfel.dat", baseFolder);
  return FormatPath(buffer, size, written);
}

int LibraryPath(char* buffer, int size, const char* baseFolder) {
  return DataPath(buffer, size, baseFolder, "Morfel.ini");
}
