// File enumeration by wildcard. The pattern's folder may be written with '\'
// or '/'. Names come in a fixed order (ignoring case, then by bytes) so that
// runs are repeatable; names longer than MAX_PATH - 1 are left out.
#include <windows.h>

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/wildcard.h"

using namespace morfel_platform;

namespace {

struct Search {
  std::string folder;
  std::vector<std::string> names;
  size_t next = 0;
};

std::set<Search*>& OpenSearches() {
  static std::set<Search*> searches;
  return searches;
}

bool NameOrder(const std::string& a, const std::string& b) {
  int byCase = strcasecmp(a.c_str(), b.c_str());
  return byCase != 0 ? byCase < 0 : a < b;
}

void SplitPattern(const char* pattern, std::string* folder, std::string* wildcard) {
  std::string path(pattern);
  std::replace(path.begin(), path.end(), '\\', '/');
  size_t slash = path.rfind('/');
  *folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  *wildcard = slash == std::string::npos ? path : path.substr(slash + 1);
}

void Describe(const Search& search, const std::string& name, WIN32_FIND_DATAA* data) {
  *data = WIN32_FIND_DATAA{};
  std::memcpy(data->cFileName, name.c_str(), name.size() + 1);  // length checked when listed
  struct stat info;
  std::string path = search.folder + "/" + name;
  if (stat(path.c_str(), &info) != 0) {
    data->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    return;
  }
  data->dwFileAttributes =
      S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  uint64_t size = S_ISDIR(info.st_mode) ? 0 : static_cast<uint64_t>(info.st_size);
  data->nFileSizeLow = static_cast<DWORD>(size);
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
}

}  // namespace

extern "C" HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA findData) {
  if (!pattern || !findData || std::strlen(pattern) >= MAX_PATH) return INVALID_HANDLE_VALUE;
  std::string folder, wildcard;
  SplitPattern(pattern, &folder, &wildcard);
  if (wildcard.empty()) return INVALID_HANDLE_VALUE;
  DIR* directory = opendir(folder.c_str());
  if (!directory) return INVALID_HANDLE_VALUE;
  auto search = new Search{folder, {}, 0};
  while (struct dirent* entry = readdir(directory)) {
    if (std::strlen(entry->d_name) < MAX_PATH && MatchesWildcard(wildcard.c_str(), entry->d_name))
      search->names.push_back(entry->d_name);
  }
  closedir(directory);
  if (search->names.empty()) {
    delete search;
    return INVALID_HANDLE_VALUE;
  }
  std::sort(search->names.begin(), search->names.end(), NameOrder);
  Describe(*search, search->names[search->next++], findData);
  OpenSearches().insert(search);
  return search;
}

extern "C" BOOL WINAPI FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA findData) {
  auto search = static_cast<Search*>(find);
  if (!findData || !OpenSearches().count(search) || search->next >= search->names.size())
    return FALSE;
  Describe(*search, search->names[search->next++], findData);
  return TRUE;
}

extern "C" BOOL WINAPI FindClose(HANDLE find) {
  auto search = static_cast<Search*>(find);
  if (!OpenSearches().erase(search)) return FALSE;
  delete search;
  return TRUE;
}
