#include "tests/platform/test_support.h"

#include <map>

namespace {

std::map<HWND, TestDialog *> &Dialogs() {
  static std::map<HWND, TestDialog *> dialogs;
  return dialogs;
}

std::map<HWND, PlainWindow *> &Plains() {
  static std::map<HWND, PlainWindow *> plains;
  return plains;
}

INT_PTR CALLBACK TestDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto dialog = reinterpret_cast<TestDialog *>(lParam);
    Dialogs()[window] = dialog;
    dialog->window = window;
    if (dialog->onInit) dialog->onInit(window);
    return TRUE;
  }
  auto found = Dialogs().find(window);
  if (found == Dialogs().end()) return FALSE;
  TestDialog *dialog = found->second;
  if (message == WM_HSCROLL) {
    dialog->notifications.push_back({message, GetDlgCtrlID(reinterpret_cast<HWND>(lParam)), LOWORD(wParam)});
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  int id = LOWORD(wParam);
  int code = HIWORD(wParam);
  dialog->notifications.push_back({message, id, code});
  if (dialog->onCommand && dialog->onCommand(window, id, code)) return TRUE;
  if (id == IDOK || id == IDCANCEL) {
    EndDialog(window, id);
    return TRUE;
  }
  return FALSE;
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto found = Plains().find(window);
  if (found != Plains().end() && message == WM_COMMAND)
    found->second->notifications.push_back({message, LOWORD(wParam), HIWORD(wParam)});
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

INT_PTR RunTestDialog(TestDialog *dialog, const char *name, HWND owner, HINSTANCE instance) {
  INT_PTR result = DialogBoxParamA(instance ? instance : TestDialogsInstance(), name, owner, TestDialogProc,
                                   reinterpret_cast<LPARAM>(dialog));
  Dialogs().erase(dialog->window);
  return result;
}

PlainWindow::PlainWindow() {
  static ATOM registered = [] {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PlainProc;
    windowClass.lpszClassName = "MorfelTestPlain";
    return RegisterClassA(&windowClass);
  }();
  (void)registered;
  handle_ = CreateWindowExA(0, "MorfelTestPlain", "plain", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                            nullptr, nullptr, nullptr);
  Plains()[handle_] = this;
}

PlainWindow::~PlainWindow() {
  Plains().erase(handle_);
  DestroyWindow(handle_);
}

std::string TextOf(HWND window) {
  char text[4096];
  GetWindowTextA(window, text, sizeof text);
  return text;
}
