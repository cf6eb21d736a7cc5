#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "library/library.h"
#include "temp_folder.h"

namespace {

ParameterSet SampleSet() {
  ParameterSet set{};
  std::strcpy(set.group, "Deform");
  std::strcpy(set.name, "Twirl 2 (fast)");
  std::strcpy(set.values[0], "50");
  std::strcpy(set.values[1], "cx/2");
  std::strcpy(set.values[11], "-7.5");
  return set;
}

TEST(ParameterSet, WritesFifteenCrLfLines) {
  TempFolder folder;
  std::string path = folder.DataFile("look.mfp");
  ASSERT_EQ(WriteParameterSet(path.c_str(), SampleSet()), 1);
  std::string expected = "#ver 0.07\r\nDeform\r\nTwirl 2 (fast)\r\n50\r\ncx/2\r\n";
  for (int i = 2; i < 11; i++) expected += "\r\n";
  expected += "-7.5\r\n";
  EXPECT_EQ(TempFolder::Read(path), expected);
}

TEST(ParameterSet, RoundTrip) {
  TempFolder folder;
  std::string path = folder.DataFile("look.mfp");
  ParameterSet saved = SampleSet();
  ASSERT_EQ(WriteParameterSet(path.c_str(), saved), 1);
  ParameterSet loaded;
  ASSERT_EQ(ReadParameterSet(path.c_str(), &loaded), 1);
  EXPECT_STREQ(loaded.group, saved.group);
  EXPECT_STREQ(loaded.name, saved.name);
  for (int i = 0; i < kParamSlotCount; i++) EXPECT_STREQ(loaded.values[i], saved.values[i]);
}

struct ReadCase {
  const char* name;
  std::string contents;
  const char* group;
  const char* program;
  const char* value0;
  const char* value11;
};

TEST(ParameterSet, ReadsShortLongAndUnterminatedFilesSafely) {
  const std::string longValue(400, '9');
  const ReadCase cases[] = {
      {"LF lines", "#ver 0.07\nG\nN\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n", "G", "N", "1", "12"},
      {"no final line break", "x\nG\nN\n1\n\n\n\n\n\n\n\n\n\n\n12", "G", "N", "1", "12"},
      {"no final break after CR", "x\nG\nN\n1\n\n\n\n\n\n\n\n\n\n\n12\r", "G", "N", "1", "12"},
      // A CR ends a line's text, as the writer ends it there: what is read
      // is what a save writes back.
      {"CR inside a line", "v\r;\nDe\rx\nN\n1\r2\n", "De", "N", "1", ""},
      {"only the version line", "#ver 0.07\r\n", "", "", "", ""},
      {"three lines", "#ver 0.07\r\nG\r\nN", "G", "N", "", ""},
      {"empty file", "", "", "", "", ""},
      {"other version line", "#ver 9\nG\nN\n1\n", "G", "N", "1", ""},
      {"long value is cut, not shifted",
       "v\nG\nN\n" + longValue + "\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n", "G", "N", nullptr, "12"},
      {"extra lines ignored", "v\nG\nN\n1\n\n\n\n\n\n\n\n\n\n\n12\n13\n14\n", "G", "N", "1", "12"},
  };
  for (const ReadCase& c : cases) {
    TempFolder folder;
    std::string path = folder.DataFile("set.mfp");
    TempFolder::Write(path, c.contents);
    ParameterSet set;
    std::memset(&set, 'q', sizeof set);
    ASSERT_EQ(ReadParameterSet(path.c_str(), &set), 1) << c.name;
    EXPECT_STREQ(set.group, c.group) << c.name;
    EXPECT_STREQ(set.name, c.program) << c.name;
    if (c.value0 != nullptr) {
      EXPECT_STREQ(set.values[0], c.value0) << c.name;
    } else {
      EXPECT_EQ(std::string(set.values[0]), longValue.substr(0, 127)) << c.name;
      EXPECT_STREQ(set.values[1], "2") << c.name;
    }
    EXPECT_STREQ(set.values[11], c.value11) << c.name;
  }
}

TEST(ParameterSet, MissingFileReadsNothing) {
  TempFolder folder;
  ParameterSet set;
  EXPECT_EQ(ReadParameterSet(folder.DataFile("none.mfp").c_str(), &set), 0);
  EXPECT_STREQ(set.group, "");
}

TEST(ParameterSet, LineBreakInsideAValueDoesNotShiftTheLines) {
  TempFolder folder;
  std::string path = folder.DataFile("set.mfp");
  ParameterSet set = SampleSet();
  std::strcpy(set.values[0], "1\r\n2");
  ASSERT_EQ(WriteParameterSet(path.c_str(), set), 1);
  ParameterSet loaded;
  ASSERT_EQ(ReadParameterSet(path.c_str(), &loaded), 1);
  EXPECT_STREQ(loaded.values[0], "1");
  EXPECT_STREQ(loaded.values[1], "cx/2");
}

TEST(ParameterSet, FailedWriteKeepsTheOldFile) {
  TempFolder folder;
  std::string path = folder.DataFile("set.mfp");
  TempFolder::Write(path, "old");
#if defined(_WIN32)
  GTEST_SKIP() << "a full disk is played with a file size limit";
#else
  {
    FileSizeLimit full(8);
    EXPECT_EQ(WriteParameterSet(path.c_str(), SampleSet()), 0);
  }
  EXPECT_EQ(TempFolder::Read(path), "old");
  EXPECT_TRUE(TempFolder::Temporaries(folder.data()).empty());
#endif
}

struct ProposalCase {
  const char* programName;
  int size;
  const char* proposed;
};

TEST(ParameterSet, ProposedFileNameKeepsLettersDigitsAndDashes) {
  const ProposalCase cases[] = {
      {"Twirl 2 (fast)", 64, "Twirl2fast"},
      {"a-b_c.d", 64, "a-bcd"},
      {"()  !", 64, ""},
      {"", 64, ""},
      {"\xe4\xf6x", 64, "x"},
      {"abcdef", 4, "abc"},
  };
  for (const ProposalCase& c : cases) {
    char buffer[64];
    int length = ProposeParameterFileName(c.programName, buffer, c.size);
    EXPECT_STREQ(buffer, c.proposed) << c.programName;
    EXPECT_EQ(length, static_cast<int>(std::strlen(c.proposed)));
  }
}

}  // namespace
