// Linux only: there is no loader that calls DllMain, so the library calls it
// itself once loaded, with the instance handle under which the platform
// layer registered this library's dialog templates.
#include <windows.h>

#include "morfel_platform_ext.h"
#include "plugin/plugin.h"

// Generated with the dialog templates; registers them on first use.
extern "C" HINSTANCE MorfelModuleInstance(void);

namespace {

__attribute__((constructor)) void AttachModule() {
  DllMain(MorfelModuleInstance(), DLL_PROCESS_ATTACH, nullptr);
}

}  // namespace
