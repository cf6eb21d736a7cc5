#include "tests/windows/support/fake_host.h"

namespace {

const char kWindowClass[] = "MorfelFakeHost";
constexpr int32_t kNoSixthArgument = -7;

// The callbacks carry no context: they reach the one host alive here.
FakeHost* currentHost = nullptr;

}  // namespace

FakeHost::FakeHost(int32_t width, int32_t height) : size_{width, height} {
  currentHost = this;
  readTable_ = {ReadRgb, ReadT};
  writeTable_ = {WriteRgb, WriteT};
  const size_t pixels = static_cast<size_t>(width) * height;
  sourceRgb_.resize(pixels * 3);
  sourceT_.resize(pixels);
  resultRgb_.assign(pixels * 3, 0);
  resultT_.assign(pixels, 0);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* pixel = &sourceRgb_[Index(x, y) * 3];
      pixel[0] = static_cast<uint8_t>(x);
      pixel[1] = static_cast<uint8_t>(y);
      pixel[2] = static_cast<uint8_t>(x + y);
      sourceT_[Index(x, y)] = static_cast<uint8_t>(255 - x);
    }
  }
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassA(&windowClass);  // fails harmlessly when already registered
  window_ = CreateWindowA(kWindowClass, "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                          nullptr, GetModuleHandleA(nullptr), nullptr);
}

FakeHost::~FakeHost() {
  escapeWatchdog_.Disarm();
  if (escapeDown_) {
    // The key goes up, and neither its going down nor up may reach the
    // windows of a later test: under wine they are real input messages.
    holdingEscape_ = false;
    escapeHolder_.join();
    keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    for (int pause = 0; pause < 5; ++pause) {
      Sleep(10);
      MSG message;
      while (PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
      }
    }
  }
  if (window_ != nullptr) DestroyWindow(window_);
  currentHost = nullptr;
}

void FakeHost::SetSourcePixel(int32_t x, int32_t y, const uint8_t bgr[3], uint8_t t) {
  if (x < 0 || y < 0 || x >= size_[0] || y >= size_[1]) return;
  CopyMemory(&sourceRgb_[Index(x, y) * 3], bgr, 3);
  sourceT_[Index(x, y)] = t;
}

bool FakeHost::Fits(int32_t y, int32_t first, int32_t last, const uint8_t* row) {
  if (row != nullptr && y >= 0 && y < size_[1] && first == 0 && last == size_[0] - 1) return true;
  ++badCalls_;
  return false;
}

int MORFEL_CDECL FakeHost::ReadRgb(int32_t y, int32_t first, int32_t last, uint8_t* row,
                                   int32_t m) {
  FakeHost& host = *currentHost;
  host.reads_.push_back({false, y, first, last, m, kNoSixthArgument});
  if (host.Fits(y, first, last, row)) {
    CopyMemory(row, &host.sourceRgb_[host.Index(0, y) * 3], static_cast<size_t>(host.size_[0]) * 3);
  }
  return 1;
}

int MORFEL_CDECL FakeHost::ReadT(int32_t y, int32_t first, int32_t last, uint8_t* row, int32_t m,
                                 int32_t one) {
  FakeHost& host = *currentHost;
  host.reads_.push_back({true, y, first, last, m, one});
  if (host.Fits(y, first, last, row)) {
    CopyMemory(row, &host.sourceT_[host.Index(0, y)], static_cast<size_t>(host.size_[0]));
  }
  return 1;
}

int MORFEL_CDECL FakeHost::WriteRgb(int32_t y, int32_t first, int32_t last, uint8_t* row,
                                    int32_t m) {
  FakeHost& host = *currentHost;
  host.writes_.push_back({false, y, first, last, m, kNoSixthArgument});
  if (host.Fits(y, first, last, row)) {
    CopyMemory(&host.resultRgb_[host.Index(0, y) * 3], row, static_cast<size_t>(host.size_[0]) * 3);
  }
  return 1;
}

int MORFEL_CDECL FakeHost::WriteT(int32_t y, int32_t first, int32_t last, uint8_t* row, int32_t m,
                                  int32_t one) {
  FakeHost& host = *currentHost;
  host.writes_.push_back({true, y, first, last, m, one});
  if (host.Fits(y, first, last, row)) {
    CopyMemory(&host.resultT_[host.Index(0, y)], row, static_cast<size_t>(host.size_[0]));
  }
  return 1;
}

// Held as a key that repeats: wine may take the state of a key pressed
// only once back from the X server when the focus moves (as the dialog
// closes), so the key is pressed again every few milliseconds until the
// host goes.
void FakeHost::HoldEscape() {
  escapeDown_ = true;
  holdingEscape_ = true;
  escapeWatchdog_.Arm("the run Esc was pressed in", kEscapeSeconds);
  keybd_event(VK_ESCAPE, 0, 0, 0);
  escapeHolder_ = std::thread([this] {
    while (holdingEscape_) {
      Sleep(20);
      keybd_event(VK_ESCAPE, 0, 0, 0);
    }
  });
}

LRESULT CALLBACK FakeHost::WindowProc(HWND window, UINT message, WPARAM first, LPARAM second) {
  if (message == kHostMessage && currentHost != nullptr) {
    currentHost->messages_.push_back({first, second});
    if (currentHost->pressEscape_ && first == kProgressReport) {
      currentHost->pressEscape_ = false;
      currentHost->HoldEscape();
    }
    return 0;
  }
  return DefWindowProcA(window, message, first, second);
}
