#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/library.h"

namespace {

std::vector<std::string> AllLines(const char* text, int lineSize) {
  std::vector<std::string> lines;
  std::vector<char> line(static_cast<size_t>(lineSize));
  int consumed;
  while ((consumed = ReadLine(text, line.data(), lineSize)) > 0) {
    lines.emplace_back(line.data());
    text += consumed;
  }
  return lines;
}

struct ReadLineCase {
  const char* text;
  int lineSize;
  std::vector<std::string> lines;
};

TEST(ReadLine, DeliversLinesAsTheScannersExpect) {
  const ReadLineCase cases[] = {
      {"", 256, {}},
      {"\n\n\n", 256, {}},
      {"a\nb", 256, {"a", "b"}},
      {"\n\na\n\n\nb\n", 256, {"a", "b"}},
      {"x=1;\r\n?p,m,0,9,5;\r\n", 256, {"x=1;\r", "?p,m,0,9,5;\r"}},
      {"\r\n", 256, {"\r"}},
      {"abcdefgh\nij", 4, {"abc", "def", "gh", "ij"}},
      {"abc\n", 4, {"abc"}},
  };
  for (const ReadLineCase& c : cases) {
    EXPECT_EQ(AllLines(c.text, c.lineSize), c.lines) << "text: " << c.text;
  }
}

TEST(ReadLine, ReportsCharactersConsumedIncludingSkippedBreaks) {
  char line[16];
  EXPECT_EQ(ReadLine("\n\nab\ncd", line, sizeof line), 5);
  EXPECT_STREQ(line, "ab");
  EXPECT_EQ(ReadLine("", line, sizeof line), 0);
  EXPECT_STREQ(line, "");
  EXPECT_EQ(ReadLine(nullptr, line, sizeof line), 0);
}

TEST(ReadLine, CutsToTheDefaultLimitOf2047Characters) {
  std::string text(3000, 'a');
  char line[2048];
  int consumed = ReadLine(text.c_str(), line, sizeof line);
  EXPECT_EQ(consumed, 2047);
  EXPECT_EQ(std::string(line).size(), 2047u);
}

}  // namespace
