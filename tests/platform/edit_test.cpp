#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/platform/test_support.h"

namespace {

class EditTest : public ::testing::Test {
 protected:
  HWND Create(DWORD style) {
    return CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | style, 0, 0, 100, 20, parent_.handle(),
                           reinterpret_cast<HMENU>(12), nullptr, nullptr);
  }
  void Type(HWND edit, const char *text) {
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
  }
  int Changes() const {
    int count = 0;
    for (const Notification &n : parent_.notifications) count += n.id == 12 && n.code == EN_CHANGE;
    return count;
  }
  PlainWindow parent_;
};

TEST_F(EditTest, MultiLineTextKeepsCrLf) {
  HWND edit = Create(ES_MULTILINE);
  SetWindowTextA(edit, "a=1;\r\nb=2;\r\n");
  EXPECT_EQ(TextOf(edit), "a=1;\r\nb=2;\r\n");
  Type(edit, "c=3;\r\n");
  EXPECT_EQ(TextOf(edit), "c=3;\r\n");
}

TEST_F(EditTest, TypingHonoursTheLimit) {
  HWND edit = Create(ES_AUTOHSCROLL);
  SendMessageA(edit, EM_LIMITTEXT, 5, 0);
  Type(edit, "abcdefgh");
  EXPECT_EQ(TextOf(edit), "abcde");
  // Code that sets the text is not bound by the limit, as on Windows.
  SetWindowTextA(edit, "1234567");
  EXPECT_EQ(TextOf(edit), "1234567");
  // Limit 0 lifts the limit.
  SendMessageA(edit, EM_LIMITTEXT, 0, 0);
  std::string longText(40000, 'a');
  Type(edit, longText.c_str());
  EXPECT_EQ(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0), 40000);
}

TEST_F(EditTest, TypingReplacesTheSelection) {
  HWND edit = Create(0);
  SetWindowTextA(edit, "hello world");
  SendMessageA(edit, EM_SETSEL, 6, 11);
  SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("there"));
  EXPECT_EQ(TextOf(edit), "hello there");
  SendMessageA(edit, EM_SETSEL, 100, 200);  // beyond the end: at the end
  SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("!"));
  EXPECT_EQ(TextOf(edit), "hello there!");
}

TEST_F(EditTest, ChangesNotifyExceptMultiLineSetText) {
  struct Case {
    DWORD style;
    bool typed;
    int changes;
  } cases[] = {{0, false, 1}, {0, true, 1}, {ES_MULTILINE, false, 0}, {ES_MULTILINE, true, 1}};
  for (const Case &c : cases) {
    parent_.notifications.clear();
    HWND edit = Create(c.style);
    if (c.typed)
      Type(edit, "x");
    else
      SetWindowTextA(edit, "x");
    EXPECT_EQ(Changes(), c.changes) << c.style << " typed " << c.typed;
    DestroyWindow(edit);
  }
}

TEST_F(EditTest, GetTextTruncatesToTheBuffer) {
  HWND edit = Create(0);
  SetWindowTextA(edit, "abcdef");
  char text[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(GetWindowTextA(edit, text, sizeof text), 3);
  EXPECT_STREQ(text, "abc");
  EXPECT_EQ(GetWindowTextA(edit, text, 0), 0);
  EXPECT_EQ(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0), 6);
}

}  // namespace
