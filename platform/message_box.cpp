// Message boxes: "#32770" dialogs with the text in static 0xFFFF and one
// button per answer. With no user a box ends with its default button.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/internal.h"
#include "platform/window_table.h"

using namespace morfel_platform;

namespace {

constexpr int kTextId = 0xFFFF;
constexpr int kIconId = 0x14;
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;
constexpr short kMargin = 7;
constexpr short kIconSpace = 28;

struct Answer {
  int id;
  const char* label;
};

std::vector<Answer> AnswersFor(UINT type) {
  if ((type & MB_TYPEMASK) == MB_YESNO) return {{IDYES, "&Yes"}, {IDNO, "&No"}};
  return {{IDOK, "OK"}};
}

// Size of the text in dialog units: 4 per character, 8 per line.
void MeasureText(const char* text, short* width, short* height) {
  int longest = 0, lines = 1, current = 0;
  for (const char* c = text; *c; ++c) {
    if (*c == '\n') {
      ++lines;
      current = 0;
    } else if (*c != '\r' && ++current > longest) {
      longest = current;
    }
  }
  *width = static_cast<short>(longest > 200 ? 800 : longest * 4);
  *height = static_cast<short>(lines > 100 ? 800 : lines * 8);
}

// Places in dialog units: the text beside the icon, the buttons in a row
// under both, to the right.
struct BoxLayout {
  short textLeft, textWidth, textHeight;
  short buttonsTop;
  short width, height;
};

BoxLayout LayOut(const char* body, size_t buttons, bool icon) {
  BoxLayout layout;
  MeasureText(body, &layout.textWidth, &layout.textHeight);
  layout.textLeft = static_cast<short>(kMargin + (icon ? kIconSpace : 0));
  int buttonsWidth = static_cast<int>(buttons) * (kButtonWidth + 4);
  int textRight = layout.textLeft + layout.textWidth + kMargin;
  layout.width = static_cast<short>(std::max<int>(textRight, buttonsWidth + 2 * kMargin));
  layout.buttonsTop =
      static_cast<short>(kMargin + std::max<int>(layout.textHeight, icon ? 20 : 0) + kMargin);
  layout.height = static_cast<short>(layout.buttonsTop + kButtonHeight + kMargin);
  return layout;
}

std::vector<MorfelControlTemplate> BoxControls(const char* body, const std::vector<Answer>& answers,
                                               size_t defaultIndex, bool icon,
                                               const BoxLayout& layout) {
  std::vector<MorfelControlTemplate> controls;
  if (icon)
    controls.push_back({"STATIC", "", kIconId, WS_VISIBLE | SS_ICON, 0, kMargin, kMargin, 20, 20});
  controls.push_back({"STATIC", body, kTextId, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0,
                      layout.textLeft, kMargin, layout.textWidth, layout.textHeight});
  for (size_t i = 0; i < answers.size(); ++i) {
    DWORD style = WS_VISIBLE | WS_TABSTOP | (i == defaultIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    short left =
        static_cast<short>(layout.width - kMargin - (answers.size() - i) * (kButtonWidth + 4));
    controls.push_back({"BUTTON", answers[i].label, answers[i].id, style, 0, left,
                        layout.buttonsTop, kButtonWidth, kButtonHeight});
  }
  return controls;
}

INT_PTR CALLBACK MessageBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_COMMAND) return FALSE;
  int id = LOWORD(wParam);
  if (id != kTextId && id != kIconId && GetDlgItem(box, id)) {
    EndDialog(box, id);
  } else if (id == IDCANCEL && GetDlgItem(box, IDOK)) {
    EndDialog(box, IDOK);  // Escape on a box with only OK answers OK
  }
  return TRUE;
}

}  // namespace

extern "C" int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  if (owner && !IsWindow(owner)) owner = nullptr;
  std::vector<Answer> answers = AnswersFor(type);
  size_t defaultIndex = (type & MB_DEFMASK) >> 8;
  if (defaultIndex >= answers.size()) defaultIndex = 0;
  const char* body = text ? text : "";
  bool icon = (type & MB_ICONMASK) != 0;
  BoxLayout layout = LayOut(body, answers.size(), icon);
  std::vector<MorfelControlTemplate> controls =
      BoxControls(body, answers, defaultIndex, icon, layout);
  MorfelDialogTemplate box = {"",
                              caption ? caption : "Error",
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                              0,
                              0,
                              0,
                              layout.width,
                              layout.height,
                              "MS Sans Serif",
                              8,
                              controls.data(),
                              static_cast<int>(controls.size())};
  HWND handle = CreateDialogFromTemplate(box, nullptr, owner, MessageBoxProc, 0);
  Window* window = FindWindowRecord(handle);
  if (!window) return 0;
  window->dialog.idleCommand = answers[defaultIndex].id;
  window->dialog.idleResult = answers[defaultIndex].id;
  return static_cast<int>(RunModal(handle, owner));
}
