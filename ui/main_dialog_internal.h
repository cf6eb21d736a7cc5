// Private to the main filter dialog: its control ids and the operations its
// files share.
#ifndef MORFEL_UI_MAIN_DIALOG_INTERNAL_H
#define MORFEL_UI_MAIN_DIALOG_INTERNAL_H

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "plugin/plugin.h"
#include "transform/transform.h"
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

// ---- parameter rows (param_rows.cpp)

// Shows the rows of the current Init text's declarations (mode
// kDeclareDefaults or kDeclareKeepValues); returns ParseParamDeclarations'
// result.
int32_t ShowDeclaredParams(HWND dialog, DeclarationMode mode);
// Every declared row's edit box := its slider's position as "%d".
void SlidersToValueTexts(HWND dialog);
// Every declared row's slider := its edit text evaluated.
void ValueTextsToSliders(HWND dialog);
// The texts of all twelve edit boxes into the slots' value texts.
void EditTextsToSlots(HWND dialog);

// ---- preview (preview.cpp)

// Sizes the four preview images from the preview area and the source, and
// fills them with the reduced image unchanged (black for an image without
// pixels), which the area shows until a preview runs.
void SizePreviewImages(HWND dialog);
// Draws previewResultRgb (already bottom-up) into the preview area.
void DrawPreview(HWND dialog);

// ---- parameter set files (param_set_files.cpp)

void SaveParameterSet(HWND dialog);
void LoadParameterSet(HWND dialog);

#endif
