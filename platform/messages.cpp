// Sending and posting messages. Sent messages run the window procedure at
// once; posted ones wait in one queue for the modal loop.
#include <windows.h>

#include <deque>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

namespace {

struct PostedMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

std::deque<PostedMessage>& Queue() {
  static std::deque<PostedMessage> queue;
  return queue;
}

}  // namespace

namespace morfel_platform {

bool DispatchNextPostedMessage() {
  if (Queue().empty()) return false;
  PostedMessage posted = Queue().front();
  Queue().pop_front();
  SendMessageA(posted.window, posted.message, posted.wParam, posted.lParam);
  return true;
}

void RemovePostedMessagesOf(HWND window) {
  auto& queue = Queue();
  for (auto it = queue.begin(); it != queue.end();)
    it = it->window == window ? queue.erase(it) : it + 1;
}

void NotifyParent(HWND control, WORD code) {
  Window* window = FindWindowRecord(control);
  if (!window || !IsChildWindow(*window)) return;
  SendMessageA(window->parent, WM_COMMAND, MAKEWPARAM(window->id, code),
               reinterpret_cast<LPARAM>(control));
}

}  // namespace morfel_platform

extern "C" LRESULT WINAPI SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindWindowRecord(handle);
  if (!window || !window->proc) return 0;
  return window->proc(handle, message, wParam, lParam);
}

extern "C" BOOL WINAPI PostMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!FindWindowRecord(handle)) return FALSE;
  Queue().push_back(PostedMessage{handle, message, wParam, lParam});
  return TRUE;
}
