// Watches the windows activated on this thread, beside the scripted user's
// own hook: for tests that must look at or act on a window the scripted user
// has no action for (a file dialog's offer, a close command).
#ifndef MORFEL_TESTS_PLUGIN_HOST_ACTIVATION_HOOK_H
#define MORFEL_TESTS_PLUGIN_HOST_ACTIVATION_HOOK_H

#include <windows.h>

#include <functional>

// One at a time: onActivate is called for every activation while it lives.
class ActivationHook {
 public:
  explicit ActivationHook(std::function<void(HWND)> onActivate)
      : onActivate_(std::move(onActivate)) {
    active_ = this;
    hook_ = SetWindowsHookExA(WH_CBT, Watch, nullptr, GetCurrentThreadId());
  }
  ~ActivationHook() {
    UnhookWindowsHookEx(hook_);
    active_ = nullptr;
  }
  ActivationHook(const ActivationHook&) = delete;
  ActivationHook& operator=(const ActivationHook&) = delete;

 private:
  static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
    ActivationHook* self = active_;
    if (self == nullptr) return 0;
    if (code == HCBT_ACTIVATE) self->onActivate_(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(self->hook_, code, wParam, lParam);
  }

  static inline ActivationHook* active_ = nullptr;
  std::function<void(HWND)> onActivate_;
  HHOOK hook_ = nullptr;
};

#endif
