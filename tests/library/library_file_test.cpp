#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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
#if defined(_WIN32)
  GTEST_SKIP() << "a full disk is played with a file size limit";
#else
  {
    FileSizeLimit full(16);
    EXPECT_EQ(SaveLibrary(folder.base(), changed), 0);
  }
  EXPECT_EQ(TempFolder::Read(folder.DataFile("Morfel.ini")), before);
  EXPECT_TRUE(TempFolder::Temporaries(folder.data()).empty());
#endif
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

// An edit sees the file as it is when it runs, and only what it changes is
// written: a program saved by another writer in between is kept.
TEST(UpdateLibrary, EditsTheFileAsItIsNow) {
  TempFolder folder;
  ProgramLibrary mine;  // loaded while the file was still empty
  LoadProgramLibrary(folder.base(), &mine);
  ProgramLibrary other;
  other.AppendProgram("Other", "First", "", "");
  ASSERT_EQ(SaveLibrary(folder.base(), other), 1);
  int runs = 0;
  const FileUpdate update = UpdateLibrary(
      folder.base(),
      [&](ProgramLibrary& current) {
        ++runs;
        EXPECT_EQ(current.ProgramCount(), 1);
        current.AppendProgram("Mine", "Second", "", "");
        return LibraryEdit::kChanged;
      },
      &mine);
  EXPECT_EQ(update.status, FileUpdateStatus::kWritten);
  EXPECT_EQ(runs, 1);
  ProgramLibrary stored;
  ASSERT_EQ(LoadProgramLibrary(folder.base(), &stored), 1);
  EXPECT_EQ(stored.FindProgram("Other", "First"), 0);
  EXPECT_EQ(stored.FindProgram("Mine", "Second"), 1);
  EXPECT_EQ(mine.ProgramCount(), 2);
  // A file read only in part is refused before the edit runs.
  const std::string malformed = "[Prog000]\r\nGroup=a\r\nName=b\r\noops\r\n";
  TempFolder::Write(folder.DataFile("Morfel.ini"), malformed);
  const FileUpdate refused = UpdateLibrary(
      folder.base(), [&](ProgramLibrary&) { return ++runs, LibraryEdit::kChanged; }, &mine);
  EXPECT_EQ(refused.status, FileUpdateStatus::kRefused);
  EXPECT_NE(refused.message.find("malformed line"), std::string::npos) << refused.message;
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(TempFolder::Read(folder.DataFile("Morfel.ini")), malformed);
}

#if !defined(_WIN32)

void SetTimeInThePast(const std::string& path) {
  const struct timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
  utimensat(AT_FDCWD, path.c_str(), past, AT_SYMLINK_NOFOLLOW);
}

// What killed writers left (the fixed name of old, and temporary files of
// the unique kind) goes with the next write; a link planted there is
// removed, never written through; what is not a writer's is left alone.
TEST(LockedWrite, LeftoversGoAndPlantedLinksAreNeverWrittenThrough) {
  enum Kind { kFile, kLink, kFolder };
  struct Case {
    bool settings;  // the settings file's writer, else the library's
    const char* name;
    Kind kind;
    bool removed;
  } cases[] = {
      {false, "Morfel.ini.new", kLink, true},
      {false, "Morfel.ini.new", kFile, true},
      {false, "Morfel.ini.new-0123456789ab", kLink, true},
      {false, "Morfel.ini.new-00000000cafe", kFile, true},
      {false, "Morfel.ini.new", kFolder, false},
      {false, "Morfel.ini.newer", kFile, false},
      {false, "Morfel.ini.new-notourname", kFile, false},
      {true, "Morfel.dat.new", kLink, true},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    const std::string victim = folder.BaseFile("victim");
    TempFolder::Write(victim, "precious");
    const std::string planted = c.settings ? folder.BaseFile(c.name) : folder.DataFile(c.name);
    if (c.kind == kLink) fs::create_symlink(victim, planted);
    if (c.kind == kFile) TempFolder::Write(planted, "half written");
    if (c.kind == kFolder) fs::create_directory(planted);
    SetTimeInThePast(planted);
    bool written = false;
    if (c.settings) {
      ParamSlot slots[kParamSlotCount] = {};
      written = SaveSettings(folder.base(), FilterSettings{1, 2, 0, 0}, slots) == 1;
    } else {
      ProgramLibrary library;
      written = UpdateLibrary(
                    folder.base(),
                    [](ProgramLibrary& current) {
                      current.AppendProgram("g", "n", "", "");
                      return LibraryEdit::kChanged;
                    },
                    &library)
                    .Succeeded();
    }
    EXPECT_TRUE(written) << c.name;
    EXPECT_EQ(TempFolder::Read(victim), "precious") << c.name;
    std::error_code error;
    EXPECT_EQ(fs::exists(fs::symlink_status(planted, error)), !c.removed) << c.name;
    const std::string file =
        c.settings ? folder.BaseFile("Morfel.dat") : folder.DataFile("Morfel.ini");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file))) << c.name;
  }
}

