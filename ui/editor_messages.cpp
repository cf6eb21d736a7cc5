#include "ui/editor_internal.h"

int AskQuestion(HWND owner, const char* question) {
  int answer = MessageBoxA(owner, question, "message", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  return answer == IDYES ? 1 : 0;
}

void ShowErrorMessage(HWND owner, const char* text) {
  MessageBoxA(owner, text, "error", MB_OK | MB_ICONSTOP);
}

void ShowNotice(HWND owner, const char* text) {
  MessageBoxA(owner, text, "message", MB_OK | MB_ICONSTOP);
}

void ShowResult(HWND owner, const char* text) { MessageBoxA(owner, text, "message", MB_OK); }
