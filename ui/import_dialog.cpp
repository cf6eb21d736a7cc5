#include "ui/editor_internal.h"

namespace {

// Merges one enumerated file; tells the user of a file it could not take.
void ImportOneFile(HWND dialog, const WIN32_FIND_DATAA& found, ImportCounters* counters) {
  if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
  char message[kPathBufferSize + 128];
  ImportOutcome outcome = ImportProgramFile(EditorBaseFolder(), found.cFileName, &EditorLibrary(),
                                            counters, message, sizeof message);
  if (outcome == kImportCannotOpen || outcome == kImportTextTooLong) {
    ShowErrorMessage(dialog, message);
  }
}

// Back to the first program of the first group, which the import may have
// changed; the text boxes keep the current program's texts.
void ShowLibraryFromStart(HWND dialog) {
  FilterSettings& settings = EditorSettings();
  settings.FuncNo = 0;
  settings.GroupNo = 0;
  FillGroupCombo(dialog, nullptr);
  FillFunctionCombo(dialog, nullptr);
  ShowProgramInEditor(dialog);
}

}  // namespace

// Merges every program file of the data folder into the library.
void ImportProgramFiles(HWND dialog) {
  if (!AskQuestion(dialog, "Do you want to add new functions?")) return;
  char pattern[kPathBufferSize];
  if (DataPath(pattern, sizeof pattern, EditorBaseFolder(), "*.txt") == 0) {
    ShowErrorMessage(dialog, "The data folder's path is too long.");
    return;
  }
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) {
    ShowErrorMessage(dialog, "No file founds.");
    return;
  }
  ImportCounters counters = {0, 0};
  do {
    ImportOneFile(dialog, found, &counters);
  } while (FindNextFileA(search, &found));
  FindClose(search);

  WriteLibraryFile(dialog);
  ShowLibraryFromStart(dialog);
  char summary[128];
  FormatImportSummary(counters, summary, sizeof summary);
  ShowResult(dialog, summary);
}
