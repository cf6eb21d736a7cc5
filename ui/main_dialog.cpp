// The main filter dialog: program choice, parameter rows, interpolation,
// preview, parameter set files, OK and Cancel.
#include "ui/dialog_common.h"
#include "ui/main_dialog_internal.h"
#include "ui/ui.h"

namespace {

const char* const kInterpolationNames[] = {"Round", "Linear", "Bezier"};

const ControlText kStartTexts[] = {
    {kMainPreviewButton, "Preview"},
    {kMainSaveButton, "Save"},
    {kMainLoadButton, "Load Parameter"},
    {kMainAutoPreview, "Auto Preview"},
    {kMainInterpLabel, "Interpolation"},
    {kMainOk, "OK"},
    {kMainCancel, "Cancel"},
};

int32_t SelectedItem(HWND dialog, int id) {
  return static_cast<int32_t>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

void RenderPreviewIfAuto(HWND dialog, const FilterContext& context) {
  if (context.settings.Preview != 0) RenderPreview(dialog);
}

void InitialiseDialog(HWND dialog, FilterContext& context) {
  SetControlTexts(dialog, kStartTexts);
  CheckDlgButton(dialog, kMainAutoPreview,
                 context.settings.Preview != 0 ? BST_CHECKED : BST_UNCHECKED);
  for (const char* name : kInterpolationNames) {
    SendDlgItemMessageA(dialog, kMainInterpCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
  SendDlgItemMessageA(dialog, kMainInterpCombo, CB_SETCURSEL,
                      static_cast<WPARAM>(context.settings.Interp), 0);
  CenterOnDesktop(dialog);
  FillGroupCombo(dialog, nullptr);
  FillFunctionCombo(dialog, nullptr);
  WarnOfHiddenPrograms(dialog);
  CompileCurrentProgram(dialog);
  context.paramCount = 0;
  ShowDeclaredParams(dialog, kDeclareKeepValues);
  SizePreviewImages(dialog);
  RenderPreviewIfAuto(dialog, context);
}

// Another program was chosen: its parameters start from their defaults.
void ProgramChanged(HWND dialog, FilterContext& context) {
  CompileCurrentProgram(dialog);
  ShowDeclaredParams(dialog, kDeclareDefaults);
  RenderPreviewIfAuto(dialog, context);
}

void HandleCommand(HWND dialog, FilterContext& context, int id, int code) {
  switch (id) {
    case kMainFunctionCombo:
      if (code != CBN_SELCHANGE) return;
      context.settings.FuncNo = SelectedItem(dialog, kMainFunctionCombo);
      ProgramChanged(dialog, context);
      return;
    case kMainGroupCombo:
      if (code != CBN_SELCHANGE) return;
      context.settings.GroupNo = SelectedItem(dialog, kMainGroupCombo);
      context.settings.FuncNo = 0;
      FillFunctionCombo(dialog, nullptr);
      ProgramChanged(dialog, context);
      return;
    case kMainInterpCombo:
      // Only the final run uses it: the preview always samples with Round.
      if (code == CBN_SELCHANGE) context.settings.Interp = SelectedItem(dialog, kMainInterpCombo);
      return;
    case kMainAutoPreview:
      if (code != BN_CLICKED) return;
      context.settings.Preview = IsDlgButtonChecked(dialog, kMainAutoPreview) == BST_CHECKED;
      return;
    case kMainPreviewButton:
      if (code != BN_CLICKED) return;
      ValueTextsToSliders(dialog);
      RenderPreview(dialog);
      return;
    case kMainSaveButton:
      if (code == BN_CLICKED) SaveParameterSet(dialog);
      return;
    case kMainLoadButton:
      if (code == BN_CLICKED) LoadParameterSet(dialog);
      return;
    case kMainOk:
      if (code != BN_CLICKED) return;
      EditTextsToSlots(dialog);
      EndDialog(dialog, 1);
      return;
    case kMainCancel:
      if (code == BN_CLICKED) EndDialog(dialog, 0);
      return;
    default:
      return;
  }
}

void Paint(HWND dialog) {
  PAINTSTRUCT paint;
  BeginPaint(dialog, &paint);
  EndPaint(dialog, &paint);
  DrawPreview(dialog);
}

}  // namespace

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  FilterContext* context = ActiveFilterContext();
  if (context == nullptr) {
    if (message == WM_INITDIALOG) EndDialog(dialog, 0);
    return FALSE;
  }
  if (IsCloseCommand(message, wParam)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      InitialiseDialog(dialog, *context);
      return TRUE;
    case WM_COMMAND:
      HandleCommand(dialog, *context, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_HSCROLL:
      SlidersToValueTexts(dialog);
      RenderPreviewIfAuto(dialog, *context);
      return TRUE;
    case WM_PAINT:
      Paint(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}
