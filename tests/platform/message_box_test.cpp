#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/platform/test_support.h"

namespace {

// Answers the next message box from a hook and a timer, as a user would.
int g_answer;
std::string g_text, g_title;
HHOOK g_hook;

void CALLBACK Answer(HWND box, UINT, UINT_PTR id, DWORD) {
  KillTimer(box, id);
  char text[256];
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  g_text = text;
  g_title = TextOf(box);
  if (g_answer) PostMessageA(box, WM_COMMAND, g_answer, 0);
}

LRESULT CALLBACK WatchBoxes(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) SetTimer(reinterpret_cast<HWND>(wParam), 1, 20, Answer);
  return CallNextHookEx(g_hook, code, wParam, lParam);
}

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_answer = 0;
    g_text.clear();
    g_title.clear();
    g_hook = SetWindowsHookExA(WH_CBT, WatchBoxes, nullptr, GetCurrentThreadId());
  }
  void TearDown() override { UnhookWindowsHookEx(g_hook); }
};

TEST_F(MessageBoxTest, WithoutAnAnswerTheDefaultButtonWins) {
  struct Case {
    UINT type;
    int result;
  } cases[] = {
      {MB_OK, IDOK},
      {MB_OK | MB_ICONSTOP, IDOK},
      {MB_YESNO | MB_ICONQUESTION, IDYES},
      {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, IDNO},
      {MB_OK | MB_DEFBUTTON2, IDOK},  // no second button: the first is the default
  };
  for (const Case &c : cases) EXPECT_EQ(MessageBoxA(nullptr, "text", "title", c.type), c.result) << c.type;
}

TEST_F(MessageBoxTest, TextAndTitleAreReadable) {
  g_answer = IDNO;
  EXPECT_EQ(MessageBoxA(nullptr, "Do you overwrite?", "message", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(g_text, "Do you overwrite?");
  EXPECT_EQ(g_title, "message");
  g_answer = IDYES;
  EXPECT_EQ(MessageBoxA(nullptr, "Again?", nullptr, MB_YESNO | MB_DEFBUTTON2), IDYES);
  EXPECT_EQ(g_title, "Error");  // the title of a box without one
}

TEST_F(MessageBoxTest, AnswersThatAreNotButtonsAreIgnored) {
  g_answer = IDOK;  // a Yes/No box has no OK: the box goes on to its default
  EXPECT_EQ(MessageBoxA(nullptr, "q", "message", MB_YESNO | MB_DEFBUTTON2), IDNO);
  g_answer = IDCANCEL;  // Escape on an OK box answers OK
  EXPECT_EQ(MessageBoxA(nullptr, "q", "message", MB_OK), IDOK);
}

TEST_F(MessageBoxTest, OwnerIsDisabledMeanwhile) {
  PlainWindow owner;
  g_answer = IDOK;
  MessageBoxA(owner.handle(), "x", "y", MB_OK);
  EXPECT_TRUE(IsWindowEnabled(owner.handle()));
  EXPECT_EQ(MessageBoxA(reinterpret_cast<HWND>(0x12345678), "x", "y", MB_OK), IDOK);  // unknown owner: none
}

}  // namespace
