#include "tests/windows/support/user_run.h"

namespace {

constexpr int kTextCapacity = 4096;

}  // namespace

bool RunWithUser(ScriptedUser& user, const std::function<void()>& call) {
  user.GiveUpAfter(kGiveUpMs);
  if (!user.Start()) return false;
  call();
  user.Stop();
  return true;
}

std::string TextOf(HWND window) {
  char text[kTextCapacity] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ItemText(HWND dialog, int id) {
  char text[kTextCapacity] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}
