// A host as the plug-in sees it: a window that records every message sent to
// it, row callbacks that hand out a test image and record every call, and a
// base folder of its own under the temporary folder.
#ifndef MORFEL_TESTS_PLUGIN_HOST_FAKE_HOST_H
#define MORFEL_TESTS_PLUGIN_HOST_FAKE_HOST_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/exports.h"
#include "tests/plugin/host/watchdog.h"

// One row callback or host message, in the order it happened.
struct HostEvent {
  enum Kind { kReadRgb, kReadT, kWriteRgb, kWriteT, kMessage };
  Kind kind;
  int32_t row;         // row of a callback; wParam of a message
  int32_t lastColumn;  // last column of a callback; lParam of a message
  int32_t minusOne;    // callbacks: the constant -1
  int32_t one;         // T callbacks: the constant 1
  UINT message;        // messages only
};

class FakeHost {
 public:
  // Gives the host an image of width x height whose pixels follow SourceByte.
  FakeHost(int32_t width, int32_t height);
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  static uint8_t SourceRgb(int32_t x, int32_t y, int32_t k);
  static uint8_t SourceT(int32_t x, int32_t y);

  int32_t FilterProcCall();
  // FilterProc told the image is width x height (the callbacks serve the
  // host's own image, so none may be called).
  int32_t FilterProcCallClaiming(int32_t width, int32_t height);
  // The user presses Esc when the first progress report arrives, and keeps
  // it down until the host goes; the run must be over within
  // kEscapeSeconds of it (the watchdog ends the test program otherwise).
  void PressEscapeAtFirstProgress() { pressEscape_ = true; }
  static constexpr int kEscapeSeconds = 10;
  int32_t FilterOptionCall();

  HWND window() const { return window_; }
  const std::string& baseFolder() const { return baseFolder_; }
  const std::vector<HostEvent>& events() const { return events_; }
  std::vector<HostEvent> EventsOf(HostEvent::Kind kind) const;
  // Result bytes as the host took them back (the source where not written).
  uint8_t ResultRgb(int32_t x, int32_t y, int32_t k) const;
  uint8_t ResultT(int32_t x, int32_t y) const;

  // Files under the base folder.
  std::string DataPath(const std::string& name) const;  // in the data folder
  void WriteLibrary(const std::string& text) const;
  bool FileExists(const std::string& path) const;
  std::string ReadFile(const std::string& path) const;
  void WriteFile(const std::string& path, const std::string& text) const;

 private:
  friend struct HostCallbacks;
  void Record(const HostEvent& event) { events_.push_back(event); }

  int32_t size_[2];
  bool pressEscape_ = false;
  Watchdog escapeWatchdog_;
  std::vector<uint8_t> resultRgb_;
  std::vector<uint8_t> resultT_;
  std::vector<HostEvent> events_;
  std::string baseFolder_;
  HWND window_ = nullptr;
};

// One library section per program, in the library file's format.
struct LibraryProgram {
  std::string group;
  std::string name;
  std::string init;       // CR LF line breaks
  std::string transform;  // CR LF line breaks
};
std::string LibraryText(const std::vector<LibraryProgram>& programs);

#endif
