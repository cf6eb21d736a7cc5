// "Delete" and "Move" keep the library numbered densely, in memory and in
// the file.
#include <string>
#include <vector>

#include "tests/ui/editor_fixture.h"

namespace {

std::vector<StoredProgram> Named(const std::vector<std::string>& names) {
  std::vector<StoredProgram> programs;
  for (const std::string& name : names) programs.push_back(Program("Deform", name));
  return programs;
}

struct DeleteCase {
  const char* name;
  std::vector<std::string> left;
};

class EditorDeleteTest : public EditorTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(EditorDeleteTest, RenumbersTheProgramsDensely) {
  WriteLibrary(Named({"a", "b", "c", "d"}));
  ScriptedUser user;
  user.TypeText(IDC_EDIT_NAME, GetParam().name);
  user.ClickButton(IDC_EDIT_DELETE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(Boxes(user), std::vector<std::string>{"message: Do you delete this program?"});
  EXPECT_EQ(ReadLibrary(), Named(GetParam().left));
  // No section is left behind the last program.
  std::string file = ReadFile(DataFile("Morfel.ini"));
  EXPECT_EQ(file.find("[Prog003]"), std::string::npos);
  EXPECT_NE(file.find("[Prog002]"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Positions, EditorDeleteTest,
                         ::testing::Values(DeleteCase{"a", {"b", "c", "d"}},
                                           DeleteCase{"c", {"a", "b", "d"}},
                                           DeleteCase{"d", {"a", "b", "c"}}));

// After a delete the group and name boxes show the group's first program,
// while the text boxes keep what was read from them: saving next stores
// those texts under that first program.
TEST_F(EditorTest, DeleteShowsTheFirstProgramOfTheGroupAndKeepsTheTexts) {
  WriteLibrary(Named({"a", "b", "c"}));
  ScriptedUser user;
  user.TypeText(IDC_EDIT_NAME, "b");
  user.TypeText(IDC_EDIT_INIT, "kept=1;\r\n");
  user.ClickButton(IDC_EDIT_DELETE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDC_EDIT_SAVE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(Boxes(user), (std::vector<std::string>{"message: Do you delete this program?",
                                                   "message: Do you overwrite?"}));
  std::vector<StoredProgram> expected = Named({"a", "c"});
  expected[0].init = "kept=1;\r\n";
  EXPECT_EQ(ReadLibrary(), expected);
}

TEST_F(EditorTest, DeleteAnsweredNoKeepsEveryProgram) {
  WriteLibrary(Named({"a", "b"}));
  ScriptedUser user;
  user.TypeText(IDC_EDIT_NAME, "a");
  user.ClickButton(IDC_EDIT_DELETE);
  user.AnswerMessageBox(IDNO);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(ReadLibrary(), Named({"a", "b"}));
}

TEST_F(EditorTest, DeleteOfAnUnknownProgramAsksNothing) {
  WriteLibrary(Named({"a", "b"}));
  ScriptedUser user;
  user.TypeText(IDC_EDIT_NAME, "zz");
  user.ClickButton(IDC_EDIT_DELETE);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_TRUE(user.MessageBoxes().empty());
  EXPECT_EQ(ReadLibrary(), Named({"a", "b"}));
}

TEST_F(EditorTest, DeleteOfTheOnlyProgramLeavesAnEmptyLibrary) {
  WriteLibrary(Named({"a"}));
  ScriptedUser user;
  user.ClickButton(IDC_EDIT_DELETE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_TRUE(ReadLibrary().empty());
}

// The copies apart and side by side: removing one must not skip the next.
TEST_F(EditorTest, MoveOfAProgramStoredTwiceAsksTwiceAndKeepsOneCopyAtTheEnd) {
  for (const std::vector<std::string>& stored : {std::vector<std::string>{"x", "y", "x", "z"},
                                                 std::vector<std::string>{"y", "x", "x", "z"}}) {
    WriteLibrary(Named(stored));
    ScriptedUser user;
    user.TypeText(IDC_EDIT_NAME, "x");
    user.TypeText(IDC_EDIT_INIT, "moved=1;\r\n");
    user.ClickButton(IDC_EDIT_MOVE);
    user.AnswerMessageBox(IDYES);
    user.AnswerMessageBox(IDYES);
    user.ClickButton(IDCANCEL);
    RunEditor(user);
    EXPECT_EQ(Boxes(user),
              (std::vector<std::string>{"message: Do you move this program at last?",
                                        "message: Do you move this program at last?"}));
    std::vector<StoredProgram> expected = Named({"y", "z"});
    expected.push_back(Program("Deform", "x", "moved=1;\r\n"));
    EXPECT_EQ(ReadLibrary(), expected) << stored[0] << stored[1] << stored[2] << stored[3];
  }
}

// The first copy goes, side by side too: the second keeps its own texts.
TEST_F(EditorTest, MoveCancelledAfterARemovalWritesWhatTheLibraryHolds) {
  WriteLibrary(Named({"x", "y", "x", "z"}));
  ScriptedUser user;
  user.TypeText(IDC_EDIT_NAME, "x");
  user.ClickButton(IDC_EDIT_MOVE);
  user.AnswerMessageBox(IDYES);
  user.AnswerMessageBox(IDNO);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(ReadLibrary(), Named({"y", "x", "z"}));

  const StoredProgram second = Program("Deform", "x", "second=1;\r\n");
  WriteLibrary({Program("Deform", "y"), Program("Deform", "x", "first=1;\r\n"), second});
  ScriptedUser again;
  again.TypeText(IDC_EDIT_NAME, "x");
  again.ClickButton(IDC_EDIT_MOVE);
  again.AnswerMessageBox(IDYES);
  again.AnswerMessageBox(IDNO);
  again.ClickButton(IDCANCEL);
  RunEditor(again);
  EXPECT_EQ(ReadLibrary(), (std::vector<StoredProgram>{Program("Deform", "y"), second}));
}

TEST_F(EditorTest, MoveCancelledAtOnceChangesNothing) {
  WriteLibrary(Named({"x", "y"}));
  std::string before = ReadFile(DataFile("Morfel.ini"));
  ScriptedUser user;
  user.ClickButton(IDC_EDIT_MOVE);
  user.AnswerMessageBox(IDNO);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(ReadFile(DataFile("Morfel.ini")), before);
}

TEST_F(EditorTest, MoveOfAnUnknownProgramSaysItCannotBeFound) {
  WriteLibrary(Named({"x", "y"}));
  ScriptedUser user;
  user.TypeText(IDC_EDIT_NAME, "nowhere");
  user.ClickButton(IDC_EDIT_MOVE);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(Boxes(user), std::vector<std::string>{"message: Program cannot be found."});
  EXPECT_EQ(ReadLibrary(), Named({"x", "y"}));
}

TEST_F(EditorTest, MoveOfATextTooLongToStoreRemovesNothing) {
  WriteLibrary(Named({"x", "y"}));
  std::string before = ReadFile(DataFile("Morfel.ini"));
  ScriptedUser user;
  user.TypeText(IDC_EDIT_INIT, std::string(kProgramTextSize - 1, 'a'));
  user.ClickButton(IDC_EDIT_MOVE);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  ASSERT_EQ(user.MessageBoxes().size(), 1u);
  EXPECT_EQ(user.MessageBoxes()[0].title, "error");
  EXPECT_EQ(ReadFile(DataFile("Morfel.ini")), before);
}

}  // namespace
