// Edit boxes. Text is kept as given, CR LF line breaks included. The text limit
// bounds what a user types (EM_REPLACESEL), not what code sets with
// WM_SETTEXT, as on Windows. Changes notify the parent with EN_CHANGE, except
// that a multi-line box set by WM_SETTEXT does not, as on Windows.
#include <windows.h>

#include <string>
#include <utility>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

namespace {

// EM_LIMITTEXT 0 means "as much as the system allows".
constexpr size_t kLargestLimit = 0x7FFFFFFE;

void ClampSelection(Window& window) {
  EditState& edit = window.edit;
  size_t size = window.text.size();
  if (edit.selectionStart > size) edit.selectionStart = size;
  if (edit.selectionEnd > size) edit.selectionEnd = size;
  if (edit.selectionStart > edit.selectionEnd) std::swap(edit.selectionStart, edit.selectionEnd);
}

void SetSelection(Window& window, WPARAM start, LPARAM end) {
  EditState& edit = window.edit;
  size_t size = window.text.size();
  if (static_cast<intptr_t>(start) == -1) {  // -1 removes the selection
    edit.selectionStart = edit.selectionEnd;
    return;
  }
  edit.selectionStart = start > size ? size : start;
  edit.selectionEnd = end < 0 || static_cast<size_t>(end) > size ? size : static_cast<size_t>(end);
  ClampSelection(window);
}

// Replaces the selection with as much of the text as the limit allows.
void ReplaceSelection(HWND handle, Window& window, const char* text) {
  ClampSelection(window);
  EditState& edit = window.edit;
  std::string inserted = text ? text : "";
  size_t kept = window.text.size() - (edit.selectionEnd - edit.selectionStart);
  size_t room = edit.limit > kept ? edit.limit - kept : 0;
  if (inserted.size() > room) inserted.resize(room);
  window.text.replace(edit.selectionStart, edit.selectionEnd - edit.selectionStart, inserted);
  edit.selectionStart = edit.selectionEnd = edit.selectionStart + inserted.size();
  window.invalid = true;
  if (!inserted.empty() || kept != window.text.size()) NotifyParent(handle, EN_CHANGE);
}

}  // namespace

namespace morfel_platform {

LRESULT CALLBACK EditProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindWindowRecord(handle);
  if (!window) return 0;
  switch (message) {
    case WM_SETTEXT:
      window->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      window->edit.selectionStart = window->edit.selectionEnd = 0;
      window->invalid = true;
      if (!(window->style & ES_MULTILINE)) NotifyParent(handle, EN_CHANGE);
      return TRUE;
    case EM_LIMITTEXT:
      window->edit.limit = wParam == 0 ? kLargestLimit : wParam;
      return 0;
    case EM_SETSEL:
      SetSelection(*window, wParam, lParam);
      return 0;
    case EM_REPLACESEL:
      ReplaceSelection(handle, *window, reinterpret_cast<const char*>(lParam));
      return 0;
    default:
      return DefWindowProcA(handle, message, wParam, lParam);
  }
}

}  // namespace morfel_platform
