// WH_CBT hooks. Only activation (HCBT_ACTIVATE) is reported: it is what tells
// a scripted user that a dialog or message box has appeared or come back.
#include <windows.h>

#include <unistd.h>
#include <sys/syscall.h>

#include <algorithm>
#include <vector>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

namespace {

struct Hook {
  HHOOK handle;
  HOOKPROC proc;
  DWORD threadId;
};

struct HookState {
  std::vector<Hook> chain;  // newest first, as Windows calls them
  uintptr_t nextHandle = 0x20000;
  HWND active = nullptr;
};

HookState& State() {
  static HookState state;
  return state;
}

bool AppliesHere(const Hook& hook) {
  return hook.threadId == 0 || hook.threadId == GetCurrentThreadId();
}

// Calls the first hook at or after position start that applies to this thread.
LRESULT CallFrom(size_t start, int code, WPARAM wParam, LPARAM lParam) {
  auto& chain = State().chain;
  for (size_t i = start; i < chain.size(); ++i)
    if (AppliesHere(chain[i])) return chain[i].proc(code, wParam, lParam);
  return 0;
}

}  // namespace

namespace morfel_platform {

void ActivateWindow(HWND window) {
  if (!FindWindowRecord(window)) return;
  CBTACTIVATESTRUCT activate = {FALSE, State().active};
  State().active = window;
  CallFrom(0, HCBT_ACTIVATE, reinterpret_cast<WPARAM>(window), reinterpret_cast<LPARAM>(&activate));
}

}  // namespace morfel_platform

extern "C" HHOOK WINAPI SetWindowsHookExA(int idHook, HOOKPROC proc, HINSTANCE, DWORD threadId) {
  if (idHook != WH_CBT || !proc) return nullptr;
  HookState& state = State();
  HHOOK handle = reinterpret_cast<HHOOK>(state.nextHandle);
  state.nextHandle += 4;
  state.chain.insert(state.chain.begin(), Hook{handle, proc, threadId});
  return handle;
}

extern "C" BOOL WINAPI UnhookWindowsHookEx(HHOOK hook) {
  auto& chain = State().chain;
  auto found =
      std::find_if(chain.begin(), chain.end(), [hook](const Hook& h) { return h.handle == hook; });
  if (found == chain.end()) return FALSE;
  chain.erase(found);
  return TRUE;
}

extern "C" LRESULT WINAPI CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
  auto& chain = State().chain;
  for (size_t i = 0; i < chain.size(); ++i)
    if (chain[i].handle == hook) return CallFrom(i + 1, code, wParam, lParam);
  return 0;
}

extern "C" DWORD WINAPI GetCurrentThreadId(void) { return static_cast<DWORD>(syscall(SYS_gettid)); }
