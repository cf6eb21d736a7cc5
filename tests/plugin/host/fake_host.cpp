#include "tests/plugin/host/fake_host.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

struct HostCallbacks {
  static FakeHost* host;

  static int MORFEL_CDECL ReadRgb(int32_t y, int32_t, int32_t last, uint8_t* row,
                                  int32_t minusOne) {
    host->Record({HostEvent::kReadRgb, y, last, minusOne, 0, 0});
    for (int32_t x = 0; x <= last; ++x) {
      for (int32_t k = 0; k < 3; ++k) row[3 * x + k] = FakeHost::SourceRgb(x, y, k);
    }
    return 1;
  }

  static int MORFEL_CDECL ReadT(int32_t y, int32_t, int32_t last, uint8_t* row, int32_t minusOne,
                                int32_t one) {
    host->Record({HostEvent::kReadT, y, last, minusOne, one, 0});
    for (int32_t x = 0; x <= last; ++x) row[x] = FakeHost::SourceT(x, y);
    return 1;
  }

  static int MORFEL_CDECL WriteRgb(int32_t y, int32_t, int32_t last, uint8_t* row,
                                   int32_t minusOne) {
    host->Record({HostEvent::kWriteRgb, y, last, minusOne, 0, 0});
    const int32_t width = host->size_[0];
    for (int32_t i = 0; i < 3 * width; ++i) host->resultRgb_[3 * width * y + i] = row[i];
    return 1;
  }

  static int MORFEL_CDECL WriteT(int32_t y, int32_t, int32_t last, uint8_t* row, int32_t minusOne,
                                 int32_t one) {
    host->Record({HostEvent::kWriteT, y, last, minusOne, one, 0});
    const int32_t width = host->size_[0];
    for (int32_t i = 0; i < width; ++i) host->resultT_[width * y + i] = row[i];
    return 1;
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Everything from WM_USER up is what a plug-in may send its host.
    if (message >= WM_USER && host != nullptr) {
      host->Record({HostEvent::kMessage, static_cast<int32_t>(wParam), static_cast<int32_t>(lParam),
                    0, 0, message});
      if (host->pressEscape_ && wParam == kProgressReport) {
        keybd_event(VK_ESCAPE, 0, 0, 0);
        host->pressEscape_ = false;
        host->escapeWatchdog_.Arm("the run Esc was pressed in", FakeHost::kEscapeSeconds);
      }
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }
};

FakeHost* HostCallbacks::host = nullptr;

namespace {

const char kHostClass[] = "MorfelTestHost";
const RowCallbackTable kReadTable = {HostCallbacks::ReadRgb, HostCallbacks::ReadT};
const RowCallbackTable kWriteTable = {HostCallbacks::WriteRgb, HostCallbacks::WriteT};

}  // namespace

FakeHost::FakeHost(int32_t width, int32_t height) : size_{width, height} {
  HostCallbacks::host = this;
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  resultRgb_.assign(3 * pixels, 0);
  resultT_.assign(pixels, 0);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      for (int32_t k = 0; k < 3; ++k) resultRgb_[3 * (y * width + x) + k] = SourceRgb(x, y, k);
      resultT_[y * width + x] = SourceT(x, y);
    }
  }
  char folder[] = "/tmp/morfel_plugin_XXXXXX";
  if (mkdtemp(folder) != nullptr) baseFolder_ = std::string(folder) + "/";
  std::filesystem::create_directories(baseFolder_ + "Tarvo/Param");
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = HostCallbacks::WindowProc;
  windowClass.lpszClassName = kHostClass;
  RegisterClassA(&windowClass);
  window_ = CreateWindowExA(0, kHostClass, "host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                            nullptr, nullptr, nullptr);
}

FakeHost::~FakeHost() {
  keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
  DestroyWindow(window_);
  UnregisterClassA(kHostClass, nullptr);
  HostCallbacks::host = nullptr;
  std::error_code ignored;
  if (!baseFolder_.empty()) std::filesystem::remove_all(baseFolder_, ignored);
}

uint8_t FakeHost::SourceRgb(int32_t x, int32_t y, int32_t k) {
  return static_cast<uint8_t>(x * 5 + y * 11 + k * 60);
}

uint8_t FakeHost::SourceT(int32_t x, int32_t y) { return static_cast<uint8_t>(x * 3 + y * 7 + 1); }

int32_t FakeHost::FilterProcCall() {
  return FilterProc(window_, size_, &kWriteTable, &kReadTable, baseFolder_.c_str());
}

int32_t FakeHost::FilterProcCallClaiming(int32_t width, int32_t height) {
  const int32_t claimed[2] = {width, height};
  return FilterProc(window_, claimed, &kWriteTable, &kReadTable, baseFolder_.c_str());
}

int32_t FakeHost::FilterOptionCall() { return FilterOption(window_, baseFolder_.c_str()); }

std::vector<HostEvent> FakeHost::EventsOf(HostEvent::Kind kind) const {
  std::vector<HostEvent> found;
  for (const HostEvent& event : events_) {
    if (event.kind == kind) found.push_back(event);
  }
  return found;
}

uint8_t FakeHost::ResultRgb(int32_t x, int32_t y, int32_t k) const {
  return resultRgb_[3 * (static_cast<size_t>(y) * size_[0] + x) + k];
}

uint8_t FakeHost::ResultT(int32_t x, int32_t y) const {
  return resultT_[static_cast<size_t>(y) * size_[0] + x];
}

std::string FakeHost::DataPath(const std::string& name) const {
  return baseFolder_ + "Tarvo/" + name;
}

void FakeHost::WriteLibrary(const std::string& text) const {
  WriteFile(DataPath("Morfel.ini"), text);
}

bool FakeHost::FileExists(const std::string& path) const { return std::filesystem::exists(path); }

std::string FakeHost::ReadFile(const std::string& path) const {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void FakeHost::WriteFile(const std::string& path, const std::string& text) const {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

namespace {

// Line breaks as the library file stores them: CR LF becomes backslash-n.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string LibraryText(const std::vector<LibraryProgram>& programs) {
  std::string text;
  for (size_t i = 0; i < programs.size(); ++i) {
    char header[32];
    std::snprintf(header, sizeof header, "[Prog%03d]\r\n", static_cast<int>(i));
    text += header;
    text += "Group=" + programs[i].group + "\r\n";
    text += "Name=" + programs[i].name + "\r\n";
    text += "Init=" + Escaped(programs[i].init) + "\r\n";
    text += "Prog=" + Escaped(programs[i].transform) + "\r\n";
  }
  return text;
}
