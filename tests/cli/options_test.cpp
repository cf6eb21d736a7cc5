#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/options.h"

namespace {

struct ParseCase {
  std::vector<std::string> words;
  bool ok;
  const char* errorPart;
};

bool Parse(const std::vector<std::string>& words, Options* options, std::string* error) {
  std::vector<std::string> storage = {"morfel"};
  storage.insert(storage.end(), words.begin(), words.end());
  std::vector<char*> argv;
  for (std::string& word : storage) argv.push_back(word.data());
  argv.push_back(nullptr);
  return ParseOptions(static_cast<int>(storage.size()), argv.data(), options, error);
}

}  // namespace

TEST(HostOptions, CommandLinesAreCheckedBeforeAnythingRuns) {
  const ParseCase cases[] = {
      {{"apply", "--program", "Deform/Twirl", "in.png", "out.png"}, true, ""},
      {{"apply", "--group", "Deform", "--name", "Twirl", "in.png", "out.png"}, true, ""},
      {{"apply", "--transform", "coord=2;", "in.png", "out.png", "--param", "3"}, true, ""},
      {{"apply", "--program", "Twirl", "in.png", "out.png"}, false, "GROUP/NAME"},
      {{"apply", "in.png", "out.png"}, false, "needs one program"},
      {{"apply", "--program", "A/B", "--init", "x=1;", "in.png", "out.png"}, false, "one program"},
      {{"apply", "--program", "A/B", "in.png"}, false, "INPUT and an OUTPUT"},
      {{"apply", "--program", "A/B", "--interp", "cubic", "a", "b"}, false, "round, linear"},
      {{"apply", "--file", "p.txt", "--init", "x=1;", "a", "b"}, false, "cannot be combined"},
      {{"list", "extra"}, false, "unexpected argument"},
      {{"show"}, false, "one GROUP/NAME"},
      {{"check"}, false, "--init"},
      {{"frobnicate"}, false, "unknown command"},
      {{"list", "--bogus"}, false, "--bogus"},
      {{"import", "--yes"}, true, ""},
      {{"add"}, false, "at least one program FILE"},
      {{"add", "a.txt", "b.txt", "--base", "x"}, true, ""},
      {{"remove", "A"}, false, "GROUP/NAME"},
      {{"remove", "A/B", "C/D"}, false, "one GROUP/NAME"},
      {{"apply", "-q", "--program", "A/B", "a", "b"}, true, ""},
      {{"list", "-q"}, false, "--quiet does not apply to list"},
      {{"title"}, true, ""},
  };
  for (const ParseCase& test : cases) {
    Options options;
    std::string error;
    bool parsed = Parse(test.words, &options, &error);
    EXPECT_EQ(parsed, test.ok) << test.words[0] << " " << error;
    if (!test.ok) {
      EXPECT_NE(error.find(test.errorPart), std::string::npos) << error;
    }
  }
}

TEST(HostOptions, ProgramNamesSplitAtTheFirstSlash) {
  Options options;
  std::string error;
  ASSERT_EQ(Parse({"apply", "--program", "A/B/C", "--param", "1", "--param", "x*2", "--interp",
                   "bezier", "i", "o"},
                  &options, &error),
            true);
  EXPECT_EQ(options.group, "A");
  EXPECT_EQ(options.name, "B/C");
  EXPECT_EQ(options.params, (std::vector<std::string>{"1", "x*2"}));
  EXPECT_EQ(options.interpolation, 2);
}

TEST(HostOptions, ArgumentTextsGetCrLfLineEnds) {
  Options options;
  std::string error;
  ASSERT_EQ(Parse({"check", "--init", "?a,b,0,1,0;\nx=1;\r\ny=2;"}, &options, &error), true);
  EXPECT_EQ(options.initText, "?a,b,0,1,0;\r\nx=1;\r\ny=2;");
}
