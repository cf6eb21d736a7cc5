#include <climits>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "script/script.h"
#include "transform/transform.h"

namespace {

TEST(EvaluateParamText, TruncatesTheLastValueOfTheList) {
  struct Case {
    const char* text;
    int32_t value;
  } cases[] = {
      {"50", 50},     {"2.9", 2},    {"-2.9", -2},        {"xs*3", 30},
      {"cx+cy", 10},  {"1,7", 7},    {"3+", 0},           {"", 0},
      {"(", 0},       {"5 junk", 0}, {"1e20", INT32_MAX}, {"-1e20", INT32_MIN},
      {"exit(3)", 0},
  };
  ScriptEngine engine;
  for (const Case& c : cases) EXPECT_EQ(EvaluateParamText(engine, c.text), c.value) << c.text;
  EXPECT_EQ(EvaluateParamText(engine, nullptr), 0);
}

TEST(EvaluateParamText, KeepsProgramsAndTheRunsImages) {
  ScriptEngine engine;
  ASSERT_NE(engine.Compile("x=1;\r\n", ProgramSlot::kTransform).length, 0);
  const int32_t transformSize = engine.ProgramAt(ProgramSlot::kTransform)->size;
  RgbtImage rgb(2, 2, 3), t(2, 2, 1), resultRgb(2, 2, 3), resultT(2, 2, 1);
  engine.BindRun(&rgb, &t, &resultRgb, &resultT);
  EXPECT_EQ(EvaluateParamText(engine, "ys+1"), 11);
  EXPECT_EQ(engine.ProgramAt(ProgramSlot::kTransform)->size, transformSize);
  EXPECT_EQ(engine.srcRgb, &rgb);
  EXPECT_EQ(engine.srcT, &t);
  EXPECT_EQ(engine.dstRgb, &resultRgb);
  EXPECT_EQ(engine.dstT, &resultT);
}

TEST(StripDeclarationLines, LeavesOutDeclarationsButKeepsLineBreaks) {
  struct Case {
    const char* text;
    const char* stripped;
  } cases[] = {
      {"", ""},
      {"a=1;\r\n?p,m,0,1,2;\r\nb=;\r\n", "a=1;\r\n\r\nb=;\r\n"},
      {" ?p,m,0,1,2;\r\n", " ?p,m,0,1,2;\r\n"},
      {"?last", ""},
      {"a\n?b\n?c\r\nd", "a\n\n\r\nd"},
      {"x=1;?not;\r\n", "x=1;?not;\r\n"},
      {"?a\r?b\rc", "\r\rc"},
  };
  for (const Case& c : cases) {
    char out[64];
    int32_t written = StripDeclarationLines(c.text, "?", out, sizeof out);
    EXPECT_STREQ(out, c.stripped) << c.text;
    EXPECT_EQ(written, static_cast<int32_t>(std::strlen(c.stripped))) << c.text;
  }
}

TEST(StripDeclarationLines, StaysInsideASmallDestination) {
  char out[5];
  std::memset(out, 'z', sizeof out);
  EXPECT_EQ(StripDeclarationLines("abcdefgh", "?", out, sizeof out), 4);
  EXPECT_STREQ(out, "abcd");
  EXPECT_EQ(StripDeclarationLines("abc", "?", out, 0), 0);
  EXPECT_EQ(StripDeclarationLines(nullptr, "?", out, sizeof out), 0);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(StripDeclarationLines("?x\r\ny", nullptr, out, sizeof out), 4);
  EXPECT_STREQ(out, "?x\r\n");
}

TEST(StripDeclarationLines, CompileErrorsKeepTheirLineNumbers) {
  const char* init = "a=1;\r\n?p,m,0,1,2;\r\nb=;\r\n";
  char stripped[256];
  StripDeclarationLines(init, "?", stripped, sizeof stripped);
  ScriptEngine engine;
  EXPECT_EQ(engine.Compile(stripped, ProgramSlot::kScratch).length, 0);
  EXPECT_EQ(engine.errorLine, 3);
}

TEST(DeclaredParamCount, CountsUpToTheFirstEmptyName) {
  ParamSlot slots[kParamSlotCount] = {};
  EXPECT_EQ(DeclaredParamCount(slots), 0);
  std::strcpy(slots[0].name, "a");
  std::strcpy(slots[1].name, "b");
  std::strcpy(slots[3].name, "d");
  EXPECT_EQ(DeclaredParamCount(slots), 2);
  for (ParamSlot& slot : slots) std::strcpy(slot.name, "n");
  EXPECT_EQ(DeclaredParamCount(slots), kParamSlotCount);
  EXPECT_EQ(DeclaredParamCount(nullptr), 0);
}

}  // namespace
