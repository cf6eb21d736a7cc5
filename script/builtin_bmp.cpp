// LoadBmp and LoadBmpNum: BMP images from the data folder into image slots.
#include <cstdio>
#include <cstring>

#include "script/builtin_support.h"
#include "script/builtins.h"

namespace {

#ifdef _WIN32
constexpr const char* kDataFolder = "Tarvo\\";
#else
constexpr const char* kDataFolder = "Tarvo/";
#endif

// Longest path the loaders build, terminator included.
constexpr int32_t kPathSize = 256;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// A component made only of dots and blanks with two dots or more: ".." and
// the forms Windows trims to it (".. ", "...").
bool IsParentComponent(const char* start, const char* end) {
  int32_t dots = 0;
  for (const char* c = start; c < end; ++c) {
    if (*c == '.') {
      ++dots;
    } else if (*c != ' ') {
      return false;
    }
  }
  return dots >= 2;
}

// Whether a name stays inside the data folder and its subfolders: not
// absolute (no leading separator, no drive, stream or device colon) and no
// parent component, "/" and "\" both counting as separators so that a
// program means the same file on every platform.
bool StaysInDataFolder(const char* name) {
  if (IsSeparator(name[0]) || std::strchr(name, ':') != nullptr) return false;
  const char* start = name;
  for (const char* c = name;; ++c) {
    if (*c != '\0' && !IsSeparator(*c)) continue;
    if (IsParentComponent(start, c)) return false;
    if (*c == '\0') return true;
    start = c + 1;
  }
}

// Builds base folder + data folder + name [+ number, at least two digits]
// + ".bmp". A path that does not fit is refused (0) rather than cut, since a
// cut path names some other file; 1 when it fits.
// The base folder is read no further than its buffer, terminated or not.
int32_t BuildSlotImagePath(const char* baseFolder, int32_t baseSize, const char* name,
                           int32_t number, char path[kPathSize]) {
  int length = number >= 0 ? std::snprintf(path, kPathSize, "%.*s%s%s%02d.bmp", baseSize,
                                           baseFolder, kDataFolder, name, number)
                           : std::snprintf(path, kPathSize, "%.*s%s%s.bmp", baseSize, baseFolder,
                                           kDataFolder, name);
  return (length > 0 && length < kPathSize) ? 1 : 0;
}

// Loads the named file into slot n, turned so that row 0 is the top row.
// 1 on success, 0 for a slot outside 0..7, a name that would leave the data
// folder (as for a missing file: a program from someone else may read only
// the images of that folder), a path too long, or a file that cannot be read
// as a BMP.
double LoadSlotImage(ScriptEngine& engine, double slotNumber, const char* name, double number) {
  RgbtImage* slot = SlotByNumber(engine, slotNumber);
  if (slot == nullptr) return 0.0;
  if (name == nullptr) name = "";
  if (!StaysInDataFolder(name)) return 0.0;
  char path[kPathSize];
  if (!BuildSlotImagePath(engine.baseFolder, static_cast<int32_t>(sizeof engine.baseFolder), name,
                          TruncateToInt32(number), path)) {
    return 0.0;
  }
  if (!LoadBmpFile(path, *slot)) return 0.0;
  engine.ChargeWork(slot->height);
  // BMP rows run from the bottom up.
  slot->Mirror(false, true);
  return 1.0;
}

}  // namespace

// LoadBmp("name", n): the name is the string literal, which takes no stack
// entry, so args[0] is the slot.
double BuiltinLoadBmp(ScriptEngine& engine, const double* args, const char* text) {
  return LoadSlotImage(engine, args[0], text, -1.0);
}

// LoadBmpNum("name", n, k): k numbers a frame (frame07.bmp); negative k
// loads the plain name.
double BuiltinLoadBmpNum(ScriptEngine& engine, const double* args, const char* text) {
  return LoadSlotImage(engine, args[0], text, args[1]);
}
