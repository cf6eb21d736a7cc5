#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "library/library.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

const char kSampleInit[] = "coord=2;\r\n?param,message,0,100,50;\r\n";
const char kSampleTransform[] = "x=x+xs*param/100;\r\n";

TEST(LibraryFile, PathsJoinTheDataFolderWithTheSeparator) {
  char path[64];
  EXPECT_EQ(LibraryPath(path, sizeof path, "base/"), 21);
  EXPECT_EQ(std::string(path), std::string("base/Tarvo") + kPathSeparator + "Morfel.ini");
  EXPECT_EQ(SettingsPath(path, sizeof path, "base/"), 15);
  EXPECT_STREQ(path, "base/Morfel.dat");
  EXPECT_EQ(DataPath(path, sizeof path, "b/", "Param"), 13);
  char tiny[10];
  EXPECT_EQ(DataPath(tiny, sizeof tiny, "b/", "Param"), 0);
  EXPECT_STREQ(tiny, "");
}

TEST(LibraryFile, MissingFileLeavesTheLibraryEmpty) {
  TempFolder folder;
  ProgramLibrary library;
  int stopped = -1;
  EXPECT_EQ(LoadProgramLibrary(folder.base(), &library, &stopped), 0);
  EXPECT_EQ(stopped, 0);
  EXPECT_EQ(library.ProgramCount(), 0);
}

TEST(LibraryFile, SaveAndLoadRoundTrip) {
  TempFolder folder;
  ProgramLibrary library;
  library.AppendProgram("Deform", "Sample", kSampleInit, kSampleTransform);
  library.AppendProgram("Colour", "Gray", "", "R=G=B=(R+G+B)/3;");
  ASSERT_EQ(SaveLibrary(folder.base(), library), 1);
  std::string text = TempFolder::Read(folder.DataFile("Morfel.ini"));
  EXPECT_EQ(text,
            "[Prog000]\r\nGroup=Deform\r\nName=Sample\r\nInit=coord=2;\\n?param,message,0,100,"
            "50;\\n\r\nProg=x=x+xs*param/100;\\n\r\n"
            "[Prog001]\r\nGroup=Colour\r\nName=Gray\r\nInit=\r\nProg=R=G=B=(R+G+B)/3;\r\n");
  ProgramLibrary loaded;
  int stopped = -1;
  ASSERT_EQ(LoadProgramLibrary(folder.base(), &loaded, &stopped), 1);
  EXPECT_EQ(stopped, 0);
  EXPECT_EQ(loaded.ProgramCount(), 2);
  EXPECT_STREQ(loaded.ProgramField(0, "Init"), kSampleInit);
  EXPECT_STREQ(loaded.ProgramField(0, "Prog"), kSampleTransform);
  EXPECT_STREQ(loaded.ProgramField(1, "Name"), "Gray");
  EXPECT_FALSE(fs::exists(folder.DataFile("Morfel.ini.new")));
}

TEST(LibraryFile, ReportsTheLineThatStoppedReading) {
  TempFolder folder;
  TempFolder::Write(folder.DataFile("Morfel.ini"),
                    "[Prog000]\r\nGroup=a\r\nName=b\r\noops\r\n[Prog001]\r\nGroup=c\r\n");
  ProgramLibrary library;
  int stopped = 0;
  EXPECT_EQ(LoadProgramLibrary(folder.base(), &library, &stopped), 1);
  EXPECT_EQ(stopped, 4);
  EXPECT_EQ(library.ProgramCount(), 1);
}

TEST(LibraryFile, LibraryReadOnlyUpToABadLineIsNotWrittenOver) {
  struct Case {
    std::string text;
    int stoppedAt;
  } cases[] = {
      {"[Prog000]\r\nGroup=a\r\nName=b\r\n \r\n[Prog001]\r\nGroup=c\r\n", 4},
      // A hand-edited file starting with a NUL byte: once read as an empty key
      // and written back as "=...", which lost every program.
      {std::string("\0note=hand edited\r\n[Prog000]\r\nGroup=Deform\r\nName=Twirl\r\n", 56), 1},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    TempFolder::Write(folder.DataFile("Morfel.ini"), c.text);
    ProgramLibrary library;
    ASSERT_EQ(LoadProgramLibrary(folder.base(), &library), 1);
    EXPECT_EQ(library.incompleteLoad(), c.stoppedAt);
    ASSERT_NE(LibrarySaveRefusal(library), nullptr);
    library.AppendProgram("new", "program", "", "");
    EXPECT_EQ(SaveLibrary(folder.base(), library), 0);
    EXPECT_EQ(TempFolder::Read(folder.DataFile("Morfel.ini")), c.text);
  }
}

