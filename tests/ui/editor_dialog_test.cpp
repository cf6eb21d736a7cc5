// Opening, choosing programs and ending the editor: what reaches the
// settings file and what the boxes are loaded with.
#include <string>
#include <vector>

#include "tests/ui/editor_fixture.h"

namespace {

const std::vector<StoredProgram> kTwoGroups = {
    Program("Deform", "Wave", "w=1;\r\n"), Program("Colour", "Grey", "g=1;\r\n"),
    Program("Deform", "Twirl", "?turn,Turn,0,100,42;\r\n"), Program("Colour", "Red")};

class EditorDialogTest : public EditorTest {
 protected:
  void WriteSettings(int groupNo, int funcNo, const char* param0) {
    FilterSettings settings = {groupNo, funcNo, kInterpRound, 0};
    ParamSlot slots[kParamSlotCount] = {};
    std::snprintf(slots[0].value, sizeof slots[0].value, "%s", param0);
    ASSERT_EQ(SaveSettings(base(), settings, slots), 1);
  }

  // The value of a key line of the settings file, or "(missing)".
  std::string Setting(const std::string& key) const {
    std::string file = ReadFile(SettingsFile());
    size_t at = file.find("\r\n" + key + "=");
    if (at == std::string::npos) return "(missing)";
    at += key.size() + 3;
    return file.substr(at, file.find("\r\n", at) - at);
  }
};

TEST_F(EditorDialogTest, OkSavesTheChosenGroupAndProgram) {
  WriteLibrary(kTwoGroups);
  ScriptedUser user;
  user.SelectComboText(IDC_EDIT_GROUP_COMBO, "Deform");
  user.SelectComboIndex(IDC_EDIT_PROGRAM_COMBO, 1);
  user.ClickButton(IDOK);
  RunEditor(user);
  EXPECT_EQ(Setting("GroupNo"), "0");
  EXPECT_EQ(Setting("FuncNo"), "1");
}

TEST_F(EditorDialogTest, ChoosingAGroupStartsAtItsFirstProgram) {
  WriteLibrary(kTwoGroups);
  WriteSettings(0, 1, "");
  ScriptedUser user;
  user.SelectComboText(IDC_EDIT_GROUP_COMBO, "Colour");
  user.ClickButton(IDOK);
  RunEditor(user);
  EXPECT_EQ(Setting("GroupNo"), "1");
  EXPECT_EQ(Setting("FuncNo"), "0");
}

TEST_F(EditorDialogTest, OkLeavesTheDeclaredDefaultsInTheParameters) {
  WriteLibrary(kTwoGroups);
  WriteSettings(0, 1, "7");
  ScriptedUser user;
  user.ClickButton(IDOK);
  RunEditor(user);
  EXPECT_EQ(Setting("Param0"), "42");
}

TEST_F(EditorDialogTest, CancelSavesNoSettingsButKeepsSavedPrograms) {
  WriteLibrary(kTwoGroups);
  ScriptedUser user;
  user.SelectComboText(IDC_EDIT_GROUP_COMBO, "Colour");
  user.TypeText(IDC_EDIT_NAME, "Blue");
  user.ClickButton(IDC_EDIT_SAVE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
  std::vector<StoredProgram> stored = ReadLibrary();
  ASSERT_EQ(stored.size(), kTwoGroups.size() + 1);
  EXPECT_EQ(stored.back().group, "Colour");
  EXPECT_EQ(stored.back().name, "Blue");
  EXPECT_EQ(stored.back().init, "g=1;\r\n");  // the boxes held Grey's texts
}

// A chosen program fills the boxes: saving them unchanged finds the same
// group and name and writes back the same texts.
TEST_F(EditorDialogTest, ChosenProgramsFillTheBoxes) {
  WriteLibrary(kTwoGroups);
  ScriptedUser user;
  user.SelectComboText(IDC_EDIT_GROUP_COMBO, "Deform");
  user.SelectComboText(IDC_EDIT_PROGRAM_COMBO, "Twirl");
  user.ClickButton(IDC_EDIT_SAVE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(Boxes(user), std::vector<std::string>{"message: Do you overwrite?"});
  EXPECT_EQ(ReadLibrary(), kTwoGroups);
}

TEST_F(EditorDialogTest, OpeningOnTheLastChosenProgram) {
  WriteLibrary(kTwoGroups);
  WriteSettings(1, 1, "");
  ScriptedUser user;
  user.ClickButton(IDC_EDIT_MOVE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  std::vector<StoredProgram> stored = ReadLibrary();
  ASSERT_EQ(stored.size(), kTwoGroups.size());
  EXPECT_EQ(stored.back(), kTwoGroups[3]);
}

TEST_F(EditorDialogTest, AnEmptyLibraryOpensWithTheNotFoundText) {
  ScriptedUser user;
  user.ClickButton(IDC_EDIT_CHECK);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  ASSERT_EQ(user.MessageBoxes().size(), 2u);
  EXPECT_EQ(Boxes(user)[0], "error: Initialization error.");
  EXPECT_EQ(user.MessageBoxes()[1].title, "error");
}

// Settings that point past the library: the Init box shows what was looked
// for, the combo boxes fall back to a program that exists, and saving the
// boxes stores the text under that program.
struct NotFoundCase {
  const char* what;
  int groupNo;
  int funcNo;
  const char* initText;
  size_t storedAt;  // the program the boxes then name
};

class EditorNotFoundTest : public EditorDialogTest,
                           public ::testing::WithParamInterface<NotFoundCase> {};

TEST_P(EditorNotFoundTest, ShowsWhatWasLookedForAndFallsBack) {
  const NotFoundCase& c = GetParam();
  WriteLibrary(kTwoGroups);
  WriteSettings(c.groupNo, c.funcNo, "");
  ScriptedUser user;
  user.ClickButton(IDC_EDIT_SAVE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(Boxes(user), (std::vector<std::string>{"error: Initialization error.",
                                                   "message: Do you overwrite?"}))
      << c.what;
  std::vector<StoredProgram> stored = ReadLibrary();
  ASSERT_EQ(stored.size(), kTwoGroups.size());
  EXPECT_EQ(stored[c.storedAt].init, c.initText) << c.what;
  EXPECT_EQ(stored[c.storedAt].transform, "") << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, EditorNotFoundTest,
    ::testing::Values(
        NotFoundCase{"a program number past the group's programs", 1, 5,
                     "The function is not found.\r\nGroup Num = 1 (Colour)\r\n"
                     "Function Num = 5 ()\r\n",
                     1},
        NotFoundCase{"a group number past the groups", 7, 1,
                     "The function is not found.\r\nGroup Num = 7 ()\r\n"
                     "Function Num = 1 ()\r\n",
                     0}));

TEST_F(EditorDialogTest, TypedNamesAreLimitedToWhatTheLibraryKeeps) {
  WriteLibrary(kTwoGroups);
  ScriptedUser user;
  user.TypeText(IDC_EDIT_NAME, std::string(200, 'n'));
  user.ClickButton(IDC_EDIT_SAVE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(ReadLibrary().back().name, std::string(kNameTextSize - 1, 'n'));
}

}  // namespace

namespace {

const char kLibraryWithAMalformedLine[] =
    "[Prog000]\r\nGroup=Deform\r\nName=Wave\r\nInit=a=1;\\n\r\nProg=x=x;\\n\r\n"
    "this line is no key\r\n"
    "[Prog001]\r\nGroup=Deform\r\nName=Lost\r\nInit=\r\nProg=\r\n";

TEST_F(EditorDialogTest, ALibraryLineThatCannotBeReadIsReportedOnOpening) {
  WriteFile(DataFile("Morfel.ini"), kLibraryWithAMalformedLine);
  ScriptedUser user;
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  ASSERT_EQ(user.MessageBoxes().size(), 1u);
  EXPECT_EQ(user.MessageBoxes()[0].title, "error");
  EXPECT_NE(user.MessageBoxes()[0].text.find("line 6"), std::string::npos);
}

// The programs after the malformed line exist only in the file: a change is
// refused with the reason, and the file keeps them.
TEST_F(EditorDialogTest, AChangeToALibraryReadInPartIsRefusedWithTheReason) {
  WriteFile(DataFile("Morfel.ini"), kLibraryWithAMalformedLine);
  ScriptedUser user;
  user.TypeText(IDC_EDIT_NAME, "Ripple");
  user.ClickButton(IDC_EDIT_SAVE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  ASSERT_EQ(user.MessageBoxes().size(), 3u);
  EXPECT_NE(user.MessageBoxes()[0].text.find("cannot be saved"), std::string::npos)
      << user.MessageBoxes()[0].text;
  const MessageBoxRecord& refusal = user.MessageBoxes()[2];
  EXPECT_EQ(refusal.title, "error");
  EXPECT_NE(refusal.text.find("malformed line"), std::string::npos) << refusal.text;
  EXPECT_NE(refusal.text.find("The change is not saved."), std::string::npos) << refusal.text;
  EXPECT_EQ(ReadFile(DataFile("Morfel.ini")), kLibraryWithAMalformedLine);
}

TEST_F(EditorDialogTest, AWellFormedLibraryOpensWithoutAWord) {
  WriteLibrary(kTwoGroups);
  ScriptedUser user;
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_TRUE(user.MessageBoxes().empty());
}

}  // namespace

namespace {

// Every question's default is No: a question nobody answers changes nothing.
class EditorQuestionDefaultTest : public EditorTest, public ::testing::WithParamInterface<int> {};

TEST_P(EditorQuestionDefaultTest, AnUnansweredQuestionChangesNothing) {
  WriteLibrary({Program("Deform", "Wave"), Program("Deform", "Twirl")});
  WriteFile(DataFile("ripple.txt"), "Group=Deform\nName=Ripple\nInit=\nProg=\n");
  std::string before = ReadFile(DataFile("Morfel.ini"));
  ScriptedUser user;
  if (GetParam() == IDC_EDIT_SAVE) user.TypeText(IDC_EDIT_NAME, "New");
  user.ClickButton(GetParam());
  user.ClickButton(IDCANCEL);
  RunEditor(user, true);
  ASSERT_EQ(user.MessageBoxes().size(), 1u);
  EXPECT_EQ(user.MessageBoxes()[0].title, "message");
  EXPECT_EQ(ReadLibrary(), (std::vector<StoredProgram>{Program("Deform", "Wave"),
                                                       Program("Deform", "Twirl")}));
  if (GetParam() != IDC_EDIT_DELETE) {  // Delete rewrites the file whatever the answer
    EXPECT_EQ(ReadFile(DataFile("Morfel.ini")), before);
  }
}

INSTANTIATE_TEST_SUITE_P(Buttons, EditorQuestionDefaultTest,
                         ::testing::Values(IDC_EDIT_SAVE, IDC_EDIT_DELETE, IDC_EDIT_MOVE,
                                           IDC_EDIT_FUNCTION));

}  // namespace
