// Dialogs: the main filter dialog (program choice, parameter rows, preview,
// parameter set files), the program editor and the help dialog.
//
// Contracts
// - Every dialog works on the filter context of the current export call
//   (plugin/plugin.h, ActiveFilterContext()); a dialog procedure called with
//   no context does nothing and ends its dialog with 0.
// - Group combo box 203 and program combo box 201 exist in both the main
//   dialog and the editor; FillGroupCombo and FillFunctionCombo keep them in
//   step with the context's groupList and functionList (item i is name i).
//   Names are cut to kNameTextSize - 1 characters for both, so a long name
//   in the library can never overflow a dialog's buffers.
// - Errors for the user are message boxes titled "error" with a stop icon;
//   questions are titled "message".
// - The main dialog ends with 1 after OK (the edit boxes' texts are then in
//   the parameter slots) and with 0 after Cancel or the close command.
#ifndef MORFEL_UI_UI_H
#define MORFEL_UI_UI_H

#include <windows.h>

#include <cstdint>

#include "plugin/plugin.h"
#include "transform/transform.h"
#include "ui/resource.h"

// Template names of the dialogs in the plug-in's resources.
constexpr const char kMainDialogTemplate[] = "sampledlg";
constexpr const char kEditorDialogTemplate[] = "editdlg";

// Combo boxes shared by the main dialog and the editor.
constexpr int kProgramComboId = IDC_FUNCTION_COMBO;
constexpr int kGroupComboId = IDC_GROUP_COMBO;

// ---------------------------------------------------------------- main dialog

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Refills combo box 203 and groupList with the library's distinct group
// names (first spelling wins; the combo box's search ignores letter case).
// name null: selects GroupNo; otherwise GroupNo := position of name (exact),
// or 0 when absent, and selects it.
void FillGroupCombo(HWND dialog, const char* name);
// Refills combo box 201 and functionList with the programs of the group at
// GroupNo, in library order. name null: selects FuncNo; otherwise FuncNo :=
// position of name, or 0.
void FillFunctionCombo(HWND dialog, const char* name);
// Copies the texts of the program chosen by GroupNo and FuncNo into the
// current program (a missing key reads as empty). When no program matches,
// the Init text becomes a diagnostic and the combo boxes are refilled.
// Returns whether the library's texts fit the program buffers
// (CheckRunnableTexts); a text that does not is copied cut, for showing only.
ProgramTextCheck SelectCurrentProgram(HWND dialog);
// SelectCurrentProgram, then compiles Init (declaration lines stripped) into
// slot 0 and Transform into slot 1. 1 when both compiled; else 0 after
// showing "Initialization error.", "Program compilation error." or, for a
// text too long to run, its check's message (both slots then empty).
int32_t CompileCurrentProgram(HWND dialog);
// Tells the user when the library holds more programs than the lists show.
void WarnOfHiddenPrograms(HWND dialog);
// Runs the current program on the reduced image (always Round) and draws the
// result into the preview area; after a failed run shows the reduced source.
void RenderPreview(HWND dialog);

// Size of the preview images for a preview area of areaWidth x areaHeight
// pixels and a source of imageWidth x imageHeight: the largest size of the
// image's proportions inside the area, width a multiple of 4, both at least
// 1 (at least 4 wide).
struct PreviewSize {
  int32_t width;
  int32_t height;
};
PreviewSize ComputePreviewSize(int32_t areaWidth, int32_t areaHeight, int32_t imageWidth,
                               int32_t imageHeight);

// Message box titled "error" with a stop icon and an OK button (defined with
// the editor's other message boxes).
void ShowErrorMessage(HWND owner, const char* text);

// The ErrorDisplay of runs started from the dialogs: ShowErrorMessage with
// the owner the run was given.
class MessageBoxErrors : public ErrorDisplay {
 public:
  void ShowError(void* owner, const char* text) override;
};

// ---------------------------------------------------------------- editor

// The program editor's dialog procedure ("editdlg").
INT_PTR CALLBACK EditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
