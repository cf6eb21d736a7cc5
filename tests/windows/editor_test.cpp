// FilterOption through the DLL with the real editor, help and import
// dialogs: Check's line numbers, the help text, importing program files and
// what OK and Cancel leave on disk.
#include <gtest/gtest.h>

#include "platform/scripted_user/scripted_user.h"
#include "library/library.h"
#include "tests/windows/support/base_folder.h"
#include "tests/windows/support/plugin_dll.h"
#include "tests/windows/support/user_run.h"
#include "ui/resource.h"

namespace {

constexpr const char* kEditorCaption = "Morfel";
constexpr const char* kHelpCaption = "Help";

const TestProgram kPrograms[] = {
    {"Colour", "Invert", "coord=0;\r\n", "R=255-R;\r\nG=255-G;\r\nB=255-B;\r\n"},
};

class EditorTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(plugin.Load("morfel.dll"), 1) << plugin.error();
    ASSERT_FALSE(base.path().empty());
    ASSERT_EQ(base.WriteLibrary(kPrograms, 1), 1);
    host = CreateWindowA("STATIC", "host", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
  }
  void TearDown() override { DestroyWindow(host); }

  // Opens the editor with the actions already given to the user, who must
  // be able to do them all.
  void RunEditor(ScriptedUser& user) {
    ASSERT_TRUE(RunWithUser(user, [&] { EXPECT_EQ(plugin.option(host, base.path().c_str()), 1); }));
    EXPECT_TRUE(user.Finished()) << user.ActionsDone() << " actions done";
    EXPECT_EQ(user.Failures(), std::vector<std::string>{});
  }

  static std::vector<std::string> Boxes(const ScriptedUser& user) {
    std::vector<std::string> boxes;
    for (const MessageBoxRecord& box : user.MessageBoxes())
      boxes.push_back(box.title + ": " + box.text);
    return boxes;
  }

  PluginDll plugin;
  BaseFolder base;
  HWND host = nullptr;
};

struct CheckCase {
  const char* what;
  const char* initText;
  const char* transformText;
  const char* message;  // "" when Check finds nothing wrong
};

const CheckCase kCheckCases[] = {
    {"init line 3", "a=1;\r\nb=2;\r\nc=;\r\n", "", "Error in Initialize program in line 3."},
    {"declaration counts as a line", "?p,Amount,0,10,5;\r\ncoord=0;\r\nc=(;\r\n", "R=p;\r\n",
     "Error in Initialize program in line 3."},
    {"transform line 2", "coord=0;\r\n", "R=R;\r\nG=G+;\r\n",
     "Error in Transform program in line 2."},
    {"malformed declaration", "?p,Amount,0,10;\r\ncoord=0;\r\n", "R=p;\r\n",
     "Error in Initial parameter setting."},
    {"clean program", "?p,Amount,0,10,5;\r\ncoord=0;\r\n", "R=R*p/10;\r\n", ""},
};

TEST_F(EditorTest, CheckReportsTheFaultyLine) {
  for (const CheckCase& check : kCheckCases) {
    ScriptedUser checker;
    checker.TypeText(IDC_EDIT_INIT, check.initText);
    checker.TypeText(IDC_EDIT_TRANSFORM, check.transformText);
    checker.ClickButton(IDC_EDIT_CHECK);
    checker.ClickButton(IDCANCEL);
    RunEditor(checker);
    std::vector<std::string> expected;
    if (*check.message != '\0') expected.push_back(std::string("error: ") + check.message);
    EXPECT_EQ(Boxes(checker), expected) << check.what;
  }
}

TEST_F(EditorTest, OpensOnTheLibraryProgram) {
  ScriptedUser user;
  std::string caption, group, name, init;
  user.CallWithDialog([&](HWND dialog) {
    caption = TextOf(dialog);
    group = ItemText(dialog, IDC_EDIT_GROUP);
    name = ItemText(dialog, IDC_EDIT_NAME);
    init = ItemText(dialog, IDC_EDIT_INIT);
  });
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(caption, kEditorCaption);
  EXPECT_EQ(group, "Colour");
  EXPECT_EQ(name, "Invert");
  EXPECT_EQ(init, "coord=0;\r\n") << "line breaks must reach the edit box as CR LF";
  EXPECT_TRUE(user.MessageBoxes().empty());
}

