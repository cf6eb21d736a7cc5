// Window classes: the built-in controls and dialogs, and those an application
// registers. The built-ins need no registration, as in a Windows process.
#include <windows.h>

#include <strings.h>

#include <map>
#include <string>

#include "platform/internal.h"

namespace morfel_platform {
namespace {

struct WindowClass {
  std::string name;
  WNDPROC proc;
  bool builtin;
};

std::string Key(const char* name) {
  std::string key(name);
  for (char& c : key) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return key;
}

std::map<std::string, WindowClass>& Classes() {
  static std::map<std::string, WindowClass> classes = [] {
    std::map<std::string, WindowClass> builtins;
    const WindowClass table[] = {
        {"Button", ButtonProc, true},
        {"ComboBox", ComboBoxProc, true},
        {"Edit", EditProc, true},
        {"Static", StaticProc, true},
        {"msctls_trackbar32", TrackbarProc, true},
        {kDialogClass, DialogWindowProc, true},
        {"#32769", DefWindowProcA, true},
    };
    for (const WindowClass& entry : table) builtins[Key(entry.name.c_str())] = entry;
    return builtins;
  }();
  return classes;
}

}  // namespace

WNDPROC FindClassProc(const char* name, std::string* registeredName) {
  if (!name || IS_INTRESOURCE(name)) return nullptr;
  auto found = Classes().find(Key(name));
  if (found == Classes().end()) return nullptr;
  if (registeredName) *registeredName = found->second.name;
  return found->second.proc;
}

}  // namespace morfel_platform

using namespace morfel_platform;

extern "C" ATOM WINAPI RegisterClassA(const WNDCLASSA* wndClass) {
  if (!wndClass || !wndClass->lpfnWndProc || !wndClass->lpszClassName ||
      IS_INTRESOURCE(wndClass->lpszClassName))
    return 0;
  if (wndClass->lpszClassName[0] == '\0') return 0;
  std::string key = Key(wndClass->lpszClassName);
  if (Classes().count(key)) return 0;  // already exists
  Classes()[key] = WindowClass{wndClass->lpszClassName, wndClass->lpfnWndProc, false};
  static ATOM nextAtom = 0xC000;  // application atoms live in this range
  return nextAtom++;
}

extern "C" BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE) {
  if (!className || IS_INTRESOURCE(className)) return FALSE;
  auto found = Classes().find(Key(className));
  if (found == Classes().end() || found->second.builtin) return FALSE;
  Classes().erase(found);
  return TRUE;
}
