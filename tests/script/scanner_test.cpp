#include "script/scanner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "script/script.h"

namespace {

TEST(SkipBlanks, SpacesTabsAndCarriageReturnsButNotLineFeeds) {
  EXPECT_EQ(SkipBlanks(" \t\r\nx"), 3);
  EXPECT_EQ(SkipBlanks("x"), 0);
  EXPECT_EQ(SkipBlanks(""), 0);
  EXPECT_EQ(SkipBlanks("aab", "a"), 2);
  EXPECT_EQ(SkipBlanks("aa", "a"), 2);  // the terminator is never in the set
}

struct NameCase {
  const char* text;
  int32_t length;
  const char* name;
};

TEST(ScanName, ReadsNamesWithTheirBlanks) {
  const NameCase cases[] = {
      {"x5", 2, "x5"},     {"5x", 0, ""},     {"  _a_1 \t+", 8, "_a_1"},
      {"abc\n", 3, "abc"}, {"\nabc", 0, ""},  {"", 0, ""},
      {"+", 0, ""},        {"R\r\n", 2, "R"}, {"\xe9t\xe9", 0, ""},
  };
  for (const NameCase& c : cases) {
    char name[kScanLimit];
    EXPECT_EQ(ScanName(c.text, name), c.length) << c.text;
    EXPECT_STREQ(name, c.name) << c.text;
  }
}

TEST(ScanName, RefusesNamesReaching2048Characters) {
  char name[kScanLimit];
  std::string fits(2047, 'a');
  EXPECT_EQ(ScanName(fits.c_str(), name), 2047);
  std::string tooLong(2048, 'a');
  EXPECT_EQ(ScanName(tooLong.c_str(), name), 0);
  // The limit counts from the scan position, blanks included.
  std::string shifted = " " + fits;
  EXPECT_EQ(ScanName(shifted.c_str(), name), 0);
}

struct TokenCase {
  const char* text;
  const char* token;
  int32_t length;
};

TEST(MatchToken, KeywordsWholeSymbolsByPrefix) {
  const TokenCase cases[] = {
      {"<= b", "<", 1},     {"= b", "==", 0},         {"if(", "if", 2},       {"ifx (", "if", 0},
      {"  if  (", "if", 6}, {"elsewhere", "else", 0}, {"\n x", "\n", 2},      {"x", "\n", 0},
      {"&&", "&&", 2},      {"& &", "&&", 0},         {"-3", "-", 1},         {"", ";", 0},
      {";\r\n", ";", 2},    {"while\t(", "while", 6}, {"While(", "while", 0},
  };
  for (const TokenCase& c : cases)
    EXPECT_EQ(MatchToken(c.text, c.token), c.length) << c.text << " / " << c.token;
}

TEST(MatchTokenSkippingLines, LineBreaksBeforeAndOneAfter) {
  const TokenCase cases[] = {
      {"\n\n;", ";", 3}, {";\n\n", ";", 2}, {" \r\n ; \r\n x", ";", 9}, {"\n\nx", ";", 0},
      {"", ";", 0},      {"\n", ";", 0},    {"+\n1", "+", 2},           {"\n\n", "\n", 2},
  };
  for (const TokenCase& c : cases)
    EXPECT_EQ(MatchTokenSkippingLines(c.text, c.token), c.length) << c.text;
}

struct DecimalCase {
  const char* text;
  int32_t length;
  double value;
};

TEST(ScanDecimal, Literals) {
  const DecimalCase cases[] = {
      {"1.5e2", 5, 150.0}, {"2E-1", 4, 0.2},   {"-3", 2, -3.0},
      {"+4", 2, 4.0},      {".5", 2, 0.5},     {"5.", 2, 5.0},
      {" 7 ;", 3, 7.0},    {"5x", 1, 5.0},     {"0X1A", 1, 0.0},
      {"1e+2", 4, 100.0},  {"1e 2", 4, 100.0}, {"0.1234567891", 12, 0.1234567891},
  };
  for (const DecimalCase& c : cases) {
    double value = -1.0;
    EXPECT_EQ(ScanDecimal(c.text, &value), c.length) << c.text;
    EXPECT_NEAR(value, c.value, 1e-12) << c.text;
  }
}

TEST(ScanDecimal, Failures) {
  const char* failures[] = {"1.2.3", "1e", "1e+", ".", "-", "- 3", "e5", "", "x", "5else"};
  for (const char* text : failures) {
    double value = 1.0;
    EXPECT_EQ(ScanDecimal(text, &value), 0) << text;
  }
}

TEST(ScanDecimal, HugeExponentsStayDefined) {
  double value = 0.0;
  EXPECT_EQ(ScanDecimal("1e99999999999999", &value), 16);
  EXPECT_TRUE(std::isinf(value));
  EXPECT_EQ(ScanDecimal("3e-99999999999999", &value), 17);
  EXPECT_EQ(value, 0.0);
}

struct HexCase {
  const char* text;
  int32_t length;
  int32_t value;
};

TEST(ScanHex, Literals) {
  const HexCase cases[] = {
      {"0x1A", 4, 26},        {"0x1a ", 5, 26},  {"0xFF", 4, 255},
      {"0xFFFFFFFF", 10, -1}, {"-0x10", 5, -16}, {"0x123456789", 11, 0x23456789},
      {"0X1A", 0, 0},         {"0x", 0, 0},      {"+0x1", 0, 0},
      {"- 0x1", 0, 0},        {"0xg", 0, 0},     {"-0x80000000", 11, INT32_MIN},
  };
  for (const HexCase& c : cases) {
    int32_t value = 7;
    EXPECT_EQ(ScanHex(c.text, &value), c.length) << c.text;
    if (c.length > 0) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
}

struct StringCase {
  const char* text;
  int32_t length;
  const char* content;
};

TEST(ScanString, Literals) {
  const StringCase cases[] = {
      {"\"\\\"a\"", 5, "\"a"}, {"\"abc\" ;", 6, "abc"}, {"\"a\\\\b\"", 6, "a\\b"},
      {"\"open", 5, "open"},   {"\"\"", 2, ""},         {"x\"a\"", 0, ""},
      {"\"a\\", 0, ""},        {"\"a\nb\"", 5, "a\nb"},
  };
  for (const StringCase& c : cases) {
    char out[64];
    EXPECT_EQ(ScanString(c.text, out, sizeof(out)), c.length) << c.text;
    if (c.length > 0) {
      EXPECT_STREQ(out, c.content) << c.text;
    }
  }
}

TEST(ScanString, LimitAndBoundedOutput) {
  std::string fits = "\"" + std::string(2046, 'a') + "\"";
  char small[8];
  EXPECT_EQ(ScanString(fits.c_str(), small, sizeof(small)), 2048);
  EXPECT_STREQ(small, "aaaaaaa");  // cut to the buffer, never past it
  std::string tooLong = "\"" + std::string(2048, 'a') + "\"";
  EXPECT_EQ(ScanString(tooLong.c_str(), small, sizeof(small)), 0);
}

TEST(LookupBuiltin, ExactCaseSensitiveNames) {
  int32_t code = 0, count = 0;
  EXPECT_EQ(LookupBuiltin("sin(", &code, &count), 3);
  EXPECT_EQ(code, 0x73);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(LookupBuiltin(" R (", &code, &count), 3);
  EXPECT_EQ(code, 0x32);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(LookupBuiltin("Sin(", &code, &count), 0);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(LookupBuiltin("sine", &code, &count), 0);
  EXPECT_EQ(LookupBuiltin("\nsin", &code, &count), 0);  // only blanks before
  EXPECT_EQ(LookupBuiltin("SetMatrix5", &code, &count), 10);
  EXPECT_EQ(count, 27);
}

TEST(ParseVariable, CreatesOnceAndSkipsLineBreaks) {
  ValueList variables;
  int32_t index = -1;
  EXPECT_EQ(ParseVariable("\n\n  alpha = 1", variables, &index), 10);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(variables.count(), 1);
  EXPECT_EQ(ParseVariable("beta", variables, &index), 4);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(ParseVariable("alpha", variables, &index), 5);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(variables.count(), 2);
  EXPECT_EQ(ParseVariable("\n\n", variables, &index), 0);
  EXPECT_EQ(ParseVariable("9lives", variables, &index), 0);
  EXPECT_EQ(variables.count(), 2);
  double value = 1.0;
  EXPECT_EQ(variables.GetNumber("beta", &value), 1);
  EXPECT_EQ(value, 0.0);
}

}  // namespace
