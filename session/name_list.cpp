// Positional name lists behind the group and program combo boxes.
#include <cstring>

#include "session/session.h"

const char* NameAt(const NameList& list, int32_t position) {
  if (position < 0 || position >= list.count) return "";
  return list.names[position];
}

int32_t FindName(const NameList& list, const char* name) {
  for (int32_t i = 0; i < list.count; ++i) {
    if (std::strcmp(list.names[i], name) == 0) return i;
  }
  return -1;
}

int32_t AppendName(NameList& list, const char* name) {
  if (list.count >= kMaxPrograms) return 0;
  char* slot = list.names[list.count];
  std::strncpy(slot, name, kNameTextSize - 1);
  slot[kNameTextSize - 1] = '\0';
  ++list.count;
  return 1;
}
