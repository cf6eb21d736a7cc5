// "Clear" and "Save": new programs go to the end, known ones are replaced in
// place, and nothing the library could not read back is ever stored.
#include <string>
#include <vector>

#include "tests/ui/editor_fixture.h"

namespace {

const StoredProgram kSample = {"Deform", "Sample", "coord=2;\r\n?param,message,0,100,50;\r\n",
                               "x=x+xs*param/100;\r\n"};

TEST_F(EditorTest, ClearThenSaveAppendsTheSampleProgram) {
  WriteLibrary({Program("Colour", "Grey")});
  ScriptedUser user;
  user.ClickButton(IDC_EDIT_CLEAR);
  user.ClickButton(IDC_EDIT_SAVE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(Boxes(user), std::vector<std::string>{"message: Do you save as a new program?"});
  EXPECT_EQ(ReadLibrary(), (std::vector<StoredProgram>{Program("Colour", "Grey"), kSample}));
}

TEST_F(EditorTest, SaveAnsweredNoStoresNothing) {
  WriteLibrary({Program("Colour", "Grey")});
  std::string before = ReadFile(DataFile("Morfel.ini"));
  ScriptedUser user;
  user.ClickButton(IDC_EDIT_CLEAR);
  user.ClickButton(IDC_EDIT_SAVE);
  user.AnswerMessageBox(IDNO);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(ReadFile(DataFile("Morfel.ini")), before);
}

TEST_F(EditorTest, SaveOfAKnownPairOverwritesInPlace) {
  WriteLibrary({Program("Deform", "Wave"), Program("Deform", "Twirl"), Program("Colour", "Grey")});
  ScriptedUser user;
  user.TypeText(IDC_EDIT_NAME, "Twirl");
  user.TypeText(IDC_EDIT_INIT, "a=2;\r\nb=3;\r\n");
  user.TypeText(IDC_EDIT_TRANSFORM, "y=y*a;\r\n");
  user.ClickButton(IDC_EDIT_SAVE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(Boxes(user), std::vector<std::string>{"message: Do you overwrite?"});
  EXPECT_EQ(ReadLibrary(),
            (std::vector<StoredProgram>{Program("Deform", "Wave"),
                                        Program("Deform", "Twirl", "a=2;\r\nb=3;\r\n", "y=y*a;\r\n"),
                                        Program("Colour", "Grey")}));
}

TEST_F(EditorTest, GroupAndNameAreComparedWithTheirLetterCase) {
  WriteLibrary({Program("Deform", "Wave")});
  ScriptedUser user;
  user.TypeText(IDC_EDIT_GROUP, "deform");
  user.ClickButton(IDC_EDIT_SAVE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(Boxes(user), std::vector<std::string>{"message: Do you save as a new program?"});
  EXPECT_EQ(ReadLibrary().size(), 2u);
}

TEST_F(EditorTest, SavedLineBreaksComeBackAsCrLf) {
  WriteLibrary({Program("Deform", "Wave")});
  ScriptedUser user;
  user.TypeText(IDC_EDIT_NAME, "Lines");
  user.TypeText(IDC_EDIT_INIT, "a=1;\r\n\r\nb=2;\r\n");
  user.ClickButton(IDC_EDIT_SAVE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  ASSERT_EQ(ReadLibrary().size(), 2u);
  EXPECT_EQ(ReadLibrary()[1].init, "a=1;\r\n\r\nb=2;\r\n");
  EXPECT_NE(ReadFile(DataFile("Morfel.ini")).find("Init=a=1;\\n\\nb=2;\\n\r\n"), std::string::npos);
}

TEST_F(EditorTest, SaveIntoAFullLibraryIsRefusedBeforeAnyQuestion) {
  std::vector<StoredProgram> programs;
  for (int i = 0; i < kMaxPrograms; ++i) programs.push_back(Program("G", std::to_string(i)));
  WriteLibrary(programs);
  std::string before = ReadFile(DataFile("Morfel.ini"));
  ScriptedUser user;
  user.TypeText(IDC_EDIT_NAME, "one more");
  user.ClickButton(IDC_EDIT_SAVE);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  ASSERT_EQ(user.MessageBoxes().size(), 1u);
  EXPECT_EQ(user.MessageBoxes()[0].title, "error");
  EXPECT_NE(user.MessageBoxes()[0].text.find("full"), std::string::npos);
  EXPECT_EQ(ReadFile(DataFile("Morfel.ini")), before);
}

TEST_F(EditorTest, SaveOfAFullLibraryStillOverwrites) {
  std::vector<StoredProgram> programs;
  for (int i = 0; i < kMaxPrograms; ++i) programs.push_back(Program("G", std::to_string(i)));
  WriteLibrary(programs);
  ScriptedUser user;
  user.TypeText(IDC_EDIT_NAME, "999");
  user.TypeText(IDC_EDIT_TRANSFORM, "y=-y;\r\n");
  user.ClickButton(IDC_EDIT_SAVE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  std::vector<StoredProgram> stored = ReadLibrary();
  ASSERT_EQ(stored.size(), static_cast<size_t>(kMaxPrograms));
  EXPECT_EQ(stored.back().transform, "y=-y;\r\n");
}

// A text whose stored line is longer than a reader accepts would cut the
// library short at the next load; the box takes up to 2047 characters.
struct TooLongCase {
  int box;
  const char* named;
};

class EditorTooLongTest : public EditorTest, public ::testing::WithParamInterface<TooLongCase> {};

TEST_P(EditorTooLongTest, SaveRefusesATextTheLibraryCouldNotReadBack) {
  WriteLibrary({Program("Deform", "Wave")});
  std::string before = ReadFile(DataFile("Morfel.ini"));
  ScriptedUser user;
  user.TypeText(GetParam().box, std::string(kProgramTextSize - 1, 'a'));
  user.ClickButton(IDC_EDIT_SAVE);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  ASSERT_EQ(user.MessageBoxes().size(), 1u);
  EXPECT_EQ(user.MessageBoxes()[0].title, "error");
  EXPECT_NE(user.MessageBoxes()[0].text.find(GetParam().named), std::string::npos);
  EXPECT_EQ(ReadFile(DataFile("Morfel.ini")), before);
}

INSTANTIATE_TEST_SUITE_P(Boxes, EditorTooLongTest,
                         ::testing::Values(TooLongCase{IDC_EDIT_INIT, "Initialize"},
                                           TooLongCase{IDC_EDIT_TRANSFORM, "Transform"}));

TEST_F(EditorTest, ALibraryFileThatCannotBeWrittenIsReported) {
  WriteLibrary({Program("Deform", "Wave")});
  std::filesystem::remove_all(DataFile(""));
  ScriptedUser user;
  user.TypeText(IDC_EDIT_NAME, "Ripple");
  user.ClickButton(IDC_EDIT_SAVE);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  ASSERT_FALSE(user.MessageBoxes().empty());
  const MessageBoxRecord& last = user.MessageBoxes().back();
  EXPECT_EQ(last.title, "error");
  EXPECT_NE(last.text.find("could not be written"), std::string::npos);
}

}  // namespace
