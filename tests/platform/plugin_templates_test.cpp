// The plug-in's dialog templates as the Linux layer builds them from
// ui/morfel.rc: every control of the three dialogs with its kind, id, text,
// styles and place, so that a slip in the resource script (a swapped
// coordinate, a lost style) shows here and not only on a screen.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "tests/platform/test_support.h"
#include "ui/resource.h"

namespace {

struct ControlPlace {
  int id;
  const char *className;
  const char *text;
  DWORD styles;  // bits that must be set
  int x, y, cx, cy;  // dialog units
};

struct DialogLayout {
  const char *name;
  const char *caption;
  int cx, cy;
  std::vector<ControlPlace> controls;
};

constexpr DWORD kDialogStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kDropDownList = CBS_DROPDOWNLIST | WS_VSCROLL;
constexpr DWORD kMultiLine = ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL;

// 4 x 8 dialog units are 6 x 12 pixels, halves rounded up.
int PixelsX(int units) { return (units * 6 + 2) / 4; }
int PixelsY(int units) { return (units * 12 + 4) / 8; }

DialogLayout MainDialog() {
  DialogLayout dialog = {"sampledlg", "Morfel v0.08", 347, 207, {
      {IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON, 10, 165, 50, 35},
      {IDOK, "Button", "OK", BS_DEFPUSHBUTTON, 60, 165, 60, 35},
      {IDC_INTERP_COMBO, "ComboBox", "", kDropDownList, 55, 125, 65, 70},
      {IDC_AUTO_PREVIEW, "Button", "Auto Preview", BS_AUTOCHECKBOX | BS_LEFTTEXT, 21, 110, 99, 10},
      {IDC_PREVIEW_BUTTON, "Button", "Preview", BS_PUSHBUTTON, 10, 90, 110, 15},
      {IDC_GROUP_COMBO, "ComboBox", "", kDropDownList, 125, 5, 80, 195},
      {IDC_FUNCTION_COMBO, "ComboBox", "", kDropDownList, 210, 5, 105, 200},
      {IDC_INTERP_LABEL, "Static", "Interpolation", SS_LEFT, 10, 130, 45, 10},
      {IDC_PREVIEW_AREA, "Static", "", SS_BLACKFRAME, 10, 10, 109, 80},
      {IDC_SAVE_PARAMS, "Button", "Save", BS_PUSHBUTTON, 10, 145, 30, 15},
      {IDC_LOAD_PARAMS, "Button", "Load Parameter", BS_PUSHBUTTON, 40, 145, 80, 15},
  }};
  for (int i = 0; i < 12; ++i) {
    int y = i == 4 ? 86 : 25 + 15 * i;  // row 4 sits one unit lower than the rule
    dialog.controls.push_back({IDC_PARAM_LABEL_FIRST + i, "Static", "", SS_LEFT, 125, y, 55, 10});
    dialog.controls.push_back({IDC_PARAM_SLIDER_FIRST + i, "msctls_trackbar32", "", TBS_NOTICKS, 185, y, 115, 10});
    dialog.controls.push_back({IDC_PARAM_EDIT_FIRST + i, "Edit", "", ES_AUTOHSCROLL, 305, 20 + 15 * i, 35, 15});
  }
  return dialog;
}

DialogLayout EditorDialog() {
  return {"editdlg", "Morfel", 342, 246, {
      {IDOK, "Button", "OK", BS_DEFPUSHBUTTON, 285, 5, 50, 40},
      {IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON, 285, 45, 50, 14},
      {IDC_EDIT_FUNCTION, "Button", "Function", BS_PUSHBUTTON, 10, 10, 52, 13},
      {IDC_EDIT_GROUP_COMBO, "ComboBox", "", kDropDownList, 65, 10, 80, 255},
      {IDC_EDIT_PROGRAM_COMBO, "ComboBox", "", kDropDownList, 150, 10, 105, 255},
      {IDC_EDIT_GROUP_LABEL, "Static", "Group", SS_LEFT, 25, 25, 45, 10},
      {IDC_EDIT_TITLE_LABEL, "Static", "Title", SS_LEFT, 115, 25, 50, 10},
      {IDC_EDIT_GROUP, "Edit", "", ES_AUTOHSCROLL, 25, 35, 70, 15},
      {IDC_EDIT_NAME, "Edit", "", ES_AUTOHSCROLL, 115, 35, 100, 15},
      {IDC_EDIT_INIT_LABEL, "Static", "Initialize", SS_LEFT, 10, 55, 80, 10},
      {IDC_EDIT_TRANSFORM_LABEL, "Static", "Transform", SS_LEFT, 175, 55, 80, 10},
      {IDC_EDIT_INIT, "Edit", "", kMultiLine, 10, 65, 158, 157},
      {IDC_EDIT_TRANSFORM, "Edit", "", kMultiLine, 175, 65, 158, 157},
      {IDC_EDIT_HELP, "Button", "Help", BS_PUSHBUTTON, 10, 225, 40, 15},
      {IDC_EDIT_CLEAR, "Button", "Clear", BS_PUSHBUTTON, 55, 225, 40, 15},
      {IDC_EDIT_MOVE, "Button", "Move", BS_PUSHBUTTON, 100, 225, 40, 15},
      {IDC_EDIT_SAVE, "Button", "Save", BS_PUSHBUTTON, 150, 225, 45, 15},
      {IDC_EDIT_DELETE, "Button", "Delete", BS_PUSHBUTTON, 200, 225, 45, 15},
      {IDC_EDIT_CHECK, "Button", "Check", BS_PUSHBUTTON, 250, 225, 85, 15},
  }};
}

DialogLayout HelpDialog() {
  return {"helpdlg", "Help", 240, 234, {
      {IDOK, "Button", "OK", BS_DEFPUSHBUTTON, 183, 213, 50, 14},
      {IDC_HELP_TEXT, "Edit", "", ES_MULTILINE | WS_VSCROLL | ES_READONLY, 5, 11, 226, 191},
      {IDC_STATIC, "Static", nullptr, SS_LEFT, 10, 209, 165, 17},
  }};
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

void ExpectControls(HWND dialog, const DialogLayout &layout) {
  RECT client;
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, PixelsX(layout.cx)) << layout.name;
  EXPECT_EQ(client.bottom, PixelsY(layout.cy)) << layout.name;
  EXPECT_EQ(TextOf(dialog), layout.caption);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)) & kDialogStyle, kDialogStyle) << layout.name;
  // Places are checked against the first control, whose corner gives the
  // client area's origin on the screen.
  RECT first;
  GetWindowRect(GetDlgItem(dialog, layout.controls[0].id), &first);
  POINT origin = {first.left - PixelsX(layout.controls[0].x), first.top - PixelsY(layout.controls[0].y)};
  for (const ControlPlace &c : layout.controls) {
    HWND control = GetDlgItem(dialog, c.id);
    ASSERT_NE(control, nullptr) << layout.name << " " << c.id;
    EXPECT_EQ(ClassOf(control), c.className) << layout.name << " " << c.id;
    if (c.text) {
      EXPECT_EQ(TextOf(control), c.text) << layout.name << " " << c.id;
    }
    DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
    DWORD wanted = c.styles | WS_CHILD | WS_VISIBLE;
    EXPECT_EQ(style & wanted, wanted) << layout.name << " " << c.id;
    RECT place;
    GetWindowRect(control, &place);
    EXPECT_EQ(place.left - origin.x, PixelsX(c.x)) << layout.name << " " << c.id;
    EXPECT_EQ(place.top - origin.y, PixelsY(c.y)) << layout.name << " " << c.id;
    EXPECT_EQ(place.right - place.left, PixelsX(c.cx)) << layout.name << " " << c.id;
    EXPECT_EQ(place.bottom - place.top, PixelsY(c.cy)) << layout.name << " " << c.id;
  }
}