TEST_F(EditorTest, HelpShowsTheReadOnlyReference) {
  ScriptedUser user;
  std::string editorCaption, helpCaption, text;
  LONG style = 0;
  user.CallWithDialog([&](HWND editor) { editorCaption = TextOf(editor); });
  user.ClickButton(IDC_EDIT_HELP);
  user.CallWithDialog([&](HWND help) {
    helpCaption = TextOf(help);
    text = ItemText(help, IDC_HELP_TEXT);
    style = GetWindowLongA(GetDlgItem(help, IDC_HELP_TEXT), GWL_STYLE);
  });
  user.ClickButton(IDOK);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(user.WindowsSeen().size(), 2u);
  EXPECT_EQ(editorCaption, kEditorCaption);
  EXPECT_EQ(helpCaption, kHelpCaption);
  EXPECT_EQ(text.size(), 802u);
  EXPECT_EQ(text.compare(0, 13, "Parameters:\r\n"), 0) << text;
  EXPECT_TRUE(style & ES_READONLY);
  EXPECT_TRUE(style & WS_VSCROLL);
}

TEST_F(EditorTest, ImportAddsNewProgramsAndOverwritesKnownOnes) {
  ASSERT_EQ(base.WriteDataFile("stripes.txt",
                               "Group=Imported\nName=Stripes\nInit=coord=0;\\n\nProg=R=0;\\n\n"),
            1);
  ASSERT_EQ(base.WriteDataFile("invert.txt",
                               "Group=Colour\r\nName=Invert\r\nInit=coord=0;\\n\r\n"
                               "Prog=R=255-R;\\n\r\n"),
            1);
  ScriptedUser user;
  std::string group, name;
  user.ClickButton(IDC_EDIT_FUNCTION);
  user.AnswerMessageBox(IDYES);
  user.SelectComboText(IDC_EDIT_GROUP_COMBO, "Imported");
  user.SelectComboText(IDC_EDIT_PROGRAM_COMBO, "Stripes");
  user.CallWithDialog([&](HWND dialog) {
    group = ItemText(dialog, IDC_EDIT_GROUP);
    name = ItemText(dialog, IDC_EDIT_NAME);
  });
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  ASSERT_EQ(user.MessageBoxes().size(), 2u);
  EXPECT_EQ(user.MessageBoxes()[0].text, "Do you want to add new functions?");
  EXPECT_EQ(user.MessageBoxes()[1].title, "message");
  EXPECT_EQ(user.MessageBoxes()[1].text,
            "1 new program(s) are added. 1 program(s) are overwritten.");
  EXPECT_EQ(group, "Imported");
  EXPECT_EQ(name, "Stripes");

  ProgramLibrary library;
  ASSERT_EQ(library.Parse(BaseFolder::ReadFile(base.DataFile("Morfel.ini")).c_str()), 0);
  ASSERT_EQ(library.ProgramCount(), 2);
  EXPECT_STREQ(library.ProgramField(0, "Prog"), "R=255-R;\r\n");
  EXPECT_STREQ(library.ProgramField(1, "Name"), "Stripes");
}

TEST_F(EditorTest, ImportDeclinedLeavesTheLibraryAlone) {
  ASSERT_EQ(base.WriteDataFile("stripes.txt", "Group=Imported\nName=Stripes\nInit=\nProg=\n"), 1);
  const std::string before = BaseFolder::ReadFile(base.DataFile("Morfel.ini"));
  ScriptedUser user;
  user.ClickButton(IDC_EDIT_FUNCTION);
  user.AnswerMessageBox(IDNO);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  ASSERT_EQ(user.MessageBoxes().size(), 1u);
  EXPECT_EQ(user.MessageBoxes()[0].text, "Do you want to add new functions?");
  EXPECT_EQ(BaseFolder::ReadFile(base.DataFile("Morfel.ini")), before);
}

TEST_F(EditorTest, OkSavesTheSettingsAndCancelDoesNot) {
  ScriptedUser cancelling;
  cancelling.ClickButton(IDCANCEL);
  RunEditor(cancelling);
  EXPECT_FALSE(BaseFolder::Exists(base.SettingsFile()));
  ScriptedUser confirming;
  confirming.ClickButton(IDOK);
  RunEditor(confirming);
  EXPECT_TRUE(BaseFolder::Exists(base.SettingsFile()));
}

}  // namespace
