// Private to the main filter dialog: its control ids and the operations its
// files share.
#ifndef MORFEL_UI_MAIN_DIALOG_INTERNAL_H
#define MORFEL_UI_MAIN_DIALOG_INTERNAL_H

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "session/session.h"
#include "ui/resource.h"

// Control ids of the "sampledlg" template, from the resource script's header.
enum MainDialogControl {
  kMainOk = IDOK,
  kMainCancel = IDCANCEL,
  kMainPreviewButton = IDC_PREVIEW_BUTTON,
  kMainSaveButton = IDC_SAVE_PARAMS,
  kMainLoadButton = IDC_LOAD_PARAMS,
  kMainFunctionCombo = IDC_FUNCTION_COMBO,
  kMainInterpCombo = IDC_INTERP_COMBO,
  kMainGroupCombo = IDC_GROUP_COMBO,
  kMainParamEditFirst = IDC_PARAM_EDIT_FIRST,      // + row
  kMainInterpLabel = IDC_INTERP_LABEL,
  kMainParamLabelFirst = IDC_PARAM_LABEL_FIRST,    // + row
  kMainParamSliderFirst = IDC_PARAM_SLIDER_FIRST,  // + row
  kMainAutoPreview = IDC_AUTO_PREVIEW,
  kMainPreviewArea = IDC_PREVIEW_AREA,
};

// Rows of parameter controls in the dialog.
constexpr int32_t kParamRows = kParamSlotCount;

// ---- parameter rows (main_param_rows.cpp)

// Reads the current program's declarations (mode kDeclareDefaults or
// kDeclareKeepValues) and shows their rows.
void ShowDeclaredParams(HWND dialog, FilterContext& context, DeclarationMode mode);
// The same when the dialog opens, keeping the values loaded with the settings.
void ShowDeclaredParamsOnOpening(HWND dialog, FilterContext& context);
// Every declared row's edit box := its slider's position as "%d".
void SlidersToValueTexts(HWND dialog, const FilterContext& context);
// Every declared row's slider := its edit text evaluated.
void ValueTextsToSliders(HWND dialog, FilterContext& context);
// The texts of all twelve edit boxes into the slots' value texts.
void EditTextsToSlots(HWND dialog, FilterContext& context);

// ---- preview (main_preview.cpp)

// Sizes the preview images from the preview area and shows the reduced
// image unchanged until a preview runs.
void SizePreviewImages(HWND dialog, FilterContext& context);
// Runs the current program on the reduced image and draws the result into
// the preview area; a failed run shows the reduced image and its message.
void RenderPreview(HWND dialog, FilterContext& context);
// Draws the last preview into the preview area.
void DrawPreview(HWND dialog, const FilterContext& context);

// ---- parameter set files (main_param_set_files.cpp)

void SaveParameterSet(HWND dialog, FilterContext& context);
void LoadParameterSet(HWND dialog, FilterContext& context);

// ---- program choice (main_dialog.cpp)

// Shows the lists again when report says so, then report's messages.
void ShowReport(HWND dialog, const FilterContext& context, const SessionReport& report);

#endif
