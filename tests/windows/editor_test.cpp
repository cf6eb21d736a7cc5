// FilterOption through the DLL with the real editor, help and import
// dialogs: Check's line numbers, the help text, importing program files and
// what OK and Cancel leave on disk.
#include <gtest/gtest.h>

#include "library/library.h"
#include "tests/windows/support/base_folder.h"
#include "tests/windows/support/dialog_ids.h"
#include "tests/windows/support/plugin_dll.h"
#include "tests/windows/support/scripted_dialogs.h"

namespace {

const TestProgram kPrograms[] = {
    {"Colour", "Invert", "coord=0;\r\n", "R=255-R;\r\nG=255-G;\r\nB=255-B;\r\n"},
};

std::string ItemText(HWND dialog, int id) {
  char text[4096] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

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

  // Opens the editor with steps for it (and whatever other dialogs the
  // user was given steps for).
  void RunEditor(ScriptedDialogs& user, std::vector<UserStep> steps) {
    user.On(kEditorCaption, std::move(steps));
    user.Run([&] { EXPECT_EQ(plugin.option(host, base.path().c_str()), 1); });
    EXPECT_EQ(user.problems(), std::vector<std::string>{});
  }
  void RunEditor(std::vector<UserStep> steps) { RunEditor(user, std::move(steps)); }

  PluginDll plugin;
  BaseFolder base;
  HWND host = nullptr;
  ScriptedDialogs user;
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
    ScriptedDialogs checker;
    RunEditor(checker, {Type(kInitBox, check.initText), Type(kTransformBox, check.transformText),
                        Click(kCheckButton), Click(kCancelButton)});
    std::vector<std::string> shown;
    for (const ShownBox& box : checker.shown()) shown.push_back(box.title + ": " + box.text);
    std::vector<std::string> expected;
    if (*check.message != '\0') expected.push_back(std::string("error: ") + check.message);
    EXPECT_EQ(shown, expected) << check.what;
  }
}

TEST_F(EditorTest, OpensOnTheLibraryProgram) {
  std::string group, name, init;
  RunEditor({Call([&](HWND dialog) {
               group = ItemText(dialog, kGroupBox);
               name = ItemText(dialog, kNameBox);
               init = ItemText(dialog, kInitBox);
             }),
             Click(kCancelButton)});
  EXPECT_EQ(group, "Colour");
  EXPECT_EQ(name, "Invert");
  EXPECT_EQ(init, "coord=0;\r\n") << "line breaks must reach the edit box as CR LF";
  EXPECT_TRUE(user.shown().empty());
}

TEST_F(EditorTest, HelpShowsTheReadOnlyReference) {
  std::string text;
  LONG style = 0;
  user.On(kHelpCaption, {Call([&](HWND help) {
                           text = ItemText(help, kReferenceBox);
                           style = GetWindowLongA(GetDlgItem(help, kReferenceBox), GWL_STYLE);
                         }),
                         Click(kOkButton)});
  RunEditor({Click(kHelpButton), Click(kCancelButton)});
  EXPECT_EQ(user.seen(), (std::vector<std::string>{kEditorCaption, kHelpCaption}));
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
  user.AnswerQuestions([](const std::string&) { return true; });
  std::string group, name;
  RunEditor({Click(kImportButton), Select(kGroupCombo, "Imported"), Select(kProgramCombo, "Stripes"),
             Call([&](HWND dialog) {
               group = ItemText(dialog, kGroupBox);
               name = ItemText(dialog, kNameBox);
             }),
             Click(kCancelButton)});
  ASSERT_EQ(user.shown().size(), 2u);
  EXPECT_EQ(user.shown()[0].text, "Do you want to add new functions?");
  EXPECT_EQ(user.shown()[1].title, "message");
  EXPECT_EQ(user.shown()[1].text, "1 new program(s) are added. 1 program(s) are overwritten.");
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
  RunEditor({Click(kImportButton), Click(kCancelButton)});
  ASSERT_EQ(user.shown().size(), 1u);
  EXPECT_EQ(BaseFolder::ReadFile(base.DataFile("Morfel.ini")), before);
}

TEST_F(EditorTest, OkSavesTheSettingsAndCancelDoesNot) {
  RunEditor({Click(kCancelButton)});
  EXPECT_FALSE(BaseFolder::Exists(base.SettingsFile()));
  ScriptedDialogs confirming;
  RunEditor(confirming, {Click(kOkButton)});
  EXPECT_TRUE(BaseFolder::Exists(base.SettingsFile()));
}

}  // namespace