TEST(PluginTemplatesTest, EveryControlHasItsKindTextStyleAndPlace) {
  for (const DialogLayout &layout : {MainDialog(), EditorDialog(), HelpDialog()}) {
    TestDialog dialog;
    dialog.onInit = [&](HWND window) {
      ExpectControls(window, layout);
      EndDialog(window, IDOK);
    };
    EXPECT_EQ(RunTestDialog(&dialog, layout.name, nullptr, PluginDialogsInstance()), IDOK) << layout.name;
  }
}

// The font decides the metrics on Windows; it is only visible in the script.
TEST(PluginTemplatesTest, EveryDialogUsesTheEightPointSansSerifFont) {
  std::string here = __FILE__;
  std::string root = here.substr(0, here.rfind("tests/platform/"));
  char pattern[] = "/tmp/morfel_templates_XXXXXX";
  const std::string folder = mkdtemp(pattern);
  std::string out = folder + "/templates.cpp";
  std::string command = std::string(MORFEL_RCGEN) + " " + root + "ui/morfel.rc " + out;
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::ifstream in(out);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(out.c_str());
  rmdir(folder.c_str());
  int fonts = 0;
  for (size_t at = text.find("\"MS Sans Serif\", 8,"); at != std::string::npos;
       at = text.find("\"MS Sans Serif\", 8,", at + 1))
    ++fonts;
  EXPECT_EQ(fonts, 3);
}

}  // namespace
