// Private to the dialogs: what the main dialog, the editor and the help
// dialog do alike.
#ifndef MORFEL_UI_DIALOG_COMMON_H
#define MORFEL_UI_DIALOG_COMMON_H

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "session/session.h"

// A control and the text it is given when its dialog opens.
struct ControlText {
  int id;
  const char* text;
};

template <size_t N>
void SetControlTexts(HWND dialog, const ControlText (&texts)[N]) {
  for (const ControlText& control : texts) SetDlgItemTextA(dialog, control.id, control.text);
}

// The window's close command (close box, Alt+F4, the system menu), which
// every dialog here answers as Cancel: it ends with 0.
inline bool IsCloseCommand(UINT message, WPARAM wParam) {
  return message == WM_CLOSE || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE);
}

// The context a dialog works on: WM_INITDIALOG's value, kept with the window
// from then on. Null before WM_INITDIALOG and for a dialog opened without one.
FilterContext* DialogContext(HWND dialog, UINT message, LPARAM lParam);

// Moves window to the middle of the desktop (right and bottom edges halved),
// on top and shown.
void CenterOnDesktop(HWND window);

// The combo boxes of the program choice, filled from the context's lists
// with items GroupNo and FuncNo selected.
void FillGroupCombo(HWND dialog, const FilterContext& context);
void FillFunctionCombo(HWND dialog, const FilterContext& context);

// Questions in message boxes over a dialog, and the file system's search.
class DialogFrontEnd : public FrontEnd {
 public:
  explicit DialogFrontEnd(HWND owner) : owner_(owner) {}
  bool Ask(const char* question) override;
  bool ListFiles(const char* pattern, std::vector<std::string>* names) override;

 private:
  HWND owner_;
};

#endif
