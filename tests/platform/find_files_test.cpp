#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <unistd.h>
#include <vector>

#include "platform/wildcard.h"

namespace {

TEST(WildcardTest, MatchesAsWindowsDoes) {
  struct Case {
    const char *pattern;
    const char *name;
    bool matches;
  } cases[] = {
      {"*.txt", "prog.txt", true},   {"*.txt", "PROG.TXT", true},  {"*.TXT", "prog.txt", true},
      {"*.txt", "prog.txta", false}, {"*.txt", "prog.tx", false},  {"*.txt", ".txt", true},
      {"*.*", "noextension", true},  {"*.*", "a.b", true},         {"a?c", "abc", true},
      {"a?c", "ac", false},          {"*", "", true},              {"", "a", false},
      {"*a*b*c", "xxaybzc", true},   {"*a*b*c", "xxaybz", false},  {"**.txt", "x.txt", true},
  };
  for (const Case &c : cases)
    EXPECT_EQ(morfel_platform::MatchesWildcard(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
}

class FindFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/morfel_find_XXXXXX";
    folder_ = mkdtemp(pattern);
    for (const char *name : {"b.txt", "A.TXT", "c.bmp", "d.Txt"}) {
      FILE *file = std::fopen((folder_ + "/" + name).c_str(), "w");
      std::fputs("12345", file);
      std::fclose(file);
    }
  }
  void TearDown() override {
    for (const char *name : {"b.txt", "A.TXT", "c.bmp", "d.Txt"}) std::remove((folder_ + "/" + name).c_str());
    rmdir(folder_.c_str());
  }
  std::vector<std::string> FindAll(const std::string &pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      names.push_back(found.cFileName);
      EXPECT_EQ(found.nFileSizeLow, 5u);
    } while (FindNextFileA(search, &found));
    EXPECT_TRUE(FindClose(search));
    return names;
  }
  std::string folder_;
};

TEST_F(FindFilesTest, EnumeratesMatchesIgnoringCaseInAFixedOrder) {
  // The folder joined Windows-style, as the plug-in writes "%sTarvo\%s".
  EXPECT_EQ(FindAll(folder_ + "\\*.txt"), (std::vector<std::string>{"A.TXT", "b.txt", "d.Txt"}));
  EXPECT_EQ(FindAll(folder_ + "/*.bmp"), (std::vector<std::string>{"c.bmp"}));
}

TEST_F(FindFilesTest, NoMatchIsAnInvalidHandle) {
  WIN32_FIND_DATAA found;
  EXPECT_EQ(FindFirstFileA((folder_ + "/*.ini").c_str(), &found), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindFirstFileA("/no/such/folder/*.txt", &found), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindFirstFileA(std::string(400, 'a').c_str(), &found), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(FindNextFileA(INVALID_HANDLE_VALUE, &found));
  EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
}

}  // namespace
