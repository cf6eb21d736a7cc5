#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/platform/test_support.h"

namespace {

std::string g_log;

void CALLBACK LogTimer(HWND window, UINT message, UINT_PTR id, DWORD) {
  EXPECT_EQ(message, static_cast<UINT>(WM_TIMER));
  g_log += std::to_string(id) + "@" + std::to_string(GetTickCount()) + " ";
  if (id == 3) KillTimer(window, id);
  if (id == 1) EndDialog(window, IDOK);
}

TEST(ModalLoopTest, TimersFireInOrderOfDueTime) {
  g_log.clear();
  TestDialog dialog;
  DWORD start = 0;
  dialog.onInit = [&](HWND window) {
    start = GetTickCount();
    SetTimer(window, 1, 100, LogTimer);
    SetTimer(window, 2, 30, LogTimer);
    SetTimer(window, 3, 30, LogTimer);  // same due time: set later, fires later
  };
  EXPECT_EQ(RunTestDialog(&dialog), IDOK);
  std::string expected = "2@" + std::to_string(start + 30) + " 3@" + std::to_string(start + 30) + " 2@" +
                         std::to_string(start + 60) + " 2@" + std::to_string(start + 90) + " 1@" +
                         std::to_string(start + 100) + " ";
  EXPECT_EQ(g_log, expected);
}

TEST(ModalLoopTest, TimersThatNeverStopDoNotHoldTheDialogForEver) {
  TestDialog dialog;
  dialog.onInit = [](HWND window) { SetTimer(window, 1, 60 * 1000, nullptr); };
  DWORD start = GetTickCount();
  EXPECT_EQ(RunTestDialog(&dialog), IDCANCEL);
  EXPECT_GE(GetTickCount() - start, 60u * 60 * 1000);
}

std::string g_order;

TEST(ModalLoopTest, PostedMessagesRunBeforeTimers) {
  g_order.clear();
  TestDialog dialog;
  dialog.onInit = [](HWND window) {
    SetTimer(window, 1, 10, [](HWND w, UINT, UINT_PTR, DWORD) {
      g_order += "timer ";
      EndDialog(w, 5);
    });
    PostMessageA(window, WM_COMMAND, 1000, 0);
  };
  dialog.onCommand = [](HWND, int id, int) {
    if (id == 1000) g_order += "posted ";
    return id == 1000;
  };
  EXPECT_EQ(RunTestDialog(&dialog), 5);
  EXPECT_EQ(g_order, "posted timer ");
}

TEST(ModalLoopTest, KilledTimerDoesNotFireAndWindowTimersDieWithIt) {
  TestDialog dialog;
  static int s_fired;
  s_fired = 0;
  dialog.onInit = [&](HWND window) {
    SetTimer(window, 1, 10, [](HWND, UINT, UINT_PTR, DWORD) { ++s_fired; });
    EXPECT_TRUE(KillTimer(window, 1));
    EXPECT_FALSE(KillTimer(window, 1));
    SetTimer(window, 2, 10, [](HWND, UINT, UINT_PTR, DWORD) { ++s_fired; });
    EndDialog(window, IDOK);
  };
  RunTestDialog(&dialog);
  EXPECT_FALSE(KillTimer(dialog.window, 2));  // went with the window
  EXPECT_EQ(s_fired, 0);
  EXPECT_EQ(SetTimer(dialog.window, 1, 10, nullptr), 0u);
}

TEST(ModalLoopTest, StaleHandlesAreHarmless) {
  TestDialog dialog;
  dialog.onInit = [](HWND window) { EndDialog(window, IDOK); };
  RunTestDialog(&dialog);
  HWND gone = dialog.window;
  EXPECT_FALSE(IsWindow(gone));
  EXPECT_EQ(SendMessageA(gone, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_FALSE(PostMessageA(gone, WM_CLOSE, 0, 0));
  EXPECT_FALSE(DestroyWindow(gone));
  EXPECT_FALSE(EndDialog(gone, 1));
  RECT rect;
  EXPECT_FALSE(GetWindowRect(gone, &rect));
  EXPECT_EQ(GetDlgItem(gone, IDOK), nullptr);
}

TEST(ModalLoopTest, DestroyingAWindowFromItsOwnTeardownEndsOnce) {
  static int s_destroys;
  s_destroys = 0;
  WNDCLASSA windowClass = {};
  windowClass.lpszClassName = "MorfelSelfDestroyer";
  windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (message == WM_DESTROY || message == WM_NCDESTROY) {
      ++s_destroys;
      EXPECT_FALSE(DestroyWindow(window));
    }
    return DefWindowProcA(window, message, wParam, lParam);
  };
  ASSERT_NE(RegisterClassA(&windowClass), 0);
  HWND window = CreateWindowExA(0, "MorfelSelfDestroyer", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_EQ(s_destroys, 2);  // WM_DESTROY and WM_NCDESTROY, once each
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(UnregisterClassA("MorfelSelfDestroyer", nullptr));
}

TEST(ModalLoopTest, VisibleInvalidWindowsArePainted) {
  TestDialog dialog;
  static int s_paints;
  s_paints = 0;
  WNDCLASSA windowClass = {};
  windowClass.lpszClassName = "MorfelPaintCounter";
  windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (message == WM_PAINT) ++s_paints;
    return DefWindowProcA(window, message, wParam, lParam);
  };
  RegisterClassA(&windowClass);
  dialog.onInit = [](HWND window) {
    CreateWindowExA(0, "MorfelPaintCounter", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, window, nullptr, nullptr,
                    nullptr);
    CreateWindowExA(0, "MorfelPaintCounter", "", WS_CHILD, 0, 0, 10, 10, window, nullptr, nullptr, nullptr);
  };
  RunTestDialog(&dialog);
  EXPECT_EQ(s_paints, 1);  // the hidden one is never painted
  EXPECT_TRUE(UnregisterClassA("MorfelPaintCounter", nullptr));
  EXPECT_FALSE(UnregisterClassA("Button", nullptr));
}

}  // namespace
