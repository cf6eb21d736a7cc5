// The open and save file dialogs: "#32770" windows whose file name box is the
// combo box cmb13. The name typed there is taken when the dialog gets
// WM_COMMAND IDOK; the checks that Windows makes keep the dialog open with a
// message box, as Windows does.
#include <commdlg.h>
#include <dlgs.h>
#include <windows.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

namespace {

constexpr int kTypeLabelId = 0x0441;  // stc2
// The smallest structure Windows accepts: the fields up to lpTemplateName.
constexpr DWORD kSmallestStructSize = offsetof(OPENFILENAMEA, pvReserved);
// Filter lists longer than this are not believed.
constexpr int kMaxFilters = 64;

struct FileDialogRun {
  OPENFILENAMEA* ofn;
  bool save;
  std::string title;
};

std::map<HWND, FileDialogRun*>& Runs() {
  static std::map<HWND, FileDialogRun*> runs;
  return runs;
}

std::vector<std::string> FilterDescriptions(const char* filter) {
  std::vector<std::string> descriptions;
  for (int i = 0; filter && *filter && i < kMaxFilters; ++i) {
    descriptions.push_back(filter);
    filter += std::strlen(filter) + 1;  // the description
    if (!*filter) break;
    filter += std::strlen(filter) + 1;  // its pattern
  }
  return descriptions;
}

std::string WithSlashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string ResolvePath(const OPENFILENAMEA& ofn, const std::string& typed) {
  std::string name = WithSlashes(typed);
  std::string path = name;
  if (name[0] != '/') {
    std::string folder =
        ofn.lpstrInitialDir && *ofn.lpstrInitialDir ? WithSlashes(ofn.lpstrInitialDir) : ".";
    path = folder.back() == '/' ? folder + name : folder + "/" + name;
  }
  size_t slash = path.rfind('/');
  std::string file = path.substr(slash + 1);
  if (file.find('.') == std::string::npos && ofn.lpstrDefExt && *ofn.lpstrDefExt)
    path += std::string(".") + ofn.lpstrDefExt;
  return path;
}

bool FileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Hands the chosen path to the caller; false when it does not fit.
bool StoreResult(OPENFILENAMEA& ofn, const std::string& path) {
  if (path.size() + 1 > ofn.nMaxFile || path.size() > 0xFFFF) return false;
  std::memcpy(ofn.lpstrFile, path.c_str(), path.size() + 1);
  size_t fileStart = path.rfind('/') + 1;
  size_t dot = path.rfind('.');
  ofn.nFileOffset = static_cast<WORD>(fileStart);
  ofn.nFileExtension =
      static_cast<WORD>(dot != std::string::npos && dot >= fileStart ? dot + 1 : 0);
  if (ofn.lpstrFileTitle && ofn.nMaxFileTitle > 0) {
    std::string file = path.substr(fileStart);
    size_t count = std::min<size_t>(file.size(), ofn.nMaxFileTitle - 1);
    std::memcpy(ofn.lpstrFileTitle, file.c_str(), count);
    ofn.lpstrFileTitle[count] = '\0';
  }
  return true;
}

void Accept(HWND dialog, FileDialogRun& run) {
  char typed[MAX_PATH * 4];
  GetDlgItemTextA(dialog, cmb13, typed, sizeof typed);
  if (!typed[0]) return;  // nothing chosen yet: the dialog stays
  OPENFILENAMEA& ofn = *run.ofn;
  std::string path = ResolvePath(ofn, typed);
  bool exists = FileExists(path);
  if ((ofn.Flags & OFN_FILEMUSTEXIST) && !exists) {
    std::string text = std::string(typed) + "\nFile not found.\nCheck the file name and try again.";
    MessageBoxA(dialog, text.c_str(), run.title.c_str(), MB_OK | MB_ICONWARNING);
    return;
  }
  if (run.save && (ofn.Flags & OFN_OVERWRITEPROMPT) && exists) {
    std::string text = std::string(typed) + " already exists.\nDo you want to replace it?";
    if (MessageBoxA(dialog, text.c_str(), "Confirm Save As",
                    MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
      return;
  }
  EndDialog(dialog, StoreResult(ofn, path) ? TRUE : FALSE);
}

INT_PTR CALLBACK FileDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_COMMAND) return FALSE;
  auto found = Runs().find(dialog);
  if (found == Runs().end()) return FALSE;
  if (LOWORD(wParam) == IDOK) Accept(dialog, *found->second);
  if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, FALSE);
  return TRUE;
}

HWND CreateFileDialog(FileDialogRun& run) {
  const OPENFILENAMEA& ofn = *run.ofn;
  const char* typeLabel = run.save ? "Save as &type:" : "Files of &type:";
  MorfelControlTemplate controls[] = {
      {"STATIC", "File &name:", stc3, WS_VISIBLE | SS_LEFT, 0, 7, 140, 50, 8},
      {"COMBOBOX", "", cmb13, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN, 0, 60, 138, 150, 100},
      {"STATIC", typeLabel, kTypeLabelId, WS_VISIBLE | SS_LEFT, 0, 7, 158, 50, 8},
      {"COMBOBOX", "", cmb1, WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, 0, 60, 156, 150, 100},
      {"BUTTON", run.save ? "&Save" : "&Open", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
       220, 138, 50, 14},
      {"BUTTON", "Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 220, 156, 50, 14},
  };
  MorfelDialogTemplate dialog = {"",
                                 run.title.c_str(),
                                 WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                                 0,
                                 0,
                                 0,
                                 280,
                                 180,
                                 "MS Sans Serif",
                                 8,
                                 controls,
                                 static_cast<int>(sizeof controls / sizeof controls[0])};
  HWND handle = CreateDialogFromTemplate(dialog, nullptr, ofn.hwndOwner, FileDialogProc, 0);
  if (!handle) return nullptr;
  size_t initialLength = strnlen(ofn.lpstrFile, ofn.nMaxFile);
  SetDlgItemTextA(handle, cmb13, std::string(ofn.lpstrFile, initialLength).c_str());
  for (const std::string& description : FilterDescriptions(ofn.lpstrFilter))
    SendDlgItemMessageA(handle, cmb1, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(description.c_str()));
  SendDlgItemMessageA(handle, cmb1, CB_SETCURSEL, ofn.nFilterIndex > 0 ? ofn.nFilterIndex - 1 : 0,
                      0);
  return handle;
}

BOOL RunFileDialog(LPOPENFILENAMEA ofn, bool save) {
  if (!ofn || ofn->lStructSize < kSmallestStructSize || !ofn->lpstrFile || ofn->nMaxFile == 0)
    return FALSE;
  FileDialogRun run = {ofn, save, ofn->lpstrTitle ? ofn->lpstrTitle : (save ? "Save As" : "Open")};
  HWND dialog = CreateFileDialog(run);
  if (!dialog) return FALSE;
  Runs()[dialog] = &run;
  INT_PTR result = RunModal(dialog, ofn->hwndOwner);
  Runs().erase(dialog);
  return result ? TRUE : FALSE;
}

}  // namespace

extern "C" BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA ofn) { return RunFileDialog(ofn, false); }

extern "C" BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA ofn) { return RunFileDialog(ofn, true); }
