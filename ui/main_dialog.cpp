// The main filter dialog: program choice, parameter rows, interpolation,
// preview, parameter set files, OK and Cancel.
#include "ui/dialog_common.h"
#include "ui/main_dialog_internal.h"
#include "ui/ui.h"

namespace {

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

void RenderPreviewIfAuto(HWND dialog, FilterContext& context) {
  if (context.settings.Preview != 0) RenderPreview(dialog, context);
}

void CompileChosenProgram(HWND dialog, FilterContext& context) {
  ShowReport(dialog, context, context.CompileCurrentProgram());
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
  context.ListGroups(nullptr);
  context.ListPrograms(nullptr);
  FillGroupCombo(dialog, context);
  FillFunctionCombo(dialog, context);
  ShowMessages(dialog, context.HiddenProgramsWarning());
  CompileChosenProgram(dialog, context);
  ShowDeclaredParamsOnOpening(dialog, context);
  SizePreviewImages(dialog, context);
  RenderPreviewIfAuto(dialog, context);
}

// Another program was chosen: its parameters start from their defaults.
void ProgramChanged(HWND dialog, FilterContext& context) {
  CompileChosenProgram(dialog, context);
  ShowDeclaredParams(dialog, context, kDeclareDefaults);
  RenderPreviewIfAuto(dialog, context);
}

void HandleCommand(HWND dialog, FilterContext& context, int id, int code) {
  switch (id) {
    case kMainFunctionCombo:
      if (code != CBN_SELCHANGE) return;
      context.ChooseProgram(SelectedItem(dialog, kMainFunctionCombo));
      ProgramChanged(dialog, context);
      return;
    case kMainGroupCombo:
      if (code != CBN_SELCHANGE) return;
      context.ChooseGroup(SelectedItem(dialog, kMainGroupCombo));
      FillFunctionCombo(dialog, context);
      ProgramChanged(dialog, context);
      return;
    case kMainInterpCombo:
      // Only the final run uses it: the preview always samples with Round.
      if (code != CBN_SELCHANGE) return;
      context.ChooseInterpolation(SelectedItem(dialog, kMainInterpCombo));
      return;
    case kMainAutoPreview:
      if (code != BN_CLICKED) return;
      context.SetAutoPreview(IsDlgButtonChecked(dialog, kMainAutoPreview) == BST_CHECKED);
      return;
    case kMainPreviewButton:
      if (code != BN_CLICKED) return;
      ValueTextsToSliders(dialog, context);
      RenderPreview(dialog, context);
      return;
    case kMainSaveButton:
      if (code == BN_CLICKED) SaveParameterSet(dialog, context);
      return;
    case kMainLoadButton:
      if (code == BN_CLICKED) LoadParameterSet(dialog, context);
      return;
    case kMainOk:
      if (code != BN_CLICKED) return;
      EditTextsToSlots(dialog, context);
      EndDialog(dialog, 1);
      return;
    case kMainCancel:
      if (code == BN_CLICKED) EndDialog(dialog, 0);
      return;
    default:
      return;
  }
}

void Paint(HWND dialog, const FilterContext& context) {
  PAINTSTRUCT paint;
  BeginPaint(dialog, &paint);
  EndPaint(dialog, &paint);
  DrawPreview(dialog, context);
}

}  // namespace

void ShowReport(HWND dialog, const FilterContext& context, const SessionReport& report) {
  if (report.choiceChanged) {
    FillGroupCombo(dialog, context);
    FillFunctionCombo(dialog, context);
  }
  ShowMessages(dialog, report.messages);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  FilterContext* context = DialogContext(dialog, message, lParam);
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
      SlidersToValueTexts(dialog, *context);
      RenderPreviewIfAuto(dialog, *context);
      return TRUE;
    case WM_PAINT:
      Paint(dialog, *context);
      return TRUE;
    default:
      return FALSE;
  }
}
