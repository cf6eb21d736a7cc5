// The dialog templates of each module, and the dialog-unit metrics.
#include <windows.h>

#include <strings.h>

#include <vector>

#include "platform/internal.h"

using namespace morfel_platform;

namespace {

// "MS Sans Serif" 8 as wine renders it: an average character of 6 x 12 pixels,
// and a dialog unit is a quarter of its width and an eighth of its height.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 12;

struct Module {
  HINSTANCE instance;
  const MorfelDialogTemplate* templates;
  int count;
};

struct ModuleState {
  std::vector<Module> modules;
  uintptr_t nextInstance = 0x400000;  // where Windows maps a module's image
};

ModuleState& State() {
  static ModuleState state;
  return state;
}

// a * b / c rounded half away from zero, as MulDiv does.
int MulDivRound(int a, int b, int c) {
  long long product = static_cast<long long>(a) * b;
  long long half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

const MorfelDialogTemplate* FindIn(const Module& module, const char* name) {
  for (int i = 0; i < module.count; ++i) {
    const char* candidate = module.templates[i].name;
    if (candidate && strcasecmp(candidate, name) == 0) return &module.templates[i];
  }
  return nullptr;
}

}  // namespace

namespace morfel_platform {

int DialogUnitsToPixelsX(int units) { return MulDivRound(units, kBaseUnitX, 4); }
int DialogUnitsToPixelsY(int units) { return MulDivRound(units, kBaseUnitY, 8); }

const MorfelDialogTemplate* FindDialogTemplate(HINSTANCE instance, const char* name) {
  if (!name || IS_INTRESOURCE(name)) return nullptr;
  for (const Module& module : State().modules) {
    if (instance && module.instance != instance) continue;
    if (const MorfelDialogTemplate* found = FindIn(module, name)) return found;
  }
  return nullptr;
}

}  // namespace morfel_platform

extern "C" HINSTANCE MorfelRegisterModule(const MorfelDialogTemplate* templates, int count) {
  if (!templates || count < 0) return nullptr;
  ModuleState& state = State();
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(state.nextInstance);
  state.nextInstance += 0x10000;
  state.modules.push_back(Module{instance, templates, count});
  return instance;
}

extern "C" BOOL MorfelUnregisterModule(HINSTANCE instance) {
  auto& modules = State().modules;
  for (auto it = modules.begin(); it != modules.end(); ++it) {
    if (it->instance == instance) {
      modules.erase(it);
      return TRUE;
    }
  }
  return FALSE;
}
