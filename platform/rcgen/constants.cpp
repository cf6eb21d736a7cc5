// The Windows constants our resource scripts name, taken from the platform
// headers themselves so that their values have one source. A script naming
// another is refused, so a new style is added here and to the headers at once.
#include <commctrl.h>
#include <windows.h>

#include <cstring>

#include "platform/rcgen/rcgen.h"

namespace rcgen {
namespace {

struct Constant {
  const char* name;
  long value;
};

#define CONSTANT(name) \
  { #name, static_cast < long>(name) }
const Constant kConstants[] = {
    CONSTANT(WS_POPUP),         CONSTANT(WS_CHILD),
    CONSTANT(WS_VISIBLE),       CONSTANT(WS_CAPTION),
    CONSTANT(WS_BORDER),        CONSTANT(WS_VSCROLL),
    CONSTANT(WS_SYSMENU),       CONSTANT(WS_TABSTOP),
    CONSTANT(DS_MODALFRAME),    CONSTANT(IDOK),
    CONSTANT(IDCANCEL),         CONSTANT(BS_LEFTTEXT),
    CONSTANT(ES_MULTILINE),     CONSTANT(ES_AUTOVSCROLL),
    CONSTANT(ES_AUTOHSCROLL),   CONSTANT(ES_READONLY),
    CONSTANT(ES_WANTRETURN),    CONSTANT(SS_BLACKFRAME),
    CONSTANT(CBS_DROPDOWNLIST), CONSTANT(TBS_NOTICKS),
};
#undef CONSTANT

}  // namespace

bool LookUpConstant(const std::string& name, long* value) {
  for (const Constant& constant : kConstants) {
    if (name == constant.name) {
      *value = constant.value;
      return true;
    }
  }
  return false;
}

}  // namespace rcgen
