// What the dialogs share: their context, message boxes, questions and the
// file search.
#include "ui/dialog_common.h"

#include "ui/ui.h"

FilterContext* DialogContext(HWND dialog, UINT message, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
  return reinterpret_cast<FilterContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void ShowMessages(HWND owner, const UserMessages& messages) {
  for (const UserMessage& message : messages) {
    switch (message.kind) {
      case MessageKind::kError:
        MessageBoxA(owner, message.text.c_str(), "error", MB_OK | MB_ICONSTOP);
        break;
      case MessageKind::kNotice:
        MessageBoxA(owner, message.text.c_str(), "message", MB_OK | MB_ICONSTOP);
        break;
      case MessageKind::kResult:
        MessageBoxA(owner, message.text.c_str(), "message", MB_OK);
        break;
    }
  }
}

bool DialogFrontEnd::Ask(const char* question) {
  const int answer =
      MessageBoxA(owner_, question, "message", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  return answer == IDYES;
}

bool DialogFrontEnd::ListFiles(const char* pattern, std::vector<std::string>* names) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  // Folders are listed too: the import names what it skips rather than
  // leaving the user to wonder why a "name.txt" was not taken.
  do {
    names->push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return true;
}
