// Private to the main filter dialog: its control ids and the operations its
// files share.
#ifndef MORFEL_UI_MAIN_DIALOG_INTERNAL_H
#define MORFEL_UI_MAIN_DIALOG_INTERNAL_H

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "plugin/plugin.h"
#include "transform/transform.h"

// Control ids of the "sampledlg" template.
enum MainDialogControl {
  kMainOk = 1,
  kMainCancel = 2,
  kMainPreviewButton = 101,
  kMainSaveButton = 102,
  kMainLoadButton = 103,
  kMainFunctionCombo = 201,
  kMainInterpCombo = 202,
  kMainGroupCombo = 203,
  kMainParamEditFirst = 300,   // + row
  kMainInterpLabel = 1001,
  kMainParamLabelFirst = 1010,  // + row, edit id + 710
  kMainParamSliderFirst = 1100,  // + row, edit id + 800
  kMainAutoPreview = 1201,
  kMainPreviewArea = 1301,
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

// Sizes the four preview images from the preview area and the source.
void SizePreviewImages(HWND dialog);
// Draws previewResultRgb (already bottom-up) into the preview area.
void DrawPreview(HWND dialog);

// ---- parameter set files (param_set_files.cpp)

void SaveParameterSet(HWND dialog);
void LoadParameterSet(HWND dialog);

#endif
