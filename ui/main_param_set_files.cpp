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
void PrepareFileDialog(HWND dialog, const FilterContext& context, FileDialogSetup& setup,
                       DWORD flags) {
  std::snprintf(setup.initialFolder, sizeof setup.initialFolder, "%s",
                context.ParameterFolder().c_str());
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

}  // namespace

void SaveParameterSet(HWND dialog, FilterContext& context) {
  FileDialogSetup setup = {};
  std::snprintf(setup.fileName, sizeof setup.fileName, "%s",
                context.ProposedParameterFileName().c_str());
  PrepareFileDialog(dialog, context, setup, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
  if (!GetSaveFileNameA(&setup.request)) return;
  char texts[kParamRows][kNameTextSize];
  const char* values[kParamRows];
  for (int32_t row = 0; row < kParamRows; ++row) {
    GetDlgItemTextA(dialog, kMainParamEditFirst + row, texts[row], kNameTextSize);
    values[row] = texts[row];
  }
  context.SaveParameterSet(setup.fileName, values);
}

void LoadParameterSet(HWND dialog, FilterContext& context) {
  FileDialogSetup setup = {};
  PrepareFileDialog(dialog, context, setup, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST);
  if (!GetOpenFileNameA(&setup.request)) return;
  const CompileReport report = context.LoadParameterSet(setup.fileName);
  if (!report.choiceChanged) return;  // the file could not be read
  ShowReport(dialog, context, report);
  ShowDeclaredParams(dialog, context, kDeclareKeepValues);
  if (context.settings.Preview != 0) RenderPreview(dialog, context);
}
