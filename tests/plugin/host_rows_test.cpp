#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/plugin.h"

namespace {

// One callback or window message, in the order it happened.
struct HostEvent {
  std::string kind;  // "rgb", "t", "msg"
  int32_t a;         // row, or wParam
  int32_t b;         // last column, or lParam
  int32_t minusOne;
  int32_t one;
};

std::vector<HostEvent> events;
int32_t hostWidth = 0;

uint8_t PixelByte(int32_t y, int32_t column, int32_t plane) {
  return static_cast<uint8_t>(y * 31 + column * 7 + plane * 101);
}

int MORFEL_CDECL ReadRgb(int32_t y, int32_t first, int32_t last, uint8_t* row, int32_t minusOne) {
  events.push_back({"rgb", y, last, minusOne, 0});
  for (int32_t c = first; c <= last; ++c) {
    for (int32_t k = 0; k < 3; ++k) row[3 * c + k] = PixelByte(y, 3 * c + k, 0);
  }
  return 1;
}

int MORFEL_CDECL ReadT(int32_t y, int32_t first, int32_t last, uint8_t* row, int32_t minusOne,
                       int32_t one) {
  events.push_back({"t", y, last, minusOne, one});
  for (int32_t c = first; c <= last; ++c) row[c] = PixelByte(y, c, 1);
  return 1;
}

std::vector<uint8_t> written;

int MORFEL_CDECL WriteRgb(int32_t y, int32_t, int32_t last, uint8_t* row, int32_t minusOne) {
  events.push_back({"rgb", y, last, minusOne, 0});
  written.insert(written.end(), row, row + 3 * hostWidth);
  return 1;
}

int MORFEL_CDECL WriteT(int32_t y, int32_t, int32_t last, uint8_t* row, int32_t minusOne,
                        int32_t one) {
  events.push_back({"t", y, last, minusOne, one});
  written.insert(written.end(), row, row + hostWidth);
  return 1;
}

LRESULT CALLBACK RecordingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kHostMessage) {
    events.push_back({"msg", static_cast<int32_t>(wParam), static_cast<int32_t>(lParam), 0, 0});
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

class HostRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    events.clear();
    written.clear();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RecordingWindowProc;
    windowClass.lpszClassName = "HostRowsTestWindow";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, "HostRowsTestWindow", "host", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                              100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    Module().hostWindow = window_;
  }
  void TearDown() override {
    Module().hostWindow = nullptr;
    DestroyWindow(window_);
    UnregisterClassA("HostRowsTestWindow", nullptr);
  }
  HWND window_ = nullptr;
};

const RowCallbackTable kReadTable = {ReadRgb, ReadT};
const RowCallbackTable kWriteTable = {WriteRgb, WriteT};

TEST_F(HostRowsTest, ReadsEveryRowRgbBeforeTIntoTheImages) {
  const int32_t size[2] = {5, 3};
  RgbtImage rgb;
  RgbtImage t;
  ReadHostRows(&kReadTable, size, rgb, t);
  ASSERT_EQ(rgb.width, 5);
  ASSERT_EQ(rgb.height, 3);
  ASSERT_EQ(rgb.channels, 3);
  ASSERT_EQ(t.channels, 1);
  ASSERT_EQ(events.size(), 6u);
  for (int32_t y = 0; y < 3; ++y) {
    EXPECT_EQ(events[2 * y].kind, "rgb");
    EXPECT_EQ(events[2 * y].a, y);
    EXPECT_EQ(events[2 * y].b, 4);
    EXPECT_EQ(events[2 * y].minusOne, -1);
    EXPECT_EQ(events[2 * y + 1].kind, "t");
    EXPECT_EQ(events[2 * y + 1].a, y);
    EXPECT_EQ(events[2 * y + 1].minusOne, -1);
    EXPECT_EQ(events[2 * y + 1].one, 1);
    for (int32_t c = 0; c < 15; ++c) EXPECT_EQ(rgb.data[y * rgb.rowLength + c], PixelByte(y, c, 0));
    for (int32_t c = 0; c < 5; ++c) EXPECT_EQ(t.data[y * t.rowLength + c], PixelByte(y, c, 1));
  }
}

