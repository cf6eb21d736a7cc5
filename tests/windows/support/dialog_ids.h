// What a test sees of the plug-in's dialogs: their captions, and the
// control ids shared with the templates.
#ifndef MORFEL_TESTS_WINDOWS_DIALOG_IDS_H
#define MORFEL_TESTS_WINDOWS_DIALOG_IDS_H

#include <windows.h>

#include "ui/resource.h"

constexpr const char* kMainCaption = "Morfel v0.08";
constexpr const char* kEditorCaption = "Morfel";
constexpr const char* kHelpCaption = "Help";

// Shared by the main dialog and the editor.
constexpr int kOkButton = IDOK;
constexpr int kCancelButton = IDCANCEL;
constexpr int kGroupCombo = IDC_GROUP_COMBO;
constexpr int kProgramCombo = IDC_FUNCTION_COMBO;
static_assert(IDC_EDIT_GROUP_COMBO == IDC_GROUP_COMBO, "the editor shares the group combo id");
static_assert(IDC_EDIT_PROGRAM_COMBO == IDC_FUNCTION_COMBO, "and the program combo id");

// Main dialog.
constexpr int kPreviewButton = IDC_PREVIEW_BUTTON;
constexpr int kFirstSlider = IDC_PARAM_SLIDER_FIRST;

// Editor.
constexpr int kGroupBox = IDC_EDIT_GROUP;
constexpr int kNameBox = IDC_EDIT_NAME;
constexpr int kInitBox = IDC_EDIT_INIT;
constexpr int kTransformBox = IDC_EDIT_TRANSFORM;
constexpr int kHelpButton = IDC_EDIT_HELP;
constexpr int kCheckButton = IDC_EDIT_CHECK;
constexpr int kImportButton = IDC_EDIT_FUNCTION;

// Help dialog.
constexpr int kReferenceBox = IDC_HELP_TEXT;

#endif
