// Every example of docs/language.md runs as the page says: a block marked
// "transform" (with the "init" block before it) applies cleanly, an "error"
// block does not compile, a "program-file" block runs with --file; and the
// page describes every built-in function and variable.
#include <gtest/gtest.h>

#ifndef _WIN32

#include "script/script.h"
#include "tests/cli/morfel_runner.h"

namespace {

struct Example {
  std::string kind;  // the fence's word
  std::string text;
  int line;
};

std::vector<Example> Examples(const std::string& page) {
  std::vector<Example> examples;
  std::istringstream lines(page);
  std::string line;
  Example* open = nullptr;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (open == nullptr && line.rfind("```", 0) == 0 && line.size() > 3) {
      examples.push_back(Example{line.substr(3), "", number});
      open = &examples.back();
    } else if (open != nullptr && line == "```") {
      open = nullptr;
    } else if (open != nullptr) {
      open->text += line + "\n";
    }
  }
  return examples;
}

}  // namespace

TEST_F(MorfelProgram, EveryExampleOfTheLanguagePageRunsAsItSays) {
  std::string page = Slurp(fs::path(MORFEL_SOURCE_DIR) / "docs/language.md");
  std::string input = MakeImage("in.png", 16, 12, true);
  std::string init;
  int ran = 0;
  for (const Example& example : Examples(page)) {
    SCOPED_TRACE("docs/language.md line " + std::to_string(example.line));
    Outcome outcome;
    if (example.kind == "init") {
      init = example.text;
      continue;
    } else if (example.kind == "transform") {
      outcome = Run({"apply", "--base", base_, "--init", init, "--transform", example.text,
                     "--quiet", input, Path("out.png")});
      init.clear();
      EXPECT_EQ(outcome.status, 0) << outcome.err;
      EXPECT_EQ(outcome.err, "");
    } else if (example.kind == "error") {
      outcome = Run({"check", "--transform", example.text});
      EXPECT_EQ(outcome.status, 1) << outcome.out;
    } else if (example.kind == "program-file") {
      outcome = Run({"apply", "--base", base_, "--file", Write("example.txt", example.text),
                     "--quiet", input, Path("out.png")});
      EXPECT_EQ(outcome.status, 0) << outcome.err;
      EXPECT_EQ(outcome.err, "");
    } else {
      ADD_FAILURE() << "an example of unknown kind " << example.kind;
    }
    ++ran;
  }
  EXPECT_GE(ran, 8);
  for (int i = 0; BuiltinTable[i].name != nullptr; ++i) {
    EXPECT_NE(page.find(std::string("`") + BuiltinTable[i].name + "("), std::string::npos)
        << BuiltinTable[i].name << " is not described";
  }
  for (const BuiltinVariableEntry& variable : kBuiltinVariableTable) {
    EXPECT_NE(page.find(std::string("`") + variable.name + "`"), std::string::npos)
        << variable.name << " is not described";
  }
}

#endif  // _WIN32
