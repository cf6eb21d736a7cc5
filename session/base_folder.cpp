// Where a front end finds the user's data when it is given no base folder:
// every front end (morfel, the studio, the GEGL operation) shares one.
#include <cstdlib>
#include <string>

#include "session/session.h"

std::string DefaultBaseFolder() {
#ifdef _WIN32
  const char* appData = std::getenv("APPDATA");
  return std::string(appData != nullptr ? appData : ".") + "\\morfel\\";
#else
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome != nullptr && dataHome[0] == '/') return std::string(dataHome) + "/morfel/";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : ".") + "/.local/share/morfel/";
#endif
}
