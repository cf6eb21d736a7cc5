// The editor's group, name and text boxes.
#include "ui/editor_internal.h"

namespace {

void ShowInEditor(HWND dialog, const char* group, const char* name, const CurrentProgram& texts) {
  SetDlgItemTextA(dialog, IDC_EDIT_GROUP, group);
  SetDlgItemTextA(dialog, IDC_EDIT_NAME, name);
  SetDlgItemTextA(dialog, IDC_EDIT_INIT, texts.initText);
  SetDlgItemTextA(dialog, IDC_EDIT_TRANSFORM, texts.transformText);
}

}  // namespace

EditedProgram ReadEditor(HWND dialog) {
  EditedProgram edited = {};
  GetDlgItemTextA(dialog, IDC_EDIT_GROUP, edited.group, kNameTextSize);
  GetDlgItemTextA(dialog, IDC_EDIT_NAME, edited.name, kNameTextSize);
  edited.texts = ReadEditorTexts(dialog);
  return edited;
}

CurrentProgram ReadEditorTexts(HWND dialog) {
  CurrentProgram texts = {};
  GetDlgItemTextA(dialog, IDC_EDIT_INIT, texts.initText, kProgramTextSize);
  GetDlgItemTextA(dialog, IDC_EDIT_TRANSFORM, texts.transformText, kProgramTextSize);
  return texts;
}

void ShowProgramInEditor(HWND dialog, const FilterContext& context) {
  ShowInEditor(dialog, context.ChosenGroupName(), context.ChosenProgramName(), context.program);
}

void ClearEditor(HWND dialog) {
  ShowInEditor(dialog, kClearedProgram.group, kClearedProgram.name, kClearedProgram.texts);
}
