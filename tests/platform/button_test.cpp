#include <windows.h>

#include <gtest/gtest.h>

#include "tests/platform/test_support.h"

namespace {

HWND MakeButton(HWND parent, DWORD type, int id) {
  return CreateWindowExA(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE | type, 0, 0, 50, 20, parent,
                         reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
}

TEST(ButtonTest, ClickNotifiesTheParent) {
  PlainWindow parent;
  HWND button = MakeButton(parent.handle(), BS_PUSHBUTTON, 42);
  SendMessageA(button, BM_CLICK, 0, 0);
  ASSERT_EQ(parent.notifications.size(), 1u);
  EXPECT_EQ(parent.notifications[0], (Notification{WM_COMMAND, 42, BN_CLICKED}));
}

TEST(ButtonTest, AutoCheckBoxTogglesBeforeNotifying) {
  PlainWindow parent;
  HWND box = MakeButton(parent.handle(), BS_AUTOCHECKBOX | BS_LEFTTEXT, 5);
  EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  SendMessageA(box, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageA(box, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(parent.notifications.size(), 2u);
  // A plain push button has no check state to change.
  HWND push = MakeButton(parent.handle(), BS_PUSHBUTTON, 6);
  SendMessageA(push, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageA(push, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST(ButtonTest, DisabledButtonCannotBeClicked) {
  PlainWindow parent;
  HWND button = MakeButton(parent.handle(), BS_AUTOCHECKBOX, 7);
  EnableWindow(button, FALSE);
  SendMessageA(button, BM_CLICK, 0, 0);
  EXPECT_TRUE(parent.notifications.empty());
  EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST(ButtonTest, SetCheckDoesNotNotify) {
  PlainWindow parent;
  HWND box = MakeButton(parent.handle(), BS_AUTOCHECKBOX, 8);
  SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(parent.notifications.empty());
}

}  // namespace
