// The group and program combo boxes of the main dialog and the editor, kept
// in step with the context's name lists.
#include "ui/dialog_common.h"
#include "ui/ui.h"

namespace {

void FillCombo(HWND dialog, int id, const NameList& names, int32_t chosen) {
  SendDlgItemMessageA(dialog, id, CB_RESETCONTENT, 0, 0);
  for (int32_t i = 0; i < names.count; ++i) {
    SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names.names[i]));
  }
  SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
}

}  // namespace

void FillGroupCombo(HWND dialog, const FilterContext& context) {
  FillCombo(dialog, IDC_GROUP_COMBO, context.groupList, context.settings.GroupNo);
}

void FillFunctionCombo(HWND dialog, const FilterContext& context) {
  FillCombo(dialog, IDC_FUNCTION_COMBO, context.functionList, context.settings.FuncNo);
}
