#include <commctrl.h>

#include <gtest/gtest.h>

#include "tests/platform/test_support.h"

namespace {

class TrackbarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bar_ = CreateWindowExA(0, TRACKBAR_CLASS, "", WS_CHILD | TBS_NOTICKS, 0, 0, 100, 20, parent_.handle(),
                           reinterpret_cast<HMENU>(9), nullptr, nullptr);
    ASSERT_NE(bar_, nullptr);
  }
  LRESULT SetPosition(LPARAM position) {
    SendMessageA(bar_, TBM_SETPOS, TRUE, position);
    return SendMessageA(bar_, TBM_GETPOS, 0, 0);
  }
  PlainWindow parent_;
  HWND bar_ = nullptr;
};

TEST_F(TrackbarTest, PositionIsClampedToTheRange) {
  SendMessageA(bar_, TBM_SETRANGE, FALSE, MAKELONG(0, 100));
  struct Case {
    LPARAM set;
    LRESULT read;
  } cases[] = {{50, 50}, {150, 100}, {-5, 0}, {100, 100}, {0, 0}};
  for (const Case &c : cases) EXPECT_EQ(SetPosition(c.set), c.read) << c.set;
}

TEST_F(TrackbarTest, RangeHalvesAreSigned16Bit) {
  SendMessageA(bar_, TBM_SETRANGE, TRUE, MAKELONG(-20, 30));
  EXPECT_EQ(SendMessageA(bar_, TBM_GETRANGEMIN, 0, 0), -20);
  EXPECT_EQ(SendMessageA(bar_, TBM_GETRANGEMAX, 0, 0), 30);
  EXPECT_EQ(SetPosition(-100), -20);
  // 70000 does not fit: its low 16 bits (4464) are what the slider gets.
  SendMessageA(bar_, TBM_SETRANGE, TRUE, MAKELONG(0, 70000));
  EXPECT_EQ(SendMessageA(bar_, TBM_GETRANGEMAX, 0, 0), 4464);
}

TEST_F(TrackbarTest, NarrowingTheRangeMovesThePosition) {
  SendMessageA(bar_, TBM_SETRANGE, FALSE, MAKELONG(0, 100));
  SetPosition(80);
  SendMessageA(bar_, TBM_SETRANGE, FALSE, MAKELONG(0, 1));
  EXPECT_EQ(SendMessageA(bar_, TBM_GETPOS, 0, 0), 1);
  SendMessageA(bar_, TBM_SETRANGE, FALSE, MAKELONG(5, 9));
  EXPECT_EQ(SendMessageA(bar_, TBM_GETPOS, 0, 0), 5);
}

TEST_F(TrackbarTest, SettingByCodeDoesNotNotify) {
  SetPosition(3);
  EXPECT_TRUE(parent_.notifications.empty());
}

}  // namespace