TEST_F(HostRowsTest, SizesThatCannotBeHeldReadNoRows) {
  const int32_t sizes[][2] = {{0, 0}, {4, 0}, {0, 4}, {-3, 2}, {2, -3}, {1 << 20, 1 << 20}};
  for (const auto& size : sizes) {
    events.clear();
    RgbtImage rgb;
    RgbtImage t;
    ReadHostRows(&kReadTable, size, rgb, t);
    EXPECT_TRUE(events.empty()) << size[0] << "x" << size[1];
    EXPECT_EQ(rgb.height, 0);
    EXPECT_EQ(t.height, 0);
  }
}

TEST_F(HostRowsTest, MissingTablesOrSizeExchangeNoRows) {
  const int32_t size[2] = {4, 4};
  RgbtImage rgb;
  RgbtImage t;
  ReadHostRows(nullptr, size, rgb, t);
  EXPECT_EQ(rgb.height, 0);
  ReadHostRows(&kReadTable, nullptr, rgb, t);
  EXPECT_EQ(rgb.height, 0);
  RgbtImage full(4, 4, 3);
  RgbtImage fullT(4, 4, 1);
  WriteHostImage(nullptr, full, fullT);
  ASSERT_EQ(events.size(), 1u);  // only the completion
  EXPECT_EQ(events[0].kind, "msg");
}

TEST_F(HostRowsTest, WritesEveryRowOnceInOrderThenCompletes) {
  RgbtImage rgb(4, 3, 3);
  RgbtImage t(4, 3, 1);
  for (int32_t i = 0; i < 36; ++i) rgb.data[i] = static_cast<uint8_t>(i);
  for (int32_t i = 0; i < 12; ++i) t.data[i] = static_cast<uint8_t>(200 + i);
  hostWidth = 4;
  WriteHostImage(&kWriteTable, rgb, t);
  ASSERT_EQ(events.size(), 7u);
  for (int32_t y = 0; y < 3; ++y) {
    EXPECT_EQ(events[2 * y].kind, "rgb");
    EXPECT_EQ(events[2 * y].a, y);
    EXPECT_EQ(events[2 * y].b, 3);
    EXPECT_EQ(events[2 * y + 1].kind, "t");
    EXPECT_EQ(events[2 * y + 1].a, y);
    EXPECT_EQ(events[2 * y + 1].one, 1);
  }
  EXPECT_EQ(events[6].kind, "msg");
  EXPECT_EQ(events[6].a, 0);
  EXPECT_EQ(events[6].b, 0);
  ASSERT_EQ(written.size(), 48u);
  EXPECT_EQ(written[0], 0);
  EXPECT_EQ(written[12], 200);  // first T row follows the first RGB row
  EXPECT_EQ(written[16], 12);
}

TEST_F(HostRowsTest, AnEmptyImageOnlyCompletes) {
  RgbtImage rgb;
  RgbtImage t;
  WriteHostImage(&kWriteTable, rgb, t);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, "msg");
  EXPECT_EQ(events[0].a, 0);
}

TEST_F(HostRowsTest, ProgressIsRowTimesHundredOverTotal) {
  const struct {
    int32_t row;
    int32_t total;
    int32_t percent;
  } cases[] = {
      {0, 1, 0}, {0, 7, 0}, {6, 7, 85}, {99, 100, 99}, {1, 3, 33},
      // Would overflow a 32-bit product.
      {30000000, 30000001, 99},
  };
  for (const auto& c : cases) {
    events.clear();
    ReportProgress(c.row, c.total);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].a, 3);
    EXPECT_EQ(events[0].b, c.percent) << c.row << "/" << c.total;
  }
  events.clear();
  ReportProgress(0, 0);
  EXPECT_TRUE(events.empty());
}

}  // namespace
