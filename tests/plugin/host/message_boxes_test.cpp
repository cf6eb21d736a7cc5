// Every kind of message the dialogs give, as the user sees it: its title,
// whether it carries an icon, its buttons and which of them is the default.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/scripted_user/scripted_user.h"
#include "tests/plugin/host/fake_host.h"
#include "ui/resource.h"

namespace {

// The icon of a message box is the static control with this id.
constexpr int kMessageBoxIconId = 0x14;

struct BoxLook {
  std::string title;
  bool icon = false;
  std::vector<int> buttons;  // of IDOK, IDYES, IDNO that the box has
  int defaultButton = 0;
};

BoxLook LookAt(const MessageBoxRecord& box) {
  BoxLook look;
  look.title = box.title;
  look.icon = GetDlgItem(box.window, kMessageBoxIconId) != nullptr;
  for (int id : {IDOK, IDYES, IDNO}) {
    HWND button = GetDlgItem(box.window, id);
    if (button == nullptr) continue;
    look.buttons.push_back(id);
    if ((GetWindowLongA(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) look.defaultButton = id;
  }
  return look;
}

const LibraryProgram kGrey = {"Colour", "Grey", "", "coord=0;\r\nR=128;\r\n"};

struct BoxCase {
  const char* text;
  bool editor;  // FilterOption, else FilterProc
  std::function<void(FakeHost&, ScriptedUser&)> setUp;
  const char* title;
  bool icon;
  std::vector<int> buttons;
  int defaultButton;
};

const BoxCase kBoxCases[] = {
    {"Initialization error.", false, [](FakeHost&, ScriptedUser&) {}, "error", true, {IDOK}, IDOK},
    {"Do you overwrite?",
     true,
     [](FakeHost& host, ScriptedUser& user) {
       host.WriteLibrary(LibraryText({kGrey}));
       user.ClickButton(IDC_EDIT_SAVE);
     },
     "message",
     true,
     {IDYES, IDNO},
     IDNO},
    {"Program cannot be found.",
     true,
     [](FakeHost& host, ScriptedUser& user) {
       host.WriteLibrary(LibraryText({kGrey}));
       user.TypeText(IDC_EDIT_NAME, "Unknown");
       user.ClickButton(IDC_EDIT_MOVE);
     },
     "message",
     true,
     {IDOK},
     IDOK},
    {"1 new program(s) are added. 0 program(s) are overwritten.",
     true,
     [](FakeHost& host, ScriptedUser& user) {
       host.WriteLibrary(LibraryText({kGrey}));
       host.WriteFile(host.DataPath("red.txt"), "Group=Colour\nName=Red\nInit=\nProg=\n");
       user.ClickButton(IDC_EDIT_FUNCTION);
       user.AnswerMessageBox(IDYES);
     },
     "message",
     false,
     {IDOK},
     IDOK},
};

TEST(MessageBoxes, ErrorsQuestionsNoticesAndResultsLookTheirPart) {
  for (const BoxCase& c : kBoxCases) {
    FakeHost host(4, 4);
    ScriptedUser user;
    c.setUp(host, user);
    user.ClickButton(IDCANCEL);
    std::vector<BoxLook> looks;
    user.SetBoxAnswerer([&](const MessageBoxRecord& box) {
      if (box.text == c.text) looks.push_back(LookAt(box));
      return GetDlgItem(box.window, IDNO) != nullptr ? IDNO : IDOK;
    });
    ASSERT_TRUE(user.Start());
    if (c.editor) {
      host.FilterOptionCall();
    } else {
      host.FilterProcCall();
    }
    user.Stop();
    EXPECT_TRUE(user.Finished()) << c.text;
    ASSERT_EQ(looks.size(), 1u) << c.text;
    EXPECT_EQ(looks[0].title, c.title) << c.text;
    EXPECT_EQ(looks[0].icon, c.icon) << c.text;
    EXPECT_EQ(looks[0].buttons, c.buttons) << c.text;
    EXPECT_EQ(looks[0].defaultButton, c.defaultButton) << c.text;
  }
}

}  // namespace
