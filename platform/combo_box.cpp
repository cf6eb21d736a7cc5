// Combo boxes. Searches ignore letter case; selecting by code does not notify
// the parent (a user's selection is reported by whoever plays the user); an
// index out of range clears the selection. A drop-down list's text is its
// selected item; a drop-down combo has a text of its own.
#include <windows.h>

#include <strings.h>

#include <string>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

namespace {

bool IsDropDownList(const Window& combo) { return (combo.style & 3) == CBS_DROPDOWNLIST; }

bool ValidIndex(const ComboState& combo, WPARAM index) { return index < combo.items.size(); }

// Searches from the item after start to the end and then from the beginning,
// as Windows does; start -1 searches the whole list from the first item.
LRESULT FindExactItem(const ComboState& combo, WPARAM start, const char* text) {
  if (!text) return CB_ERR;
  size_t count = combo.items.size();
  size_t first = ValidIndex(combo, start) ? start + 1 : 0;
  for (size_t step = 0; step < count; ++step) {
    size_t index = (first + step) % count;
    if (strcasecmp(combo.items[index].c_str(), text) == 0) return static_cast<LRESULT>(index);
  }
  return CB_ERR;
}

LRESULT Select(Window& window, WPARAM index) {
  ComboState& combo = window.combo;
  combo.selection = ValidIndex(combo, index) ? static_cast<int>(index) : -1;
  if (!IsDropDownList(window))
    window.text = combo.selection >= 0 ? combo.items[combo.selection] : "";
  window.invalid = true;
  return combo.selection >= 0 ? combo.selection : CB_ERR;
}

LRESULT Append(ComboState& combo, const char* text) {
  combo.items.push_back(text ? text : "");
  return static_cast<LRESULT>(combo.items.size() - 1);
}

LRESULT Reset(Window& window) {
  window.combo.items.clear();
  window.combo.selection = -1;
  if (!IsDropDownList(window)) window.text.clear();
  return CB_OKAY;
}

// The caller's buffer has no stated size: it must hold CB_GETLBTEXTLEN + 1.
LRESULT CopyItem(const ComboState& combo, WPARAM index, char* buffer) {
  if (!ValidIndex(combo, index) || !buffer) return CB_ERR;
  size_t copied = 0;
  CopyText(combo.items[index], buffer, combo.items[index].size() + 1, &copied);
  return static_cast<LRESULT>(copied);
}

// A drop-down list shows its selected item and takes only a text it holds.
const std::string& ShownText(const Window& window) {
  static const std::string kNone;
  const ComboState& combo = window.combo;
  if (!IsDropDownList(window)) return window.text;
  return combo.selection >= 0 ? combo.items[combo.selection] : kNone;
}

LRESULT SetText(Window& window, const char* text) {
  if (!IsDropDownList(window)) {
    window.text = text ? text : "";
    return TRUE;
  }
  LRESULT found = FindExactItem(window.combo, static_cast<WPARAM>(-1), text);
  if (found == CB_ERR) return CB_ERR;
  window.combo.selection = static_cast<int>(found);
  return TRUE;
}

LRESULT GetText(const Window& window, WPARAM capacity, char* buffer) {
  size_t copied = 0;
  CopyText(ShownText(window), buffer, capacity, &copied);
  return static_cast<LRESULT>(copied);
}

}  // namespace

namespace morfel_platform {

LRESULT CALLBACK ComboBoxProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindWindowRecord(handle);
  if (!window) return 0;
  ComboState& combo = window->combo;
  const char* text = reinterpret_cast<const char*>(lParam);
  switch (message) {
    case CB_ADDSTRING:
      return Append(combo, text);
    case CB_RESETCONTENT:
      return Reset(*window);
    case CB_GETCOUNT:
      return static_cast<LRESULT>(combo.items.size());
    case CB_GETCURSEL:
      return combo.selection;
    case CB_SETCURSEL:
      return Select(*window, wParam);
    case CB_GETLBTEXTLEN:
      return ValidIndex(combo, wParam) ? static_cast<LRESULT>(combo.items[wParam].size()) : CB_ERR;
    case CB_GETLBTEXT:
      return CopyItem(combo, wParam, reinterpret_cast<char*>(lParam));
    case CB_FINDSTRINGEXACT:
      return FindExactItem(combo, wParam, text);
    case WM_SETTEXT:
      return SetText(*window, text);
    case WM_GETTEXT:
      return GetText(*window, wParam, reinterpret_cast<char*>(lParam));
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(ShownText(*window).size());
    default:
      return DefWindowProcA(handle, message, wParam, lParam);
  }
}

}  // namespace morfel_platform
