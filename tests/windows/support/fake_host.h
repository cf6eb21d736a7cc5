// A host image editor as the plug-in sees it: a window that receives the
// progress and completion messages, and row callbacks that hand out a known
// image and take the result back, recording every call in order.
#ifndef MORFEL_TESTS_WINDOWS_FAKE_HOST_H
#define MORFEL_TESTS_WINDOWS_FAKE_HOST_H

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "plugin/exports.h"
#include "tests/plugin/host/watchdog.h"

struct RowCall {
  bool tPlane;  // entry 1 (T row) rather than entry 0 (RGB row)
  int32_t y, firstColumn, lastColumn, minusOne, one;  // one: -7 for RGB rows, which have none
};

struct HostMessage {
  WPARAM first;
  LPARAM second;
};

class FakeHost {
 public:
  // The source pixel (x, y) has blue x, green y, red x + y (all modulo 256),
  // T 255 - x.
  FakeHost(int32_t width, int32_t height);
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  // The user presses Esc when the first progress report arrives, and keeps
  // it down until the host goes; the run must be over within
  // kEscapeSeconds of it (the watchdog ends the test program otherwise).
  void PressEscapeAtFirstProgress() { pressEscape_ = true; }
  static constexpr int kEscapeSeconds = 10;

  // Replaces one source pixel, for a host that shows a real picture.
  void SetSourcePixel(int32_t x, int32_t y, const uint8_t bgr[3], uint8_t t);

  HWND window() const { return window_; }
  const int32_t* imageSize() const { return size_; }
  const RowCallbackTable* readTable() const { return &readTable_; }
  const RowCallbackTable* writeTable() const { return &writeTable_; }

  const std::vector<RowCall>& reads() const { return reads_; }
  const std::vector<RowCall>& writes() const { return writes_; }
  const std::vector<HostMessage>& messages() const { return messages_; }
  // Calls whose arguments did not fit the image (nothing was copied).
  int badCalls() const { return badCalls_; }

  const uint8_t* sourceRgb(int32_t x, int32_t y) const { return &sourceRgb_[Index(x, y) * 3]; }
  uint8_t sourceT(int32_t x, int32_t y) const { return sourceT_[Index(x, y)]; }
  const uint8_t* resultRgb(int32_t x, int32_t y) const { return &resultRgb_[Index(x, y) * 3]; }
  uint8_t resultT(int32_t x, int32_t y) const { return resultT_[Index(x, y)]; }

 private:
  void HoldEscape();
  static int MORFEL_CDECL ReadRgb(int32_t y, int32_t first, int32_t last, uint8_t* row, int32_t m);
  static int MORFEL_CDECL ReadT(int32_t y, int32_t first, int32_t last, uint8_t* row, int32_t m,
                                int32_t one);
  static int MORFEL_CDECL WriteRgb(int32_t y, int32_t first, int32_t last, uint8_t* row, int32_t m);
  static int MORFEL_CDECL WriteT(int32_t y, int32_t first, int32_t last, uint8_t* row, int32_t m,
                                 int32_t one);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM first, LPARAM second);

  size_t Index(int32_t x, int32_t y) const { return static_cast<size_t>(y) * size_[0] + x; }
  bool Fits(int32_t y, int32_t first, int32_t last, const uint8_t* row);

  int32_t size_[2];
  HWND window_ = nullptr;
  RowCallbackTable readTable_;
  RowCallbackTable writeTable_;
  std::vector<uint8_t> sourceRgb_, sourceT_, resultRgb_, resultT_;
  std::vector<RowCall> reads_, writes_;
  std::vector<HostMessage> messages_;
  int badCalls_ = 0;
  bool pressEscape_ = false;
  bool escapeDown_ = false;
  std::atomic<bool> holdingEscape_{false};
  std::thread escapeHolder_;
  Watchdog escapeWatchdog_;
};

#endif