// A file that is a link stays one: the file it names gets the new text.
TEST(LockedWrite, ALinkedFileStaysALinkAndItsTargetIsWritten) {
  struct Case {
    bool settings;
    bool relative;
  } cases[] = {{false, true}, {false, false}, {true, false}};
  for (const Case& c : cases) {
    TempFolder folder;
    fs::create_directory(folder.BaseFile("real"));
    const std::string real = folder.BaseFile("real") + "/kept.txt";
    TempFolder::Write(real, "");
    const std::string link =
        c.settings ? folder.BaseFile("Morfel.dat") : folder.DataFile("Morfel.ini");
    fs::create_symlink(c.relative ? "../real/kept.txt" : real, link);
    if (c.settings) {
      ParamSlot slots[kParamSlotCount] = {};
      ASSERT_EQ(SaveSettings(folder.base(), FilterSettings{7, 0, 0, 0}, slots), 1);
      EXPECT_NE(TempFolder::Read(real).find("GroupNo=7"), std::string::npos);
    } else {
      ProgramLibrary library;
      library.AppendProgram("Linked", "Program", "", "x=1;");
      ASSERT_EQ(SaveLibrary(folder.base(), library), 1);
      EXPECT_NE(TempFolder::Read(real).find("Name=Program"), std::string::npos);
    }
    EXPECT_TRUE(fs::is_symlink(link)) << c.settings << c.relative;
    EXPECT_TRUE(TempFolder::Temporaries(folder.BaseFile("real")).empty());
  }
}

// A writer that cannot have the lock writes nothing and says which file and
// why: another writer holding it too long, or a link planted as lock file.
TEST(LockedWrite, ALockThatCannotBeHadRefusesNamingTheFile) {
  struct Case {
    bool held;  // else a link stands in its place
    FileUpdateStatus status;
    const char* says;
  } cases[] = {
      {false, FileUpdateStatus::kCannotLock, "its lock file"},
      {true, FileUpdateStatus::kLockBusy, "has held its lock"},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    ProgramLibrary library;
    library.AppendProgram("g", "n", "", "");
    ASSERT_EQ(SaveLibrary(folder.base(), library), 1);
    const std::string before = TempFolder::Read(folder.DataFile("Morfel.ini"));
    const std::string lockPath = folder.DataFile("Morfel.ini.lock");
    int holder = -1;
    if (c.held) {
      holder = open(lockPath.c_str(), O_RDONLY);
      ASSERT_EQ(flock(holder, LOCK_EX), 0);
    } else {
      fs::remove(lockPath);
      fs::create_symlink(folder.BaseFile("elsewhere"), lockPath);
    }
    bool edited = false;
    const FileUpdate update = UpdateLibrary(
        folder.base(), [&](ProgramLibrary&) { return edited = true, LibraryEdit::kChanged; },
        &library);
    if (holder >= 0) close(holder);
    EXPECT_EQ(update.status, c.status);
    EXPECT_NE(update.message.find("Morfel.ini\""), std::string::npos) << update.message;
    EXPECT_NE(update.message.find(c.says), std::string::npos) << update.message;
    EXPECT_FALSE(edited);
    EXPECT_EQ(library.ProgramCount(), 1);  // what the file holds, read all the same
    EXPECT_EQ(TempFolder::Read(folder.DataFile("Morfel.ini")), before);
    EXPECT_FALSE(fs::exists(folder.BaseFile("elsewhere")));
  }
}

// Reading takes no lock, so a folder the user may only read still reads.
TEST(LockedWrite, AReadOnlyFolderStillReads) {
  TempFolder folder;
  ProgramLibrary library;
  library.AppendProgram("g", "n", "", "");
  ASSERT_EQ(SaveLibrary(folder.base(), library), 1);
  fs::remove(folder.DataFile("Morfel.ini.lock"));
  fs::permissions(folder.data(), fs::perms::owner_read | fs::perms::owner_exec);
  ProgramLibrary loaded;
  EXPECT_EQ(LoadProgramLibrary(folder.base(), &loaded), 1);
  EXPECT_EQ(loaded.ProgramCount(), 1);
  if (geteuid() != 0) {  // root writes anyway
    const FileUpdate update = UpdateLibrary(
        folder.base(), [](ProgramLibrary&) { return LibraryEdit::kChanged; }, &loaded);
    EXPECT_EQ(update.status, FileUpdateStatus::kCannotLock);
    EXPECT_EQ(loaded.ProgramCount(), 1);
  }
}

#endif

}  // namespace
