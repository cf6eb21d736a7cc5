// The state every export call shares, and the library entry point that
// remembers the module so the dialogs can find their templates.
#include "plugin/plugin.h"

namespace {
ModuleState moduleState = {nullptr, nullptr};
}  // namespace

ModuleState& Module() { return moduleState; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reason;
  (void)reserved;
  moduleState.instance = instance;
  return TRUE;
}
