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

bool IsDropDownList(const Window &combo) { return (combo.style & 3) == CBS_DROPDOWNLIST; }

bool ValidIndex(const ComboState &combo, WPARAM index) { return index < combo.items.size(); }

// Searches from the item after start to the end and then from the beginning,
// as Windows does; start -1 searches the whole list from the first item.
LRESULT FindItem(const ComboState &combo, WPARAM start, const char *text, bool exact) {
  if (!text) return CB_ERR;
  size_t count = combo.items.size();
  size_t first = ValidIndex(combo, start) ? start + 1 : 0;
  size_t length = std::string(text).size();
  for (size_t step = 0; step < count; ++step) {
    size_t index = (first + step) % count;
    const std::string &item = combo.items[index];
    bool match = exact ? strcasecmp(item.c_str(), text) == 0 : strncasecmp(item.c_str(), text, length) == 0;
    if (match) return static_cast<LRESULT>(index);
  }
  return CB_ERR;
}

LRESULT Select(Window &window, WPARAM index) {
  ComboState &combo = window.combo;
  combo.selection = ValidIndex(combo, index) ? static_cast<int>(index) : -1;
  if (!IsDropDownList(window)) window.text = combo.selection >= 0 ? combo.items[combo.selection] : "";
  window.invalid = true;
  return combo.selection >= 0 ? combo.selection : CB_ERR;
}

LRESULT Insert(ComboState &combo, WPARAM index, const char *text) {
  size_t at = index == static_cast<WPARAM>(-1) || index > combo.items.size() ? combo.items.size() : index;
  combo.items.insert(combo.items.begin() + static_cast<long>(at), text ? text : "");
  if (combo.selection >= static_cast<int>(at)) ++combo.selection;
  return static_cast<LRESULT>(at);
}

LRESULT Delete(ComboState &combo, WPARAM index) {
  if (!ValidIndex(combo, index)) return CB_ERR;
  combo.items.erase(combo.items.begin() + static_cast<long>(index));
  if (combo.selection == static_cast<int>(index))
    combo.selection = -1;
  else if (combo.selection > static_cast<int>(index))
    --combo.selection;
  return static_cast<LRESULT>(combo.items.size());
}

LRESULT GetText(const Window &window, WPARAM capacity, char *buffer) {
  const ComboState &combo = window.combo;
  std::string text = IsDropDownList(window) ? (combo.selection >= 0 ? combo.items[combo.selection] : "") : window.text;
  size_t copied = 0;
  CopyText(text, buffer, capacity, &copied);
  return static_cast<LRESULT>(copied);
}

}  // namespace

namespace morfel_platform {

LRESULT CALLBACK ComboBoxProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window *window = FindWindowRecord(handle);
  if (!window) return 0;
  ComboState &combo = window->combo;
  const char *text = reinterpret_cast<const char *>(lParam);
  switch (message) {
    case CB_ADDSTRING:
      return Insert(combo, static_cast<WPARAM>(-1), text);
    case CB_INSERTSTRING:
      return Insert(combo, wParam, text);
    case CB_DELETESTRING:
      return Delete(combo, wParam);
    case CB_RESETCONTENT:
      combo.items.clear();
      combo.selection = -1;
      if (!IsDropDownList(*window)) window->text.clear();
      return CB_OKAY;
    case CB_GETCOUNT:
      return static_cast<LRESULT>(combo.items.size());
    case CB_GETCURSEL:
      return combo.selection;
    case CB_SETCURSEL:
      return Select(*window, wParam);
    case CB_GETLBTEXTLEN:
      return ValidIndex(combo, wParam) ? static_cast<LRESULT>(combo.items[wParam].size()) : CB_ERR;
    case CB_GETLBTEXT: {
      // The caller's buffer has no stated size: it must hold CB_GETLBTEXTLEN + 1.
      if (!ValidIndex(combo, wParam) || !text) return CB_ERR;
      size_t copied = 0;
      CopyText(combo.items[wParam], reinterpret_cast<char *>(lParam), combo.items[wParam].size() + 1, &copied);
      return static_cast<LRESULT>(copied);
    }
    case CB_FINDSTRINGEXACT:
      return FindItem(combo, wParam, text, true);
    case CB_FINDSTRING:
      return FindItem(combo, wParam, text, false);
    case CB_LIMITTEXT:
      return TRUE;
    case WM_SETTEXT:
      if (IsDropDownList(*window)) {
        LRESULT found = FindItem(combo, static_cast<WPARAM>(-1), text, true);
        if (found == CB_ERR) return CB_ERR;
        combo.selection = static_cast<int>(found);
        return TRUE;
      }
      window->text = text ? text : "";
      return TRUE;
    case WM_GETTEXT:
      return GetText(*window, wParam, reinterpret_cast<char *>(lParam));
    case WM_GETTEXTLENGTH: {
      if (IsDropDownList(*window))
        return combo.selection >= 0 ? static_cast<LRESULT>(combo.items[combo.selection].size()) : 0;
      return static_cast<LRESULT>(window->text.size());
    }
    default:
      return DefWindowProcA(handle, message, wParam, lParam);
  }
}

}  // namespace morfel_platform
