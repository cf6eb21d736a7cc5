// Shared by the platform tests: a dialog procedure driven by callbacks, and
// a window class for plain parent windows.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/platform/test_resource.h"

extern "C" HINSTANCE TestDialogsInstance(void);
extern "C" HINSTANCE PluginDialogsInstance(void);

struct Notification {
  UINT message;
  int id;
  int code;
  bool operator==(const Notification &other) const {
    return message == other.message && id == other.id && code == other.code;
  }
};

// What a test dialog does: onInit runs at WM_INITDIALOG, onCommand for each
// WM_COMMAND (return true when handled). Without onCommand, OK and Cancel end
// the dialog with their ids. Every WM_COMMAND and WM_HSCROLL is recorded.
struct TestDialog {
  std::function<void(HWND)> onInit;
  std::function<bool(HWND, int id, int code)> onCommand;
  std::vector<Notification> notifications;
  HWND window = nullptr;
};

INT_PTR RunTestDialog(TestDialog *dialog, const char *name = "testdlg", HWND owner = nullptr,
                      HINSTANCE instance = nullptr);

// A top-level window of a plain registered class, destroyed with the object.
class PlainWindow {
 public:
  PlainWindow();
  ~PlainWindow();
  HWND handle() const { return handle_; }
  std::vector<Notification> notifications;

 private:
  HWND handle_;
};

std::string TextOf(HWND window);
