// The three exports and the work of the two that do something: load the
// state, show a dialog, and after a confirmed main dialog run the program
// over the whole image and hand the result back.
#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "script/script.h"
#include "transform/transform.h"
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

// Steps shared by both working exports: a fresh context, the base folder,
// then the settings and the library from it. Null when no context could be
// created.
FilterContext* StartCall(const char* baseFolder) {
  FilterContext* context = CreateFilterContext();
  if (context == nullptr) return nullptr;
  Module().baseFolder = baseFolder != nullptr ? baseFolder : "";
  context->engine->SetBaseFolder(Module().baseFolder);
  LoadSettings(Module().baseFolder, &context->settings, context->program, context->slots);
  LoadProgramLibrary(Module().baseFolder, context->library);
  return context;
}

void EndCall() {
  DestroyFilterContext();
  // The host's text is valid only during its call.
  Module().baseFolder = "";
}

// A dialog that could not be created reports -1: that is no confirmation.
bool Confirmed(INT_PTR dialogResult) { return dialogResult > 0; }

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
  FilterContext* context = StartCall(baseFolder);
  if (context == nullptr) return 1;
  if (ReadHostImage(parentWindow, imageSize, readTable)) {
    Module().hostWindow = parentWindow;
    RegisterCommonControls();
    const INT_PTR result = DialogBoxParamA(Module().instance, kMainDialogTemplate, parentWindow,
                                           MainDialogProc, 0);
    if (Confirmed(result)) {
      SaveSettings(Module().baseFolder, context->settings, context->slots);
      WriteBackResult(parentWindow, writeTable);
    }
  }
  EndCall();
  return 1;
}

extern "C" int32_t MORFEL_CDECL FilterOption(HWND parentWindow, const char* baseFolder) {
  FilterContext* context = StartCall(baseFolder);
  if (context == nullptr) return 1;
  Module().hostWindow = parentWindow;
  RegisterCommonControls();
  const INT_PTR result = DialogBoxParamA(Module().instance, kEditorDialogTemplate, parentWindow,
                                         EditorDialogProc, 0);
  if (Confirmed(result)) SaveSettings(Module().baseFolder, context->settings, context->slots);
  EndCall();
  return 1;
}

int32_t WriteBackResult(HWND hostWindow, const RowCallbackTable* writeTable) {
  FilterContext* context = ActiveFilterContext();
  if (context == nullptr || context->sourceRgb == nullptr) return 1;
  ProgressImage resultRgb;
  RgbtImage resultT;
  resultRgb.CreateLike(*context->sourceRgb, 0);
  resultT.CreateLike(*context->sourceT, 0);
  // The result starts as the source, so pixels a run leaves alone (skipped
  // pixels, a pass ended early, no pass at all, a parameter error) give back
  // the host's own pixels instead of uninitialised memory.
  resultRgb.Blit(*context->sourceRgb, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  resultT.Blit(*context->sourceT, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  resultRgb.progress = ReportProgress;
  MessageBoxErrors errors;
  const RunEnvironment environment = {context->engine, context->slots, &errors, hostWindow};
  RunTransform(environment, *context->sourceRgb, *context->sourceT, resultRgb, resultT,
               context->settings.Interp, nullptr);
  WriteHostImage(writeTable, resultRgb, resultT);
  return 1;
}
