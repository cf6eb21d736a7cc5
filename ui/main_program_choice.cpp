// Choosing the current program from the library by group and name, shared
// by the main dialog and the program editor.
#include <cstdio>
#include <cstring>

#include "script/script.h"
#include "ui/ui.h"

namespace {

// A library name as the dialogs hold it: cut to fit a 128-byte buffer, so a
// hand-edited library with longer names is shown cut, never overflowing.
struct DialogName {
  char text[kNameTextSize];
};

DialogName CutName(const char* name) {
  DialogName cut = {};
  if (name != nullptr) std::snprintf(cut.text, sizeof cut.text, "%s", name);
  return cut;
}

// Fields of program index as the dialogs see them; a missing key reads as
// an empty text.
DialogName ProgramGroup(const ProgramLibrary& library, int32_t index) {
  return CutName(library.ProgramField(index, "Group"));
}

DialogName ProgramName(const ProgramLibrary& library, int32_t index) {
  return CutName(library.ProgramField(index, "Name"));
}

void CopyProgramText(char* destination, const char* text) {
  std::snprintf(destination, kProgramTextSize, "%s", text != nullptr ? text : "");
}

// A combo box and the name list that is kept in step with it, item i being
// name i.
struct NamedCombo {
  HWND dialog;
  int id;
  NameList& names;
};

void EmptyCombo(const NamedCombo& combo) {
  SendDlgItemMessageA(combo.dialog, combo.id, CB_RESETCONTENT, 0, 0);
  combo.names.count = 0;
}

void AppendToCombo(const NamedCombo& combo, const char* name) {
  SendDlgItemMessageA(combo.dialog, combo.id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  AppendName(combo.names, name);
}

// name null: selects item *chosen. Otherwise *chosen := the position of name
// (exact, letter case included), or 0 when absent, and that item is selected.
void SelectInCombo(const NamedCombo& combo, const char* name, int32_t* chosen) {
  if (name != nullptr) {
    const int32_t position = FindName(combo.names, CutName(name).text);
    *chosen = position < 0 ? 0 : position;
  }
  SendDlgItemMessageA(combo.dialog, combo.id, CB_SETCURSEL, static_cast<WPARAM>(*chosen), 0);
}

}  // namespace

void FillGroupCombo(HWND dialog, const char* name) {
  FilterContext* context = ActiveFilterContext();
  if (context == nullptr) return;
  const NamedCombo groups = {dialog, kGroupComboId, *context->groupList};
  EmptyCombo(groups);
  const int32_t programs = context->library->ProgramCount();
  for (int32_t i = 0; i < programs && i < kMaxPrograms; ++i) {
    const DialogName group = ProgramGroup(*context->library, i);
    // The combo box's own search ignores letter case: the first spelling of
    // a group stands for every spelling.
    const LRESULT found =
        SendDlgItemMessageA(dialog, kGroupComboId, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(group.text));
    if (found == CB_ERR) AppendToCombo(groups, group.text);
  }
  SelectInCombo(groups, name, &context->settings.GroupNo);
}

void FillFunctionCombo(HWND dialog, const char* name) {
  FilterContext* context = ActiveFilterContext();
  if (context == nullptr) return;
  const DialogName chosenGroup = CutName(NameAt(*context->groupList, context->settings.GroupNo));
  const NamedCombo functions = {dialog, kProgramComboId, *context->functionList};
  EmptyCombo(functions);
  const int32_t programs = context->library->ProgramCount();
  for (int32_t i = 0; i < programs && i < kMaxPrograms; ++i) {
    if (std::strcmp(ProgramGroup(*context->library, i).text, chosenGroup.text) != 0) continue;
    AppendToCombo(functions, ProgramName(*context->library, i).text);
  }
  SelectInCombo(functions, name, &context->settings.FuncNo);
}

ProgramTextCheck SelectCurrentProgram(HWND dialog) {
  FilterContext* context = ActiveFilterContext();
  if (context == nullptr) return kProgramTextsFit;
  // Copies: refilling the combo boxes below empties the lists they live in.
  const DialogName group = CutName(NameAt(*context->groupList, context->settings.GroupNo));
  const DialogName program = CutName(NameAt(*context->functionList, context->settings.FuncNo));
  const ProgramLibrary& library = *context->library;
  const int32_t programs = library.ProgramCount();
  for (int32_t i = 0; i < programs && i < kMaxPrograms; ++i) {
    if (std::strcmp(ProgramGroup(library, i).text, group.text) != 0) continue;
    if (std::strcmp(ProgramName(library, i).text, program.text) != 0) continue;
    const char* initText = library.ProgramField(i, "Init");
    const char* transformText = library.ProgramField(i, "Prog");
    CopyProgramText(context->program->initText, initText);
    CopyProgramText(context->program->transformText, transformText);
    return CheckRunnableTexts(initText, transformText);
  }
  std::snprintf(context->program->initText, kProgramTextSize,
                "The function is not found.\r\nGroup Num = %d (%s)\r\nFunction Num = %d (%s)\r\n",
                static_cast<int>(context->settings.GroupNo), group.text,
                static_cast<int>(context->settings.FuncNo), program.text);
  context->program->transformText[0] = '\0';
  FillGroupCombo(dialog, group.text);
  FillFunctionCombo(dialog, program.text);
  return kProgramTextsFit;
}

int32_t CompileCurrentProgram(HWND dialog) {
  FilterContext* context = ActiveFilterContext();
  if (context == nullptr) return 0;
  ScriptEngine& engine = *context->engine;
  const ProgramTextCheck runnable = SelectCurrentProgram(dialog);
  if (runnable != kProgramTextsFit) {
    // A program cut to fit would run as some other program: nothing runs.
    engine.Compile("", 0);
    engine.Compile("", 1);
    ShowErrorMessage(dialog, ProgramTextCheckMessage(runnable));
    return 0;
  }
  char initCode[kProgramTextSize];
  StripDeclarationLines(context->program->initText, "?", initCode, sizeof initCode);
  // An empty text compiles to nothing, which is no error.
  if (engine.Compile(initCode, 0) == 0 && initCode[0] != '\0') {
    ShowErrorMessage(dialog, "Initialization error.");
    return 0;
  }
  const char* transformText = context->program->transformText;
  if (engine.Compile(transformText, 1) == 0 && transformText[0] != '\0') {
    ShowErrorMessage(dialog, "Program compilation error.");
    return 0;
  }
  return 1;
}

void WarnOfHiddenPrograms(HWND dialog) {
  FilterContext* context = ActiveFilterContext();
  if (context == nullptr) return;
  char notice[256];
  if (FormatHiddenProgramsNotice(*context->library, notice, sizeof notice) > 0) {
    ShowErrorMessage(dialog, notice);
  }
}

void MessageBoxErrors::ShowError(void* owner, const char* text) {
  ShowErrorMessage(static_cast<HWND>(owner), text);
}
