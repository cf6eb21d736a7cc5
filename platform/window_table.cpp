#include "platform/window_table.h"

#include <cstring>
#include <map>
#include <memory>

namespace morfel_platform {
namespace {

// Handles step by 4 from a base far from 0, so that small integers and the
// HWND_* constants are never mistaken for windows.
constexpr uintptr_t kFirstHandle = 0x10000;
constexpr uintptr_t kHandleStep = 4;

struct Table {
  std::map<uintptr_t, std::unique_ptr<Window>> windows;
  uintptr_t nextHandle = kFirstHandle;
};

Table& TheTable() {
  static Table table;
  return table;
}

}  // namespace

Window* FindWindowRecord(HWND window) {
  auto& windows = TheTable().windows;
  auto found = windows.find(reinterpret_cast<uintptr_t>(window));
  return found == windows.end() ? nullptr : found->second.get();
}

Window* AddWindowRecord() {
  Table& table = TheTable();
  uintptr_t value = table.nextHandle;
  table.nextHandle += kHandleStep;
  auto window = std::make_unique<Window>();
  window->handle = reinterpret_cast<HWND>(value);
  window->thread = GetCurrentThreadId();
  Window* record = window.get();
  table.windows[value] = std::move(window);
  return record;
}

void RemoveWindowRecord(HWND window) {
  TheTable().windows.erase(reinterpret_cast<uintptr_t>(window));
}

std::vector<HWND> AllWindows() {
  std::vector<HWND> handles;
  for (auto& entry : TheTable().windows) handles.push_back(entry.second->handle);
  return handles;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> handles;
  for (auto& entry : TheTable().windows) {
    const Window& window = *entry.second;
    if (window.parent == parent && IsChildWindow(window)) handles.push_back(window.handle);
  }
  return handles;
}

bool IsChildWindow(const Window& window) { return (window.style & WS_CHILD) != 0; }

HWND TopLevelOf(HWND handle) {
  Window* window = FindWindowRecord(handle);
  while (window && IsChildWindow(*window)) {
    Window* parent = FindWindowRecord(window->parent);
    if (!parent) break;
    window = parent;
  }
  return window ? window->handle : nullptr;
}

int ClientWidth(const Window& window) {
  int width = window.width - window.insets.left - window.insets.right;
  return width > 0 ? width : 0;
}

int ClientHeight(const Window& window) {
  int height = window.height - window.insets.top - window.insets.bottom;
  return height > 0 ? height : 0;
}

POINT ClientOrigin(HWND handle) {
  POINT origin = {0, 0};
  Window* window = FindWindowRecord(handle);
  if (!window) return origin;
  if (IsChildWindow(*window)) origin = ClientOrigin(window->parent);
  origin.x += window->x + window->insets.left;
  origin.y += window->y + window->insets.top;
  return origin;
}

void CopyText(const std::string& text, char* buffer, size_t capacity, size_t* copied) {
  size_t count = 0;
  if (buffer && capacity > 0) {
    count = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
  }
  if (copied) *copied = count;
}

}  // namespace morfel_platform
