// The three exports and the work of the two that do something: load the
// state, show a dialog over it, and after a confirmed main dialog run the
// program over the whole image and hand the result back.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "plugin/plugin.h"
#include "ui/ui.h"

namespace {

const char kTitle[] = "Morfel";

// Trackbars live in the common controls, which must be registered before a
// dialog that holds one is created.
void RegisterCommonControls() {
  INITCOMMONCONTROLSEX controls;
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_BAR_CLASSES;
  InitCommonControlsEx(&controls);
}

// Steps shared by both working exports: a fresh context for the base
// folder, then the settings and the library from it. Null when no context
// could be created.
std::unique_ptr<FilterContext> StartCall(const char* baseFolder) {
  std::unique_ptr<FilterContext> context = CreateFilterContext(baseFolder);
  if (context != nullptr) context->LoadSettingsAndLibrary();
  return context;
}

// The dialog works on the context it is given as its initialization value.
INT_PTR ShowDialog(const char* name, HWND owner, DLGPROC procedure, FilterContext& context) {
  RegisterCommonControls();
  return DialogBoxParamA(Module().instance, name, owner, procedure,
                         reinterpret_cast<LPARAM>(&context));
}

// A dialog that could not be created reports -1: that is no confirmation.
bool Confirmed(INT_PTR dialogResult) { return dialogResult > 0; }

// Esc stops the final run: the key's own state, whichever window has the
// focus. It is looked at no more often than every few milliseconds, so that
// asking costs a quick program nothing.
class EscapeWatch {
 public:
  bool NotPressed() {
    const auto now = std::chrono::steady_clock::now();
    if (looked_ && now - lastLook_ < kInterval) return true;
    looked_ = true;
    lastLook_ = now;
    return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) == 0;
  }

 private:
  static constexpr std::chrono::milliseconds kInterval{10};
  bool looked_ = false;
  std::chrono::steady_clock::time_point lastLook_;
};

}  // namespace

extern "C" int32_t MORFEL_CDECL FilterGetTitle(void* reserved, char* title, int32_t* a,
                                               int32_t* b) {
  (void)reserved;
  if (title != nullptr) std::memcpy(title, kTitle, sizeof kTitle);
  if (a != nullptr) *a = 1;
  if (b != nullptr) *b = 10;
  return 1;
}

extern "C" int32_t MORFEL_CDECL FilterProc(HWND parentWindow, const int32_t* imageSize,
                                           const RowCallbackTable* writeTable,
                                           const RowCallbackTable* readTable,
                                           const char* baseFolder) {
  std::unique_ptr<FilterContext> context = StartCall(baseFolder);
  if (context == nullptr) return 1;
  Module().hostWindow = parentWindow;
  if (!ReadHostImage(*context, imageSize, readTable)) {
    ShowMessages(parentWindow, {ImageTooLargeMessage(imageSize)});
    return 1;
  }
  if (Confirmed(ShowDialog(kMainDialogTemplate, parentWindow, MainDialogProc, *context))) {
    context->SaveSettings();
    WriteBackResult(*context, parentWindow, writeTable);
  }
  return 1;
}

extern "C" int32_t MORFEL_CDECL FilterOption(HWND parentWindow, const char* baseFolder) {
  std::unique_ptr<FilterContext> context = StartCall(baseFolder);
  if (context == nullptr) return 1;
  Module().hostWindow = parentWindow;
  if (Confirmed(ShowDialog(kEditorDialogTemplate, parentWindow, EditorDialogProc, *context))) {
    context->SaveSettings();
  }
  return 1;
}

bool ReadHostImage(FilterContext& context, const int32_t* imageSize,
                   const RowCallbackTable* readTable) {
  ReadHostRows(readTable, imageSize, context.sourceRgb, context.sourceT);
  const bool sized = imageSize != nullptr && imageSize[0] > 0 && imageSize[1] > 0;
  return !sized || context.sourceRgb.data != nullptr;
}

UserMessage ImageTooLargeMessage(const int32_t* imageSize) {
  char text[96];
  std::snprintf(text, sizeof text, "The image is too large for the filter (%d x %d pixels).",
                static_cast<int>(imageSize[0]), static_cast<int>(imageSize[1]));
  return {MessageKind::kError, text};
}

int32_t WriteBackResult(FilterContext& context, HWND hostWindow,
                        const RowCallbackTable* writeTable) {
  ProgressImage resultRgb;
  RgbtImage resultT;
  RunOptions options;
  options.progress = ReportProgress;
  options.keepGoing = [watch = EscapeWatch()]() mutable { return watch.NotPressed(); };
  const RunReport report = context.ApplyToImage(resultRgb, resultT, options);
  // Stopped with Esc: the host's image stays exactly as it was.
  if (report.status == RunStatus::kStopped) return 1;
  ShowMessages(hostWindow, report.messages);
  WriteHostImage(writeTable, resultRgb, resultT);
  return 1;
}
