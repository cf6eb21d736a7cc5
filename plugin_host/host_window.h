// The morfel host's own window: the plug-in sends it the progress of the
// final run and the completion message, and owns its dialogs by it.
#ifndef MORFEL_PLUGIN_HOST_HOST_WINDOW_H
#define MORFEL_PLUGIN_HOST_HOST_WINDOW_H

#include <windows.h>

#include <functional>
#include <vector>

struct HostMessageLog {
  std::vector<int> progress;  // percentages in the order received
  int completions = 0;
  // Called on each progress report and on completion when set: how the
  // program shows progress is its own affair.
  std::function<void(int percent)> onProgress;
  std::function<void()> onCompleted;
};

// Creates the (hidden) host window; its messages go to log, which must
// outlive it. Returns null when the window cannot be created.
HWND CreateHostWindow(HostMessageLog* log);
void DestroyHostWindow(HWND window);

#endif
