#include "ui/dialog_common.h"
#include "ui/editor_internal.h"

namespace {

// Captions of the editor's controls, set when it opens.
const ControlText kEditorCaptions[] = {
    {IDOK, "OK"},
    {IDCANCEL, "Cancel"},
    {IDC_EDIT_FUNCTION, "Function"},
    {IDC_EDIT_GROUP_LABEL, "Group"},
    {IDC_EDIT_TITLE_LABEL, "Title"},
    {IDC_EDIT_INIT_LABEL, "Initialize"},
    {IDC_EDIT_TRANSFORM_LABEL, "Transform"},
    {IDC_EDIT_HELP, "Help"},
    {IDC_EDIT_CLEAR, "Clear"},
    {IDC_EDIT_MOVE, "Move"},
    {IDC_EDIT_SAVE, "Save"},
    {IDC_EDIT_DELETE, "Delete"},
    {IDC_EDIT_CHECK, "Check"},
};

struct BoxLimit {
  int id;
  int characters;
};

// What the boxes take: names fit the 128-byte name buffers, texts the
// 2048-byte program buffers, so nothing typed is cut when read back.
const BoxLimit kEditorBoxLimits[] = {
    {IDC_EDIT_GROUP, kNameTextSize - 1},
    {IDC_EDIT_NAME, kNameTextSize - 1},
    {IDC_EDIT_INIT, kProgramTextSize - 1},
    {IDC_EDIT_TRANSFORM, kProgramTextSize - 1},
};

void InitializeEditor(HWND dialog) {
  SetControlTexts(dialog, kEditorCaptions);
  for (const BoxLimit& limit : kEditorBoxLimits) {
    SendDlgItemMessageA(dialog, limit.id, EM_LIMITTEXT, static_cast<WPARAM>(limit.characters), 0);
  }
  FillGroupCombo(dialog, nullptr);
  FillFunctionCombo(dialog, nullptr);
  CenterOnDesktop(dialog);
  CompileCurrentProgram(dialog);
  ShowProgramInEditor(dialog);
  WarnOfUnreadableLibraryLine(dialog);
  WarnOfHiddenPrograms(dialog);
}

void ProgramChosen(HWND dialog) {
  LRESULT selected = SendDlgItemMessageA(dialog, IDC_EDIT_PROGRAM_COMBO, CB_GETCURSEL, 0, 0);
  if (selected < 0) return;
  EditorSettings().FuncNo = static_cast<int32_t>(selected);
  CompileCurrentProgram(dialog);
  ShowProgramInEditor(dialog);
}

void GroupChosen(HWND dialog) {
  LRESULT selected = SendDlgItemMessageA(dialog, IDC_EDIT_GROUP_COMBO, CB_GETCURSEL, 0, 0);
  if (selected < 0) return;
  FilterSettings& settings = EditorSettings();
  settings.GroupNo = static_cast<int32_t>(selected);
  settings.FuncNo = 0;
  FillFunctionCombo(dialog, nullptr);
  CompileCurrentProgram(dialog);
  ShowProgramInEditor(dialog);
}

// OK leaves the declared defaults of the current program in the parameter
// slots, so the settings saved next carry them.
void ConfirmEditor(HWND dialog) {
  CheckDeclarations();
  EndDialog(dialog, 1);
}

void CheckFromButton(HWND dialog) { CheckProgram(dialog); }

void CancelEditor(HWND dialog) { EndDialog(dialog, 0); }

struct ButtonCommand {
  int id;
  void (*action)(HWND dialog);
};

const ButtonCommand kEditorButtons[] = {
    {IDC_EDIT_CHECK, CheckFromButton}, {IDC_EDIT_CLEAR, ClearEditor},
    {IDC_EDIT_SAVE, SaveProgram},      {IDC_EDIT_DELETE, DeleteProgram},
    {IDC_EDIT_MOVE, MoveProgramToEnd}, {IDC_EDIT_FUNCTION, ImportProgramFiles},
    {IDC_EDIT_HELP, ShowHelp},         {IDOK, ConfirmEditor},
    {IDCANCEL, CancelEditor},
};

INT_PTR HandleCommand(HWND dialog, int id, int notification) {
  if (id == IDC_EDIT_PROGRAM_COMBO || id == IDC_EDIT_GROUP_COMBO) {
    if (notification != CBN_SELCHANGE) return FALSE;
    if (id == IDC_EDIT_PROGRAM_COMBO) ProgramChosen(dialog);
    if (id == IDC_EDIT_GROUP_COMBO) GroupChosen(dialog);
    return TRUE;
  }
  for (const ButtonCommand& button : kEditorButtons) {
    if (button.id != id) continue;
    button.action(dialog);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK EditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  if (ActiveFilterContext() == nullptr) {
    // Nothing to edit outside an export call.
    if (message == WM_INITDIALOG) EndDialog(dialog, 0);
    return message == WM_INITDIALOG ? TRUE : FALSE;
  }
  if (IsCloseCommand(message, wParam)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      InitializeEditor(dialog);
      return TRUE;
    case WM_COMMAND:
      return HandleCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    default:
      return FALSE;
  }
}
