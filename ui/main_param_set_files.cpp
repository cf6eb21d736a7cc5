// "Save" and "Load Parameter": a parameter set file remembers the chosen
// group, program and twelve value texts.
#include <cstdio>
#include <cstring>

#include <windows.h>
#include <commdlg.h>

#include "ui/main_dialog_internal.h"
#include "ui/ui.h"

namespace {

constexpr int kFileNameSize = 256;
// Pairs of description and pattern, closed by an empty pair.
const char kParameterFileFilter[] = "Parameter (*.mfp)\0*.mfp\0All files (*.*)\0*.*\0";

struct FileDialogSetup {
  char fileName[kFileNameSize];
  char initialFolder[kPathBufferSize];
  OPENFILENAMEA request;
};

// Fills the request shared by the open and the save dialog; the parameter
// folder under the data folder is where such files live by default.
void PrepareFileDialog(HWND dialog, FileDialogSetup& setup, DWORD flags) {
  DataPath(setup.initialFolder, sizeof setup.initialFolder, Module().baseFolder, "Param");
  OPENFILENAMEA& request = setup.request;
  std::memset(&request, 0, sizeof request);
  request.lStructSize = sizeof request;
  request.hwndOwner = dialog;
  request.lpstrFilter = kParameterFileFilter;
  request.nFilterIndex = 1;
  request.lpstrFile = setup.fileName;
  request.nMaxFile = kFileNameSize;
  request.lpstrInitialDir = setup.initialFolder;
  request.lpstrDefExt = "mfp";
  request.Flags = flags;
}

void CopyText(char* destination, const char* text) {
  std::snprintf(destination, kNameTextSize, "%s", text);
}

}  // namespace

void SaveParameterSet(HWND dialog) {
  FilterContext* context = ActiveFilterContext();
  if (context == nullptr) return;
  const char* group = NameAt(*context->groupList, context->settings.GroupNo);
  const char* program = NameAt(*context->functionList, context->settings.FuncNo);
  FileDialogSetup setup = {};
  ProposeParameterFileName(program, setup.fileName, kFileNameSize);
  PrepareFileDialog(dialog, setup, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
  if (!GetSaveFileNameA(&setup.request)) return;
  ParameterSet set = {};
  CopyText(set.group, group);
  CopyText(set.name, program);
  for (int32_t row = 0; row < kParamRows; ++row) {
    GetDlgItemTextA(dialog, kMainParamEditFirst + row, set.values[row], kNameTextSize);
  }
  // The slots follow the boxes only once the file holds them, so a file
  // that cannot be written leaves the dialog's state as it was.
  if (!WriteParameterSet(setup.fileName, set)) return;
  for (int32_t row = 0; row < kParamRows; ++row) CopyText(context->slots[row].value, set.values[row]);
}

void LoadParameterSet(HWND dialog) {
  FilterContext* context = ActiveFilterContext();
  if (context == nullptr) return;
  FileDialogSetup setup = {};
  PrepareFileDialog(dialog, setup, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST);
  if (!GetOpenFileNameA(&setup.request)) return;
  ParameterSet set = {};
  if (!ReadParameterSet(setup.fileName, &set)) return;
  FillGroupCombo(dialog, set.group);
  FillFunctionCombo(dialog, set.name);
  for (int32_t row = 0; row < kParamRows; ++row) CopyText(context->slots[row].value, set.values[row]);
  CompileCurrentProgram(dialog);
  ShowDeclaredParams(dialog, kDeclareKeepValues);
  if (context->settings.Preview != 0) RenderPreview(dialog);
}