// A text that would read back changed is refused with the library's reason,
// naming the program, and the file keeps what it held.
TEST(LibraryFile, TextThatWouldReadBackChangedIsNotSaved) {
  TempFolder folder;
  ProgramLibrary library;
  library.AppendProgram("Deform", "Sample", kSampleInit, kSampleTransform);
  ASSERT_EQ(SaveLibrary(folder.base(), library), 1);
  const std::string before = TempFolder::Read(folder.DataFile("Morfel.ini"));
  library.AppendProgram("Stencil", "Sub", "LoadBmp(\"sub\\new\",0);", "");
  EXPECT_EQ(SaveLibrary(folder.base(), library), 0);
  const char* refusal = LibrarySaveRefusal(library);
  ASSERT_NE(refusal, nullptr);
  EXPECT_NE(std::string(refusal).find("\"Init\" of the program Stencil/Sub"), std::string::npos)
      << refusal;
  EXPECT_EQ(TempFolder::Read(folder.DataFile("Morfel.ini")), before);
}

TEST(LibraryFile, LibraryThatCannotBeReadIsNotWrittenOver) {
  TempFolder folder;
  fs::create_directory(folder.DataFile("Morfel.ini"));
  ProgramLibrary library;
  EXPECT_EQ(LoadProgramLibrary(folder.base(), &library), 0);
  EXPECT_EQ(library.incompleteLoad(), -1);
  EXPECT_NE(LibrarySaveRefusal(library), nullptr);
  library.AppendProgram("new", "program", "", "");
  EXPECT_EQ(SaveLibrary(folder.base(), library), 0);
  EXPECT_TRUE(fs::is_directory(folder.DataFile("Morfel.ini")));
}

TEST(LibraryFile, MissingOrWholeLibraryMaySave) {
  TempFolder folder;
  ProgramLibrary library;
  EXPECT_EQ(LoadProgramLibrary(folder.base(), &library), 0);
  EXPECT_EQ(LibrarySaveRefusal(library), nullptr);
  library.AppendProgram("g", "n", "", "");
  ASSERT_EQ(SaveLibrary(folder.base(), library), 1);
  ProgramLibrary reloaded;
  ASSERT_EQ(LoadProgramLibrary(folder.base(), &reloaded), 1);
  EXPECT_EQ(reloaded.incompleteLoad(), 0);
  EXPECT_EQ(SaveLibrary(folder.base(), reloaded), 1);
}

// A library larger than the old reading limit, with one line longer than the
// old line limit: both must come back whole.
TEST(LibraryFile, LargeFilesAndLongLinesAreReadWhole) {
  TempFolder folder;
  std::string text;
  std::string body(1000, 'x');
  for (int i = 0; i < 999; i++) {
    char section[kSectionNameSize];
    ProgramSectionName(i, section);
    text += std::string("[") + section + "]\r\nGroup=g\r\nName=n" + std::to_string(i) +
            "\r\nInit=" + body + "\r\nProg=" + body + "\r\n";
  }
  std::string longLine(3000, 'L');
  text += "[Prog999]\r\nGroup=g\r\nName=last\r\nInit=" + longLine + "\r\nProg=\r\n";
  ASSERT_GT(text.size(), static_cast<size_t>(kMaxLibraryBytes));
  TempFolder::Write(folder.DataFile("Morfel.ini"), text);
  ProgramLibrary library;
  int stopped = -1;
  ASSERT_EQ(LoadProgramLibrary(folder.base(), &library, &stopped), 1);
  EXPECT_EQ(stopped, 0);
  EXPECT_EQ(library.ProgramCount(), 1000);
  EXPECT_EQ(std::string(library.ProgramField(999, "Init")), longLine);
}

