// The command line's help for people typing it: library edits (add,
// remove), suggestions for slips, the import that will not guess an answer,
// and the bash completion of program names.
#include <gtest/gtest.h>

#ifndef _WIN32

#include "tests/cli/morfel_runner.h"

namespace {

const char kGlow[] = "Group=Extra\nName=Soft glow\nInit=coord=0;\\n\nProg=R=R/2+128;\\n\n";
const char kDim[] = "Group=Extra\nName=Dim\nInit=coord=0;\\n\nProg=R=R/2;\\n\n";

}  // namespace

TEST_F(MorfelProgram, AddAndRemoveEditTheLibraryInPlace) {
  const std::string glow = Write("glow.txt", kGlow);
  const std::string dim = Write("dim.txt", kDim);
  Outcome added = Run({"add", "--base", base_, glow, dim});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(added.out, "2 new program(s) are added. 0 program(s) are overwritten.\n");
  EXPECT_FALSE(fs::exists(base_ + "/Tarvo/glow.txt")) << "add copies nothing";
  Outcome again = Run({"add", "--base", base_, dim, Path("missing.txt"), Write("no.txt", "x=1\n")});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.out, "0 new program(s) are added. 1 program(s) are overwritten.\n");
  EXPECT_NE(again.err.find("morfel: cannot read " + Path("missing.txt")), std::string::npos);
  EXPECT_NE(again.err.find("no.txt: no Group= or Name= line"), std::string::npos) << again.err;
  std::string list = Run({"list", "--base", base_}).out;
  EXPECT_NE(list.find("Extra/Soft glow\nExtra/Dim\n"), std::string::npos) << list;

  Outcome slip = Run({"remove", "--base", base_, "Extra/Sfot glow"});
  EXPECT_EQ(slip.status, 1);
  EXPECT_NE(slip.err.find("no program Extra/Sfot glow in the library; the closest are:\n"
                          "  Extra/Soft glow\n"),
            std::string::npos)
      << slip.err;
  EXPECT_EQ(Run({"list", "--base", base_}).out, list);
  Outcome removed = Run({"remove", "--base", base_, "Extra/Soft glow"});
  ASSERT_EQ(removed.status, 0) << removed.err;
  EXPECT_EQ(removed.out, "removed Extra/Soft glow\n");
  std::string left = list;
  left.erase(left.find("Extra/Soft glow\n"), 16);
  EXPECT_EQ(Run({"list", "--base", base_}).out, left);
}

// Two processes adding different programs at once: each add is applied to
// the library as it is on disk then, so no reported success is lost.
TEST_F(MorfelProgram, TwoAddsAtOnceKeepBothPrograms) {
  ASSERT_EQ(Run({"list", "--base", base_}).status, 0);
  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE(round);
    std::string commands[2];
    for (int i = 0; i < 2; ++i) {
      const std::string name = "P" + std::to_string(round) + (i == 0 ? "a" : "b");
      const std::string file =
          Write(name + ".txt", "Group=Race\nName=" + name + "\nInit=coord=0;\\n\nProg=R=1;\\n\n");
      commands[i] = Quote(MORFEL_BINARY) + " add --base " + Quote(base_) + " " + Quote(file);
    }
    EXPECT_EQ(RunTogether(commands[0], commands[1]), "0 0\n");
  }
  const std::string list = Run({"list", "--base", base_}).out;
  for (int round = 0; round < 8; ++round) {
    for (const char* side : {"a", "b"}) {
      const std::string name = "Race/P" + std::to_string(round) + side + "\n";
      EXPECT_NE(list.find(name), std::string::npos) << name << list;
    }
  }
}

// Without a terminal nobody can answer the import's question: it refuses
// rather than reading "no" from wherever standard input points.
TEST_F(MorfelProgram, ImportWithoutATerminalNeedsYes) {
  ASSERT_EQ(Run({"list", "--base", base_}).status, 0);
  std::ofstream(base_ + "/Tarvo/extra.txt") << kDim;
  const std::string library = Slurp(base_ + "/Tarvo/Morfel.ini");
  Outcome refused = RunOn({"import", "--base", base_}, "/dev/null", Path("out.txt"));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("pass --yes"), std::string::npos) << refused.err;
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(Slurp(base_ + "/Tarvo/Morfel.ini"), library);
}

