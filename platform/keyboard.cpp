// The state of the keyboard's keys, for GetAsyncKeyState: set by keybd_event
// from any thread, as a key pressed by the user is seen at once on Windows.
#include <windows.h>

#include <atomic>
#include <cstdint>

namespace {

constexpr int kKeys = 256;
constexpr uint8_t kDown = 1;
constexpr uint8_t kPressedSinceAsked = 2;

std::atomic<uint8_t> keyState[kKeys];

}  // namespace

SHORT WINAPI GetAsyncKeyState(int key) {
  if (key < 0 || key >= kKeys) return 0;
  const uint8_t state = keyState[key].fetch_and(static_cast<uint8_t>(~kPressedSinceAsked));
  SHORT result = 0;
  if ((state & kDown) != 0) result = static_cast<SHORT>(0x8000);
  if ((state & kPressedSinceAsked) != 0) result = static_cast<SHORT>(result | 1);
  return result;
}

void WINAPI keybd_event(BYTE key, BYTE scan, DWORD flags, ULONG_PTR extraInfo) {
  (void)scan;
  (void)extraInfo;
  if ((flags & KEYEVENTF_KEYUP) != 0) {
    keyState[key].fetch_and(static_cast<uint8_t>(~kDown));
  } else {
    keyState[key].fetch_or(static_cast<uint8_t>(kDown | kPressedSinceAsked));
  }
}