TEST(LibraryFile, RefusesALibraryTooLargeForItsReaders) {
  TempFolder folder;
  ProgramLibrary library;
  library.AppendProgram("g", "keep", "", "");
  ASSERT_EQ(SaveLibrary(folder.base(), library), 1);
  std::string before = TempFolder::Read(folder.DataFile("Morfel.ini"));
  std::string body(2000, 'x');
  for (int i = 0; i < 600; i++) {
    library.AppendProgram("g", std::to_string(i).c_str(), body.c_str(), "");
  }
  ASSERT_GT(library.SerializedLength(), static_cast<size_t>(kMaxLibraryBytes));
  EXPECT_NE(LibrarySaveRefusal(library), nullptr);
  EXPECT_EQ(SaveLibrary(folder.base(), library), 0);
  EXPECT_EQ(TempFolder::Read(folder.DataFile("Morfel.ini")), before);
}

TEST(LibraryFile, SerializedLibraryJustWithinTheLimitIsSaved) {
  TempFolder folder;
  ProgramLibrary library;
  library.Set("k", "", "s");
  size_t base = library.SerializedLength();
  std::string filler(static_cast<size_t>(kMaxLibraryBytes) - 1 - base, 'f');
  library.Set("k", filler.c_str(), "s");
  ASSERT_EQ(library.SerializedLength() + 1, static_cast<size_t>(kMaxLibraryBytes));
  EXPECT_EQ(SaveLibrary(folder.base(), library), 1);
  library.Set("k", (filler + "f").c_str(), "s");
  EXPECT_EQ(SaveLibrary(folder.base(), library), 0);
}

class InterruptedSave : public ::testing::Test {
 protected:
  void SetUp() override {
    original.AppendProgram("Deform", "Sample", kSampleInit, kSampleTransform);
    ASSERT_EQ(SaveLibrary(folder.base(), original), 1);
    before = TempFolder::Read(folder.DataFile("Morfel.ini"));
    changed.AppendProgram("Other", "Program", "", "");
  }

  TempFolder folder;
  ProgramLibrary original;
  ProgramLibrary changed;
  std::string before;
};

TEST_F(InterruptedSave, TemporaryFileThatCannotBeCreatedKeepsTheOldLibrary) {
  fs::create_directory(folder.DataFile("Morfel.ini.new"));
  EXPECT_EQ(SaveLibrary(folder.base(), changed), 0);
  EXPECT_EQ(TempFolder::Read(folder.DataFile("Morfel.ini")), before);
}

TEST_F(InterruptedSave, ReadOnlyTargetIsNotReplaced) {
  fs::permissions(folder.DataFile("Morfel.ini"),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_EQ(SaveLibrary(folder.base(), changed), 0);
  EXPECT_EQ(TempFolder::Read(folder.DataFile("Morfel.ini")), before);
  EXPECT_FALSE(fs::exists(folder.DataFile("Morfel.ini.new")));
}

// The last step of every save is a rename over the old file; when it fails
// (here onto a folder that is not empty, which fails even for root) the save
// says so and leaves nothing behind.
TEST_F(InterruptedSave, FailedFinalRenameIsAFailure) {
  ParamSlot slots[kParamSlotCount] = {};
  ParameterSet set = {};
  const std::string targets[] = {folder.DataFile("Morfel.ini"), folder.BaseFile("Morfel.dat"),
                                 folder.DataFile("set.mfp")};
  for (const std::string& target : targets) {
    fs::remove(target);
    fs::create_directory(target);
    TempFolder::Write(target + "/kept", "x");
  }
  EXPECT_EQ(SaveLibrary(folder.base(), changed), 0);
  EXPECT_EQ(SaveSettings(folder.base(), FilterSettings{}, slots), 0);
  EXPECT_EQ(WriteParameterSet(targets[2].c_str(), set), 0);
  for (const std::string& target : targets) {
    EXPECT_EQ(TempFolder::Read(target + "/kept"), "x");
    EXPECT_FALSE(fs::exists(target + ".new")) << target;
  }
}

TEST_F(InterruptedSave, MissingDataFolderFailsWithoutWriting) {
  TempFolder other;
  fs::remove(other.data());
  EXPECT_EQ(SaveLibrary(other.base(), changed), 0);
  EXPECT_FALSE(fs::exists(other.data()));
}

}  // namespace
