#include "plugin_host/plugin_host.h"

#include <cstdio>

#include "plugin/exports.h"

namespace {

const char kClassName[] = "MorfelHostWindow";

// The host has one window at a time, so its log needs no per-window storage.
HostMessageLog* activeLog = nullptr;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HostMessageLog* log = activeLog;
  if (message == kHostMessage && log != nullptr) {
    if (wParam == kProgressReport) {
      log->progress.push_back(static_cast<int>(lParam));
      if (log->onProgress) log->onProgress(static_cast<int>(lParam));
    } else if (wParam == kRunCompleted) {
      ++log->completions;
      if (log->onCompleted) log->onCompleted();
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HWND CreateHostWindow(HostMessageLog* log) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = HostWindowProc;
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);  // a second registration fails harmlessly
  activeLog = log;
  return CreateWindowExA(0, kClassName, "morfel", WS_OVERLAPPEDWINDOW, 0, 0, 320, 200, nullptr,
                         nullptr, nullptr, nullptr);
}

void DestroyHostWindow(HWND window) {
  if (window != nullptr) DestroyWindow(window);
  activeLog = nullptr;
}
