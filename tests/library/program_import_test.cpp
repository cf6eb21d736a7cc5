#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "library/library.h"
#include "temp_folder.h"

namespace {

const char kTwirlLf[] = "Group=Deform\nName=Twirl\nInit=?a,angle,0,360,90;\\n\nProg=t=t+a;\\n\n";
const char kTwirlCrLf[] =
    "Group=Deform\r\nName=Twirl\r\nInit=?a,angle,0,360,90;\\n\r\nProg=t=t+a;\\n\r\n";

class ProgramImport : public ::testing::Test {
 protected:
  ImportOutcome Import(const char* fileName) {
    return ImportProgramFile(folder.base(), fileName, &library, &counters, message, sizeof message);
  }
  void WriteFile(const char* fileName, const std::string& contents) {
    TempFolder::Write(folder.DataFile(fileName), contents);
  }

  TempFolder folder;
  ProgramLibrary library;
  ImportCounters counters{0, 0};
  char message[512] = "stale";
};

TEST_F(ProgramImport, SameFileTwiceAddsOnceThenOverwrites) {
  WriteFile("twirl.txt", kTwirlLf);
  EXPECT_EQ(Import("twirl.txt"), kImportAdded);
  EXPECT_STREQ(message, "");
  EXPECT_EQ(counters.added, 1);
  EXPECT_EQ(counters.overwritten, 0);
  counters = ImportCounters{0, 0};
  EXPECT_EQ(Import("twirl.txt"), kImportOverwritten);
  EXPECT_EQ(counters.added, 0);
  EXPECT_EQ(counters.overwritten, 1);
  EXPECT_EQ(library.ProgramCount(), 1);
  char summary[128];
  FormatImportSummary(counters, summary, sizeof summary);
  EXPECT_STREQ(summary, "0 new program(s) are added. 1 program(s) are overwritten.");
}

TEST_F(ProgramImport, CrLfAndLfFilesImportAlike) {
  WriteFile("lf.txt", kTwirlLf);
  WriteFile("crlf.txt", kTwirlCrLf);
  EXPECT_EQ(Import("lf.txt"), kImportAdded);
  std::string init = library.ProgramField(0, "Init");
  std::string prog = library.ProgramField(0, "Prog");
  EXPECT_EQ(init, "?a,angle,0,360,90;\r\n");
  EXPECT_EQ(Import("crlf.txt"), kImportOverwritten);
  EXPECT_EQ(init, library.ProgramField(0, "Init"));
  EXPECT_EQ(prog, library.ProgramField(0, "Prog"));
  EXPECT_STREQ(library.ProgramField(0, "Group"), "Deform");
}

TEST_F(ProgramImport, OverwriteKeepsThePlaceAndOnlyReplacesTexts) {
  library.AppendProgram("A", "first", "", "");
  library.AppendProgram("Deform", "Twirl", "old", "old");
  library.AppendProgram("A", "last", "", "");
  WriteFile("twirl.txt", kTwirlLf);
  EXPECT_EQ(Import("twirl.txt"), kImportOverwritten);
  EXPECT_EQ(library.ProgramCount(), 3);
  EXPECT_STREQ(library.ProgramField(1, "Prog"), "t=t+a;\r\n");
}

TEST_F(ProgramImport, GroupAndNameAreComparedExactly) {
  library.AppendProgram("deform", "Twirl", "", "");
  WriteFile("twirl.txt", kTwirlLf);
  EXPECT_EQ(Import("twirl.txt"), kImportAdded);
  EXPECT_EQ(library.ProgramCount(), 2);
}

// A hand-edited section with a group but no name must neither end the
// search (the match after it would be missed and the program added twice)
// nor be taken over by the imported program, which would lose it.
TEST_F(ProgramImport, SectionWithoutANameIsPassedOverAndKept) {
  library.Set("Group", "Deform", "Prog000");
  library.Set("Init", "kept", "Prog000");
  library.AppendProgram("Deform", "Twirl", "old", "old");
  WriteFile("twirl.txt", kTwirlLf);
  EXPECT_EQ(Import("twirl.txt"), kImportOverwritten);
  EXPECT_EQ(library.ProgramCount(), 2);
  EXPECT_STREQ(library.ProgramField(1, "Prog"), "t=t+a;\r\n");
  EXPECT_STREQ(library.ProgramField(0, "Init"), "kept");
  EXPECT_EQ(library.ProgramField(0, "Name"), nullptr);
  WriteFile("other.txt", "Group=Deform\nName=Other\nInit=\nProg=\n");
  EXPECT_EQ(Import("other.txt"), kImportAdded);
  EXPECT_STREQ(library.ProgramField(2, "Name"), "Other");
  EXPECT_STREQ(library.ProgramField(0, "Init"), "kept");
}

TEST_F(ProgramImport, FilesWithoutTopLevelGroupOrNameAreSkippedSilently) {
  const char* const files[] = {
      "Name=x\nInit=\nProg=\n",  "Group=g\n", "[Prog000]\nGroup=g\nName=x\n",
      "oops\nGroup=g\nName=x\n", "",
  };
  for (const char* contents : files) {
    WriteFile("p.txt", contents);
    EXPECT_EQ(Import("p.txt"), kImportNoGroupOrName) << contents;
    EXPECT_STREQ(message, "");
  }
  EXPECT_EQ(counters.added + counters.overwritten, 0);
  EXPECT_EQ(library.ProgramCount(), 0);
}

TEST_F(ProgramImport, MissingTextsImportAsEmpty) {
  WriteFile("p.txt", "Group=g\nName=x\n");
  EXPECT_EQ(Import("p.txt"), kImportAdded);
  EXPECT_STREQ(library.ProgramField(0, "Init"), "");
  EXPECT_STREQ(library.ProgramField(0, "Prog"), "");
}

TEST_F(ProgramImport, UnreadableFileNamesItself) {
  EXPECT_EQ(Import("absent.txt"), kImportCannotOpen);
  EXPECT_STREQ(message, "absent.txt");
  EXPECT_EQ(counters.added + counters.overwritten, 0);
}

// Only regular files are read: a FIFO (which would block a reader until a
// writer came), a device and a folder named like a program file are skipped
// at once, named in the message; a library file that is one is not read and
// never written over.
TEST_F(ProgramImport, WhatIsNoRegularFileIsSkippedWithoutWaiting) {
  struct Case {
    const char* name;
    int kind;  // 0 folder, 1 FIFO, 2 link to a device
  } cases[] = {{"folder.txt", 0}, {"fifo.txt", 1}, {"zero.txt", 2}};
  for (const Case& c : cases) {
    const std::string path = folder.DataFile(c.name);
#if defined(_WIN32)
    if (c.kind != 0) continue;
#else
    if (c.kind == 1) {
      ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    }
    if (c.kind == 2) std::filesystem::create_symlink("/dev/zero", path);
#endif
    if (c.kind == 0) std::filesystem::create_directory(path);
    Watchdog watchdog("reading a FIFO or device");
    EXPECT_EQ(Import(c.name), kImportNotAFile) << c.name;
    EXPECT_EQ(std::string(message), std::string(c.name) +
                                        ": not a regular file (a folder, FIFO or device); it "
                                        "is skipped.");
  }
  EXPECT_EQ(counters.added + counters.overwritten, 0);
#if !defined(_WIN32)
  ASSERT_EQ(mkfifo(folder.DataFile("Morfel.ini").c_str(), 0644), 0);
  Watchdog watchdog("reading a FIFO as the library");
  EXPECT_EQ(LoadProgramLibrary(folder.base(), &library), 0);
  EXPECT_EQ(library.incompleteLoad(), -1);
  EXPECT_EQ(SaveLibrary(folder.base(), library), 0);
#endif
}

TEST_F(ProgramImport, FileLongerThan2048BytesIsReadWhole) {
  std::string init(1500, 'i');
  std::string prog(1500, 'p');
  WriteFile("big.txt", "Group=g\nName=big\nInit=" + init + "\nProg=" + prog + "\n");
  EXPECT_EQ(Import("big.txt"), kImportAdded);
  EXPECT_EQ(std::string(library.ProgramField(0, "Init")), init);
  EXPECT_EQ(std::string(library.ProgramField(0, "Prog")), prog);
}

TEST_F(ProgramImport, TextsTooLongForAProgramAreRefusedWithTheReason) {
  struct Case {
    std::string contents;
    const char* word;
  };
  const Case cases[] = {
      {"Group=g\nName=n\nInit=" + std::string(2100, 'i') + "\nProg=\n", "Init"},
      {"Group=g\nName=n\nInit=\nProg=" + std::string(2043, 'p') + "\n", "Prog"},
      {"Group=" + std::string(128, 'g') + "\nName=n\n", "name"},
      {"Group=g\nName=" + std::string(128, 'n') + "\n", "name"},
  };
  library.AppendProgram("g", "n", "kept", "kept");
  for (const Case& c : cases) {
    WriteFile("long.txt", c.contents);
    EXPECT_EQ(Import("long.txt"), kImportTextTooLong);
    std::string text = message;
    EXPECT_EQ(text.rfind("long.txt: ", 0), 0u) << text;
    EXPECT_NE(text.find(c.word), std::string::npos) << text;
  }
  EXPECT_STREQ(library.ProgramField(0, "Init"), "kept");
  EXPECT_EQ(library.ProgramCount(), 1);
  EXPECT_EQ(counters.added + counters.overwritten, 0);
}

TEST_F(ProgramImport, FullLibraryStillOverwritesButAddsNothing) {
  for (int i = 0; i < kMaxPrograms; i++) {
    library.AppendProgram("g", std::to_string(i).c_str(), "", "");
  }
  WriteFile("new.txt", "Group=g\nName=new\nInit=\nProg=\n");
  WriteFile("old.txt", "Group=g\nName=999\nInit=changed\nProg=\n");
  EXPECT_EQ(Import("new.txt"), kImportLibraryFull);
  EXPECT_STREQ(message, "");
  EXPECT_EQ(Import("old.txt"), kImportOverwritten);
  EXPECT_EQ(counters.added, 0);
  EXPECT_EQ(counters.overwritten, 1);
  EXPECT_STREQ(library.ProgramField(999, "Init"), "changed");
  EXPECT_EQ(library.ProgramCount(), kMaxPrograms);
}

TEST_F(ProgramImport, ImportedLibrarySavesAndLoadsBack) {
  WriteFile("lf.txt", kTwirlLf);
  ASSERT_EQ(Import("lf.txt"), kImportAdded);
  ASSERT_EQ(SaveLibrary(folder.base(), library), 1);
  ProgramLibrary loaded;
  ASSERT_EQ(LoadProgramLibrary(folder.base(), &loaded), 1);
  EXPECT_STREQ(loaded.ProgramField(0, "Init"), "?a,angle,0,360,90;\r\n");
}

}  // namespace
