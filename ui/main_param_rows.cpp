// The parameter rows of the main dialog: a label, a slider and an edit box
// per declared parameter, and the two-way link between slider and text.
#include <cstdio>

#include "ui/main_dialog_internal.h"

namespace {

HWND EditBox(HWND dialog, int32_t row) { return GetDlgItem(dialog, kMainParamEditFirst + row); }
HWND Slider(HWND dialog, int32_t row) { return GetDlgItem(dialog, kMainParamSliderFirst + row); }

void SetLabel(HWND dialog, int32_t row, const char* text) {
  SetDlgItemTextA(dialog, kMainParamLabelFirst + row, text);
}

// Packs a range into the slider's message: the low 16 bits of each end,
// minimum in the low half. Ends outside 16 bits wrap, as the control expects.
LPARAM SliderRange(int32_t minimum, int32_t maximum) {
  const uint32_t low = static_cast<uint32_t>(minimum) & 0xFFFFu;
  const uint32_t high = static_cast<uint32_t>(maximum) & 0xFFFFu;
  return static_cast<LPARAM>(low | (high << 16));
}

class DialogRowView : public ParamRowView {
 public:
  explicit DialogRowView(HWND dialog) : dialog_(dialog) {}

  void ResetRow(int32_t row) override {
    SetLabel(dialog_, row, "");
    HWND edit = EditBox(dialog_, row);
    EnableWindow(edit, FALSE);
    SetWindowTextA(edit, "");
    ShowWindow(edit, SW_HIDE);
    HWND slider = Slider(dialog_, row);
    EnableWindow(slider, FALSE);
    SendMessageA(slider, TBM_SETRANGE, FALSE, SliderRange(0, 1));
    SendMessageA(slider, TBM_SETPOS, TRUE, 0);
    ShowWindow(slider, SW_HIDE);
  }

  void ShowRow(int32_t row, const ParamSlot& slot, int32_t sliderPosition) override {
    SetLabel(dialog_, row, slot.message);
    HWND edit = EditBox(dialog_, row);
    EnableWindow(edit, TRUE);
    SetWindowTextA(edit, slot.value);
    ShowWindow(edit, SW_SHOW);
    HWND slider = Slider(dialog_, row);
    EnableWindow(slider, TRUE);
    SendMessageA(slider, TBM_SETRANGE, TRUE, SliderRange(slot.minimum, slot.maximum));
    SendMessageA(slider, TBM_SETPOS, TRUE, static_cast<LPARAM>(sliderPosition));
    ShowWindow(slider, SW_SHOW);
  }

 private:
  HWND dialog_;
};

constexpr int kSliderTextSize = kNameTextSize - 1;

}  // namespace

void ShowDeclaredParams(HWND dialog, FilterContext& context, DeclarationMode mode) {
  DialogRowView view(dialog);
  context.ReadDeclarations(mode, &view);
}

void ShowDeclaredParamsOnOpening(HWND dialog, FilterContext& context) {
  DialogRowView view(dialog);
  context.ReadDeclarationsOnOpening(&view);
}

void SlidersToValueTexts(HWND dialog, const FilterContext& context) {
  for (int32_t row = 0; row < context.DeclaredRows(); ++row) {
    const LRESULT position = SendMessageA(Slider(dialog, row), TBM_GETPOS, 0, 0);
    char text[kNameTextSize];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(position));
    SetWindowTextA(EditBox(dialog, row), text);
  }
}

void ValueTextsToSliders(HWND dialog, FilterContext& context) {
  for (int32_t row = 0; row < context.DeclaredRows(); ++row) {
    // A slider is placed from at most the first 126 characters of its text,
    // one fewer than a slot keeps, as it always has been.
    char text[kSliderTextSize];
    GetWindowTextA(EditBox(dialog, row), text, sizeof text);
    const int32_t position = context.EvaluateParameterText(text);
    SendMessageA(Slider(dialog, row), TBM_SETPOS, TRUE, static_cast<LPARAM>(position));
  }
}

void EditTextsToSlots(HWND dialog, FilterContext& context) {
  for (int32_t row = 0; row < kParamRows; ++row) {
    char text[kNameTextSize];
    GetWindowTextA(EditBox(dialog, row), text, sizeof text);
    context.SetParameterText(row, text);
  }
}
