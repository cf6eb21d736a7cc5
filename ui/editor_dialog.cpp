// The program editor: browse the library by group and program, edit a
// program's texts, check them, and save, delete, move or import programs.
#include "ui/dialog_common.h"
#include "ui/editor_internal.h"
#include "ui/ui.h"

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

// Shows what an operation changed, then what it has to say.
void ShowEditorReport(HWND dialog, const FilterContext& context, const SessionReport& report) {
  if (report.choiceChanged) {
    FillGroupCombo(dialog, context);
    FillFunctionCombo(dialog, context);
  }
  if (report.programShown) ShowProgramInEditor(dialog, context);
  ShowMessages(dialog, report.messages);
}

// The chosen program loaded, compiled and shown in the boxes.
void ShowChosenProgram(HWND dialog, FilterContext& context) {
  CompileReport report = context.CompileCurrentProgram();
  report.programShown = true;
  ShowEditorReport(dialog, context, report);
}

void InitializeEditor(HWND dialog, FilterContext& context) {
  SetControlTexts(dialog, kEditorCaptions);
  for (const BoxLimit& limit : kEditorBoxLimits) {
    SendDlgItemMessageA(dialog, limit.id, EM_LIMITTEXT, static_cast<WPARAM>(limit.characters), 0);
  }
  context.ListGroups(nullptr);
  context.ListPrograms(nullptr);
  FillGroupCombo(dialog, context);
  FillFunctionCombo(dialog, context);
  CenterOnDesktop(dialog);
  ShowChosenProgram(dialog, context);
  ShowMessages(dialog, context.LibraryReadWarning());
  ShowMessages(dialog, context.HiddenProgramsWarning());
}

void ProgramChosen(HWND dialog, FilterContext& context) {
  LRESULT selected = SendDlgItemMessageA(dialog, IDC_EDIT_PROGRAM_COMBO, CB_GETCURSEL, 0, 0);
  if (selected < 0) return;
  context.ChooseProgram(static_cast<int32_t>(selected));
  ShowChosenProgram(dialog, context);
}

void GroupChosen(HWND dialog, FilterContext& context) {
  LRESULT selected = SendDlgItemMessageA(dialog, IDC_EDIT_GROUP_COMBO, CB_GETCURSEL, 0, 0);
  if (selected < 0) return;
  context.ChooseGroup(static_cast<int32_t>(selected));
  FillFunctionCombo(dialog, context);
  ShowChosenProgram(dialog, context);
}

void CheckTexts(HWND dialog, FilterContext& context) {
  ShowMessages(dialog, context.CheckProgram(ReadEditorTexts(dialog)).messages);
}

void Clear(HWND dialog, FilterContext&) { ClearEditor(dialog); }

void Save(HWND dialog, FilterContext& context) {
  DialogFrontEnd frontEnd(dialog);
  ShowEditorReport(dialog, context, context.SaveProgram(ReadEditor(dialog), frontEnd));
}

void Delete(HWND dialog, FilterContext& context) {
  DialogFrontEnd frontEnd(dialog);
  ShowEditorReport(dialog, context, context.DeleteProgram(ReadEditor(dialog), frontEnd));
}

void Move(HWND dialog, FilterContext& context) {
  DialogFrontEnd frontEnd(dialog);
  ShowEditorReport(dialog, context, context.MoveProgramToEnd(ReadEditor(dialog), frontEnd));
}

void Import(HWND dialog, FilterContext& context) {
  DialogFrontEnd frontEnd(dialog);
  ShowEditorReport(dialog, context, context.ImportProgramFiles(frontEnd));
}

void Help(HWND dialog, FilterContext&) { ShowHelp(dialog); }

// OK leaves the declared defaults of the current program in the parameter
// slots, so the settings saved next carry them.
void Confirm(HWND dialog, FilterContext& context) {
  context.KeepDeclaredDefaults();
  EndDialog(dialog, 1);
}

void Cancel(HWND dialog, FilterContext&) { EndDialog(dialog, 0); }

struct ButtonCommand {
  int id;
  void (*action)(HWND dialog, FilterContext& context);
};

const ButtonCommand kEditorButtons[] = {
    {IDC_EDIT_CHECK, CheckTexts}, {IDC_EDIT_CLEAR, Clear}, {IDC_EDIT_SAVE, Save},
    {IDC_EDIT_DELETE, Delete},    {IDC_EDIT_MOVE, Move},   {IDC_EDIT_FUNCTION, Import},
    {IDC_EDIT_HELP, Help},        {IDOK, Confirm},         {IDCANCEL, Cancel},
};

INT_PTR HandleCommand(HWND dialog, FilterContext& context, int id, int notification) {
  if (id == IDC_EDIT_PROGRAM_COMBO || id == IDC_EDIT_GROUP_COMBO) {
    if (notification != CBN_SELCHANGE) return FALSE;
    if (id == IDC_EDIT_PROGRAM_COMBO) ProgramChosen(dialog, context);
    if (id == IDC_EDIT_GROUP_COMBO) GroupChosen(dialog, context);
    return TRUE;
  }
  for (const ButtonCommand& button : kEditorButtons) {
    if (button.id != id) continue;
    button.action(dialog, context);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK EditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  FilterContext* context = DialogContext(dialog, message, lParam);
  if (context == nullptr) {
    // Nothing to edit without a context.
    if (message == WM_INITDIALOG) EndDialog(dialog, 0);
    return message == WM_INITDIALOG ? TRUE : FALSE;
  }
  if (IsCloseCommand(message, wParam)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      InitializeEditor(dialog, *context);
      return TRUE;
    case WM_COMMAND:
      return HandleCommand(dialog, *context, LOWORD(wParam), HIWORD(wParam));
    default:
      return FALSE;
  }
}
