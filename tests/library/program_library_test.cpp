#include <gtest/gtest.h>

#include <string>

#include "core/value_list.h"
#include "library/library.h"

namespace {

// A library of programs named after their position, all in one group.
void FillLibrary(ProgramLibrary* library, int count, const char* group = "G") {
  for (int i = 0; i < count; i++) {
    std::string name = "P" + std::to_string(i);
    ASSERT_EQ(library->AppendProgram(group, name.c_str(), "i", "t"), i);
  }
}

std::string NameAtIndex(const ProgramLibrary& library, int index) {
  const char* name = library.ProgramField(index, "Name");
  return name != nullptr ? name : "(none)";
}

TEST(ProgramSectionName, FormatsThreeDigitsWithinTheLimit) {
  char name[kSectionNameSize];
  EXPECT_EQ(ProgramSectionName(0, name), 1);
  EXPECT_STREQ(name, "Prog000");
  EXPECT_EQ(ProgramSectionName(42, name), 1);
  EXPECT_STREQ(name, "Prog042");
  EXPECT_EQ(ProgramSectionName(999, name), 1);
  EXPECT_STREQ(name, "Prog999");
  EXPECT_EQ(ProgramSectionName(1000, name), 0);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(ProgramSectionName(-1, name), 0);
}

TEST(ProgramLibrary, CountStopsAtTheFirstGap) {
  ProgramLibrary library;
  EXPECT_EQ(library.Parse("[Prog000]\nGroup=a\nName=x\n[Prog002]\nGroup=b\nName=y\n"), 0);
  EXPECT_EQ(library.ProgramCount(), 1);
  EXPECT_EQ(library.FindProgram("b", "y"), -1);
}

TEST(ProgramLibrary, AppendWritesTheFourKeysInOrder) {
  ProgramLibrary library;
  EXPECT_EQ(library.AppendProgram("Deform", "Sample", "coord=2;\r\n", "x=x;\r\n"), 0);
  std::string text(library.SerializedLength() + 1, '\0');
  library.Serialize(&text[0], text.size());
  EXPECT_STREQ(text.c_str(),
               "[Prog000]\r\nGroup=Deform\r\nName=Sample\r\nInit=coord=2;\\n\r\nProg=x=x;\\n\r\n");
}

TEST(ProgramLibrary, FindComparesExactlyAndCanContinue) {
  ProgramLibrary library;
  library.AppendProgram("Colour", "Gray", "", "");
  library.AppendProgram("colour", "Gray", "", "");
  library.AppendProgram("Colour", "Gray", "", "");
  EXPECT_EQ(library.FindProgram("Colour", "Gray"), 0);
  EXPECT_EQ(library.FindProgram("colour", "Gray"), 1);
  EXPECT_EQ(library.FindProgram("Colour", "Gray", 1), 2);
  EXPECT_EQ(library.FindProgram("Colour", "gray"), -1);
}

TEST(ProgramLibrary, MissingNameReadsAsEmpty) {
  ProgramLibrary library;
  EXPECT_EQ(library.Parse("[Prog000]\nGroup=a\n"), 0);
  EXPECT_EQ(library.FindProgram("a", ""), 0);
}

TEST(ProgramLibrary, HoldsAtMostOneThousandPrograms) {
  ProgramLibrary library;
  FillLibrary(&library, kMaxPrograms);
  EXPECT_EQ(library.ProgramCount(), kMaxPrograms);
  EXPECT_EQ(library.AppendProgram("G", "extra", "", ""), -1);
  EXPECT_EQ(library.ProgramCount(), kMaxPrograms);
  EXPECT_EQ(library.FindProgram("G", "P999"), 999);
}

struct CloseGapCase {
  int programs;
  int removed;
  int result;
  const char* expectedNames;  // names after the call, joined by ","
};

TEST(ProgramLibrary, CloseGapKeepsTheNumberingDense) {
  const CloseGapCase cases[] = {
      {3, 0, 1, "P1,P2"}, {3, 1, 1, "P0,P2"}, {3, 2, 1, "P0,P1"},
      {1, 0, 1, ""},      {2, 2, 0, "P0,P1"}, {2, -1, 0, "P0,P1"},
  };
  for (const CloseGapCase& c : cases) {
    ProgramLibrary library;
    FillLibrary(&library, c.programs);
    EXPECT_EQ(library.CloseGap(c.removed), c.result);
    std::string names;
    for (int i = 0; i < library.ProgramCount(); i++) {
      names += (i > 0 ? "," : "") + NameAtIndex(library, i);
    }
    EXPECT_EQ(names, c.expectedNames) << c.programs << " programs, removing " << c.removed;
    // No stale section is left behind the last program.
    EXPECT_EQ(library.ProgramField(library.ProgramCount(), "Name"), nullptr);
  }
}

TEST(ProgramLibrary, CloseGapOfTheLastProgramRemovesItsSection) {
  ProgramLibrary library;
  FillLibrary(&library, 2);
  library.CloseGap(1);
  EXPECT_EQ(library.root().count(), 1);
}

TEST(ProgramLibrary, CloseGapMovesMissingKeysToo) {
  ProgramLibrary library;
  EXPECT_EQ(library.Parse("[Prog000]\nGroup=a\nName=x\nInit=i\nProg=p\n"
                          "[Prog001]\nGroup=b\nName=y\nInit=j\nProg=q\n"
                          "[Prog002]\nGroup=c\n"),
            0);
  library.CloseGap(0);
  EXPECT_EQ(library.ProgramCount(), 2);
  EXPECT_STREQ(library.ProgramField(1, "Group"), "c");
  EXPECT_EQ(library.ProgramField(1, "Name"), nullptr);
  EXPECT_EQ(library.ProgramField(1, "Init"), nullptr);
}

TEST(ProgramLibrary, CloseGapOfAFullLibrary) {
  ProgramLibrary library;
  FillLibrary(&library, kMaxPrograms);
  EXPECT_EQ(library.CloseGap(0), 1);
  EXPECT_EQ(library.ProgramCount(), kMaxPrograms - 1);
  EXPECT_EQ(NameAtIndex(library, 998), "P999");
}

std::string TextOfStoredLength(size_t storedLength) {
  return std::string(storedLength - 5, 'a');  // "Init=" or "Prog=" makes up the rest
}

TEST(CheckProgramTexts, SaysWhichTextDoesNotFitAStoredLine) {
  std::string fits = TextOfStoredLength(kMaxStoredLine);
  std::string tooLong = TextOfStoredLength(kMaxStoredLine + 1);
  // Each line break, CR LF or a lone CR, is stored as two characters.
  std::string breaks = std::string(1020, 'a') + "\r" + std::string(1020, 'b');
  std::string manyBreaks;
  for (int i = 0; i < 1021; i++) manyBreaks += "\r\n";
  EXPECT_EQ(CheckProgramTexts("", ""), kProgramTextsFit);
  EXPECT_EQ(CheckProgramTexts(fits.c_str(), fits.c_str()), kProgramTextsFit);
  EXPECT_EQ(CheckProgramTexts(tooLong.c_str(), ""), kInitTextTooLong);
  EXPECT_EQ(CheckProgramTexts("", tooLong.c_str()), kTransformTextTooLong);
  EXPECT_EQ(CheckProgramTexts(tooLong.c_str(), tooLong.c_str()), kInitTextTooLong);
  EXPECT_EQ(CheckProgramTexts(manyBreaks.c_str(), ""), kProgramTextsFit);
  EXPECT_EQ(CheckProgramTexts((manyBreaks + "a").c_str(), ""), kInitTextTooLong);
  EXPECT_EQ(CheckProgramTexts(breaks.c_str(), ""), kProgramTextsFit);
  EXPECT_EQ(CheckProgramTexts((breaks + "b").c_str(), ""), kInitTextTooLong);
  EXPECT_STREQ(ProgramTextCheckMessage(kProgramTextsFit), "");
  EXPECT_NE(std::string(ProgramTextCheckMessage(kInitTextTooLong)).find("Initialize"),
            std::string::npos);
  EXPECT_NE(std::string(ProgramTextCheckMessage(kTransformTextTooLong)).find("Transform"),
            std::string::npos);
}

// A text that would read back changed is refused, not stored; the run
// check looks only at the length the engine takes.
TEST(CheckProgramTexts, RefusesWhatWouldReadBackChangedAndWhatCannotRun) {
  const std::string longest(kProgramTextSize - 1, 'a');
  const std::string tooLong(kProgramTextSize, 'a');
  struct Case {
    ProgramTextCheck got;
    ProgramTextCheck expected;
  } cases[] = {
      {CheckProgramTexts("LoadBmp(\"sub\\new\",0);", ""), kInitTextNotStorable},
      {CheckProgramTexts("", "x\\n"), kTransformTextNotStorable},
      {CheckProgramTexts("\\\r\nn", "a\\b\\\\"), kProgramTextsFit},
      {CheckProgramNames("Sub\\new", "x"), kGroupNotStorable},
      {CheckProgramNames("Deform", "a\\n"), kNameNotStorable},
      {CheckProgramNames("Deform", "Twirl"), kProgramTextsFit},
      {CheckRunnableTexts(longest.c_str(), longest.c_str()), kProgramTextsFit},
      {CheckRunnableTexts(tooLong.c_str(), ""), kInitTextTooLongToRun},
      {CheckRunnableTexts("", tooLong.c_str()), kTransformTextTooLongToRun},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.got, c.expected);
    EXPECT_EQ(std::string(ProgramTextCheckMessage(c.expected)).empty(),
              c.expected == kProgramTextsFit);
  }
}

}  // namespace
