// "Function": program files of the data folder merged into the library.
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "tests/library/temp_folder.h"
#include "tests/ui/editor_fixture.h"

namespace {

const char kQuestion[] = "message: Do you want to add new functions?";

std::string Summary(int added, int overwritten) {
  return "message: " + std::to_string(added) + " new program(s) are added. " +
         std::to_string(overwritten) + " program(s) are overwritten.";
}

void ClickImport(ScriptedUser& user) {
  user.ClickButton(IDC_EDIT_FUNCTION);
  user.AnswerMessageBox(IDYES);
}

// A program file, each line ended by lineEnd.
std::string RippleFile(const std::string& lineEnd) {
  std::string text;
  for (const char* line :
       {"Group=Deform", "Name=Ripple", "Init=a=1;\\nb=2;\\n", "Prog=x=x+a;\\n"}) {
    text += line + lineEnd;
  }
  return text;
}

const std::string kWaveFile = RippleFile("\n");

TEST_F(EditorTest, ImportOfTheSameFileTwiceAddsOnceThenOverwrites) {
  WriteLibrary({Program("Colour", "Grey")});
  WriteFile(DataFile("ripple.txt"), kWaveFile);
  ScriptedUser user;
  ClickImport(user);
  user.AnswerMessageBox(IDOK);
  ClickImport(user);
  user.AnswerMessageBox(IDOK);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(Boxes(user),
            (std::vector<std::string>{kQuestion, Summary(1, 0), kQuestion, Summary(0, 1)}));
  EXPECT_EQ(ReadLibrary(), (std::vector<StoredProgram>{
                               Program("Colour", "Grey"),
                               Program("Deform", "Ripple", "a=1;\r\nb=2;\r\n", "x=x+a;\r\n")}));
}

TEST_F(EditorTest, ACrLfProgramFileImportsLikeAnLfOne) {
  std::vector<std::vector<StoredProgram>> results;
  for (const char* lineEnd : {"\n", "\r\n"}) {
    WriteLibrary({Program("Colour", "Grey")});
    WriteFile(DataFile("ripple.txt"), RippleFile(lineEnd));
    ScriptedUser user;
    ClickImport(user);
    user.AnswerMessageBox(IDOK);
    user.ClickButton(IDCANCEL);
    RunEditor(user);
    EXPECT_EQ(Boxes(user).back(), Summary(1, 0))
        << "line end " << (lineEnd[0] == '\r' ? "CR LF" : "LF");
    results.push_back(ReadLibrary());
  }
  EXPECT_EQ(results[0], results[1]);
}

TEST_F(EditorTest, ImportMergesEveryFileInTurn) {
  WriteLibrary({Program("Deform", "Ripple")});
  WriteFile(DataFile("a.txt"), "Group=Deform\nName=Ripple\nInit=\nProg=y=y;\\n\n");
  WriteFile(DataFile("b.txt"), "Group=Colour\nName=Red\nInit=\nProg=G=0;\\n\n");
  WriteFile(DataFile("c.txt"), "Group=Colour\nName=Red\nInit=\nProg=B=0;\\n\n");
  WriteFile(DataFile("d.txt"), "Name=No group\nInit=\nProg=\n");
  WriteFile(DataFile("e.dat"), "Group=Other\nName=Ignored\nInit=\nProg=\n");
  ScriptedUser user;
  ClickImport(user);
  user.AnswerMessageBox(IDOK);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(Boxes(user).back(), Summary(1, 2));
  EXPECT_EQ(ReadLibrary(), (std::vector<StoredProgram>{Program("Deform", "Ripple", "", "y=y;\r\n"),
                                                       Program("Colour", "Red", "", "B=0;\r\n")}));
}

TEST_F(EditorTest, ImportWithoutProgramFilesSaysSoAndKeepsTheLibrary) {
  WriteLibrary({Program("Deform", "Ripple")});
  std::string before = ReadFile(DataFile("Morfel.ini"));
  ScriptedUser user;
  ClickImport(user);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(Boxes(user), (std::vector<std::string>{kQuestion, "error: No file founds."}));
  EXPECT_EQ(ReadFile(DataFile("Morfel.ini")), before);
}

TEST_F(EditorTest, ImportAnsweredNoReadsNoFile) {
  WriteLibrary({Program("Colour", "Grey")});
  WriteFile(DataFile("ripple.txt"), kWaveFile);
  ScriptedUser user;
  user.ClickButton(IDC_EDIT_FUNCTION);
  user.AnswerMessageBox(IDNO);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(Boxes(user), std::vector<std::string>{kQuestion});
  EXPECT_EQ(ReadLibrary().size(), 1u);
}

TEST_F(EditorTest, ImportNamesAFileItRefuses) {
  WriteLibrary({Program("Colour", "Grey")});
  WriteFile(DataFile("long.txt"),
            "Group=Deform\nName=Long\nInit=" + std::string(kProgramTextSize, 'a') + "\nProg=\n");
  WriteFile(DataFile("ripple.txt"), kWaveFile);
  ScriptedUser user;
  ClickImport(user);
  user.AnswerMessageBox(IDOK);
  user.AnswerMessageBox(IDOK);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  ASSERT_EQ(user.MessageBoxes().size(), 3u);
  EXPECT_EQ(user.MessageBoxes()[1].title, "error");
  EXPECT_EQ(user.MessageBoxes()[1].text.rfind("long.txt", 0), 0u);
  EXPECT_EQ(Boxes(user)[2], Summary(1, 0));
}

// A folder or a FIFO named like a program file is skipped with a note naming
// it; the FIFO is never waited on.
TEST_F(EditorTest, ImportSkipsAFolderNamedLikeAProgramFile) {
  WriteLibrary({Program("Colour", "Grey")});
  std::vector<std::string> expected = {kQuestion};
  std::vector<std::string> skipped = {"folder.txt"};
  std::filesystem::create_directories(DataFile("folder.txt"));
#ifndef _WIN32
  ASSERT_EQ(mkfifo(DataFile("fifo.txt").c_str(), 0644), 0);
  skipped.insert(skipped.begin(), "fifo.txt");
#endif
  WriteFile(DataFile("ripple.txt"), kWaveFile);
  ScriptedUser user;
  ClickImport(user);
  for (const std::string& name : skipped) {
    user.AnswerMessageBox(IDOK);
    expected.push_back("message: " + name +
                       ": not a regular file (a folder, FIFO or device); it is skipped.");
  }
  user.AnswerMessageBox(IDOK);
  user.ClickButton(IDCANCEL);
  Watchdog watchdog("an import with a FIFO in the data folder");
  RunEditor(user);
  expected.push_back(Summary(1, 0));
  EXPECT_EQ(Boxes(user), expected);
}

}  // namespace