TEST_F(MorfelProgram, SlipsOfTheKeyboardGetTheNearestWord) {
  const struct {
    std::vector<std::string> words;
    const char* message;
  } cases[] = {
      {{"aply"}, "morfel: unknown command 'aply'; did you mean 'apply'?\n"},
      {{"remvoe"}, "morfel: unknown command 'remvoe'; did you mean 'remove'?\n"},
      {{"frobnicate"}, "morfel: unknown command 'frobnicate'\n"},
      {{"apply", "--progrm", "A/B", "a", "b"},
       "morfel: unknown option '--progrm'; did you mean '--program'?\n"},
      {{"list", "--bsae=x"}, "morfel: unknown option '--bsae'; did you mean '--base'?\n"},
      {{"apply", "--program", "A/B", "a", "b", "--quality"},
       "morfel: --quality needs a value: 1-100\n"},
      {{"help", "shwo"}, "morfel: no command shwo; did you mean 'show'?\n"},
  };
  for (const auto& test : cases) {
    Outcome outcome = Run(test.words);
    EXPECT_EQ(outcome.status, 2) << test.words[0];
    EXPECT_EQ(outcome.err.substr(0, outcome.err.find('\n') + 1), test.message);
  }
}

TEST_F(MorfelProgram, QuietHasAShortForm) {
  std::string input = MakeImage("in.png", 4, 3);
  Outcome outcome =
      Run({"apply", "--base", base_, "--program", "Colour/Invert", "-q", "-o", Path("out"), input});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out + outcome.err, "");
  EXPECT_TRUE(fs::exists(Path("out/in.png")));
}

// The generated script run by bash as it completes a line: COMP_WORDS and
// COMP_CWORD set, the offers read from COMPREPLY.
TEST_F(MorfelProgram, CompletionOffersWhatTheLineCanTake) {
  ASSERT_EQ(Run({"add", "--base", base_, Write("glow.txt", kGlow)}).status, 0);
  const std::string script = Path("completion.bash");
  std::ofstream(script) << Run({"help", "--bash-completion"}).out;
  const std::string morfel = MORFEL_BINARY;
  const struct {
    std::vector<std::string> words;  // after morfel, the last one being completed
    const char* offers;
  } cases[] = {
      {{"ap"}, "apply"},
      {{"re"}, "remove"},
      {{"apply", "--qu"}, "--quality|--quiet"},
      {{"apply", "--interp", "b"}, "bezier"},
      {{"show", "--base", base_, "Extra/S"}, "Extra/Soft glow"},
      {{"remove", "--base", base_, "Extra/Soft\\ g"}, "Extra/Soft glow"},
      {{"apply", "--base", base_, "--program", "'Extra/So"}, "Extra/Soft glow"},
      {{"show", "--base", base_, "Colour/Hue"}, "Colour/Hue and saturation"},
      {{"show", "--base", Path("none"), "C"}, ""},
      {{"help", "ad"}, "add"},
  };
  for (const auto& test : cases) {
    std::string words = Quote(morfel);
    for (const std::string& word : test.words) words += " " + Quote(word);
    const std::string command = "source " + Quote(script) + "; COMP_WORDS=(" + words +
                                "); COMP_CWORD=" + std::to_string(test.words.size()) +
                                "; _morfel; IFS='|'; echo \"${COMPREPLY[*]}\"";
    std::string shell = "bash -c " + Quote(command) + " >" + Quote(Path("offers.txt"));
    ASSERT_EQ(std::system(shell.c_str()), 0) << command;
    EXPECT_EQ(Slurp(Path("offers.txt")), std::string(test.offers) + "\n") << command;
  }
  EXPECT_FALSE(fs::exists(Path("none"))) << "completing made a base folder";
}

#endif  // _WIN32
