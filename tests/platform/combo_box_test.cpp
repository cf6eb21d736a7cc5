#include <windows.h>

#include <gtest/gtest.h>

#include "tests/platform/test_support.h"

namespace {

class ComboBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    combo_ = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 0, 0, 100, 100,
                             parent_.handle(), reinterpret_cast<HMENU>(7), nullptr, nullptr);
    ASSERT_NE(combo_, nullptr);
    for (const char *item : {"Round", "Linear", "Bezier", "Colour"}) Add(item);
  }
  LRESULT Add(const char *text) { return SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)); }
  LRESULT Find(WPARAM start, const char *text) {
    return SendMessageA(combo_, CB_FINDSTRINGEXACT, start, reinterpret_cast<LPARAM>(text));
  }
  PlainWindow parent_;
  HWND combo_ = nullptr;
};

TEST_F(ComboBoxTest, AddAppendsAndReportsTheIndex) {
  EXPECT_EQ(Add("Last"), 4);
  EXPECT_EQ(SendMessageA(combo_, CB_GETCOUNT, 0, 0), 5);
  char text[16];
  EXPECT_EQ(SendMessageA(combo_, CB_GETLBTEXT, 4, reinterpret_cast<LPARAM>(text)), 4);
  EXPECT_STREQ(text, "Last");
  EXPECT_EQ(SendMessageA(combo_, CB_GETLBTEXTLEN, 1, 0), 6);
  EXPECT_EQ(SendMessageA(combo_, CB_GETLBTEXT, 9, reinterpret_cast<LPARAM>(text)), CB_ERR);
}

TEST_F(ComboBoxTest, ExactSearchIgnoresLetterCase) {
  struct Case {
    WPARAM start;
    const char *text;
    LRESULT expected;
  } cases[] = {
      {static_cast<WPARAM>(-1), "colour", 3}, {static_cast<WPARAM>(-1), "LINEAR", 1},
      {static_cast<WPARAM>(-1), "Line", CB_ERR},  // exact: a prefix is not enough
      {static_cast<WPARAM>(-1), "Colours", CB_ERR},
      {1, "round", 0},  // searching from after item 1 wraps around to the start
      {0, "round", 0},  // and ends at the start item itself
  };
  for (const Case &c : cases) EXPECT_EQ(Find(c.start, c.text), c.expected) << c.text << " from " << c.start;
}

TEST_F(ComboBoxTest, SelectionOutOfRangeClearsItAndFails) {
  EXPECT_EQ(SendMessageA(combo_, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessageA(combo_, CB_SETCURSEL, 2, 0), 2);
  EXPECT_EQ(SendMessageA(combo_, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(TextOf(combo_), "Bezier");
  EXPECT_EQ(SendMessageA(combo_, CB_SETCURSEL, 4, 0), CB_ERR);
  EXPECT_EQ(SendMessageA(combo_, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(TextOf(combo_), "");
  SendMessageA(combo_, CB_SETCURSEL, 1, 0);
  EXPECT_EQ(SendMessageA(combo_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0), CB_ERR);
  EXPECT_EQ(SendMessageA(combo_, CB_GETCURSEL, 0, 0), CB_ERR);
}

TEST_F(ComboBoxTest, SelectingByCodeDoesNotNotify) {
  SendMessageA(combo_, CB_SETCURSEL, 1, 0);
  EXPECT_TRUE(parent_.notifications.empty());
}

TEST_F(ComboBoxTest, ResetEmptiesListAndSelection) {
  SendMessageA(combo_, CB_SETCURSEL, 1, 0);
  SendMessageA(combo_, CB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessageA(combo_, CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageA(combo_, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(Find(static_cast<WPARAM>(-1), "Round"), CB_ERR);
  EXPECT_EQ(Add("Again"), 0);
}

TEST_F(ComboBoxTest, DropDownListTextSelectsAnItemOrIsRefused) {
  EXPECT_TRUE(SetWindowTextA(combo_, "bezier"));
  EXPECT_EQ(SendMessageA(combo_, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(TextOf(combo_), "Bezier");
  EXPECT_FALSE(SetWindowTextA(combo_, "Cubic"));
  EXPECT_EQ(SendMessageA(combo_, CB_GETCURSEL, 0, 0), 2);
}

TEST_F(ComboBoxTest, DropDownComboKeepsTypedText) {
  HWND editable = CreateWindowExA(0, "ComboBox", "", WS_CHILD | CBS_DROPDOWN, 0, 0, 100, 100, parent_.handle(),
                                  reinterpret_cast<HMENU>(8), nullptr, nullptr);
  SetWindowTextA(editable, "name.mfp");
  EXPECT_EQ(TextOf(editable), "name.mfp");
  EXPECT_EQ(SendMessageA(editable, CB_GETCURSEL, 0, 0), CB_ERR);
}

}  // namespace
