#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/test_support.h"

namespace {

std::vector<std::string> g_activated;
HHOOK g_hook;

LRESULT CALLBACK RecordActivation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) g_activated.push_back(TextOf(reinterpret_cast<HWND>(wParam)));
  return CallNextHookEx(g_hook, code, wParam, lParam);
}

class HookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_activated.clear();
    g_hook = SetWindowsHookExA(WH_CBT, RecordActivation, nullptr, GetCurrentThreadId());
    ASSERT_NE(g_hook, nullptr);
  }
  void TearDown() override { EXPECT_TRUE(UnhookWindowsHookEx(g_hook)); }
};

TEST_F(HookTest, DialogIsActivatedAgainWhenABoxOverItCloses) {
  TestDialog dialog;
  dialog.onInit = [](HWND window) { PostMessageA(window, WM_COMMAND, IDC_TEST_ASK, 0); };
  dialog.onCommand = [](HWND window, int id, int) {
    if (id != IDC_TEST_ASK) return false;
    MessageBoxA(window, "Sure?", "message", MB_YESNO);
    EndDialog(window, IDOK);
    return true;
  };
  EXPECT_EQ(RunTestDialog(&dialog), IDOK);
  EXPECT_EQ(g_activated, (std::vector<std::string>{"Test \"dialog\"", "message", "Test \"dialog\""}));
}

TEST_F(HookTest, DialogEndedWhileSetUpIsNeverActivated) {
  TestDialog dialog;
  dialog.onInit = [](HWND window) { EndDialog(window, 3); };
  EXPECT_EQ(RunTestDialog(&dialog), 3);
  EXPECT_TRUE(g_activated.empty());
}

TEST_F(HookTest, HooksOfOtherThreadsAndOtherKindsAreNotCalled) {
  EXPECT_EQ(SetWindowsHookExA(3, RecordActivation, nullptr, 0), nullptr);  // only WH_CBT exists
  HHOOK other = SetWindowsHookExA(WH_CBT, RecordActivation, nullptr, GetCurrentThreadId() + 1);
  TestDialog dialog;
  RunTestDialog(&dialog);
  EXPECT_EQ(g_activated.size(), 1u);  // once, through the hook of this thread
  EXPECT_TRUE(UnhookWindowsHookEx(other));
  EXPECT_FALSE(UnhookWindowsHookEx(other));
}

TEST_F(HookTest, NextHookInTheChainIsCalled) {
  static int s_inner;
  s_inner = 0;
  // The newer hook is called first and passes on to the older one.
  static HHOOK s_newer;
  s_newer = SetWindowsHookExA(
      WH_CBT,
      [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
        ++s_inner;
        return CallNextHookEx(s_newer, code, wParam, lParam);
      },
      nullptr, 0);
  TestDialog dialog;
  RunTestDialog(&dialog);
  EXPECT_EQ(s_inner, 1);
  EXPECT_EQ(g_activated.size(), 1u);
  UnhookWindowsHookEx(s_newer);
}

}  // namespace
