// Private to the dialogs: what the main dialog, the editor and the help
// dialog do alike.
#ifndef MORFEL_UI_DIALOG_COMMON_H
#define MORFEL_UI_DIALOG_COMMON_H

#include <windows.h>

#include <cstddef>

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

#endif
