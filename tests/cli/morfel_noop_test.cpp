// Cases that once ended in "wrote" with an unchanged picture, each now an
// error or a warning that says why; and the help texts.
#include <gtest/gtest.h>

#ifndef _WIN32

#include "script/script.h"
#include "tests/cli/morfel_runner.h"

TEST_F(MorfelProgram, MistakesInProgramsAndParametersAreSaidNotPassedOver) {
  std::string input = MakeImage("in.png", 8, 6);
  std::string stray =
      Write("stray.txt", "\xEF\xBB\xBFGroup=Files\nName=Stray\nInit=coord=0;\nProg=R=255;\nG=0;\n");
  std::string noProg = Write("noprog.txt", "Group=Files\nName=Empty\nInit=coord=0;\n");
  std::string twirl = "Deform/Twirl";
  struct NoOpCase {
    std::vector<std::string> words;  // after "apply --base BASE"
    int status;
    const char* said;
  };
  const NoOpCase cases[] = {
      {{"--init", "?s,Strength,0,100,70; coord=0;", "--transform", "R=s;"},
       1,
       "morfel: Error in Initial parameter setting."},
      {{"--program", twirl, "--param", "angel=90"},
       1,
       "--param angel: the program has no such parameter; it declares angle, size"},
      {{"--program", twirl, "--param", "size=40", "--param", "angle=10"}, 0, ""},
      {{"--program", twirl, "--param", "10", "--param", "angle=20"}, 1, "angle is given twice"},
      {{"--program", twirl, "--param", "ten"}, 1, "\"ten\" is not a value"},
      {{"--program", twirl, "--param", "1;while(1){x=x+1;}"}, 1, "is not a value"},
      {{"--program", twirl, "--param", std::string(128, '1')},
       1,
       "the value is 128 characters long; the dialog takes at most 127"},
      {{"--program", twirl, "--param", "size=1000"},
       0,
       "size = 1000 lies outside its range 1 to 100; it is used as given"},
      {{"--file", stray}, 0, "stray.txt: line 5 is none of the keys Group, Name, Init, Prog"},
      {{"--file", noProg}, 0, "noprog.txt: no Prog= line, so the Transform text is empty"},
      {{"--file", Path("")}, 1, "is a directory"},
  };
  for (const NoOpCase& test : cases) {
    SCOPED_TRACE(test.words.back());
    std::vector<std::string> words = {"apply", "--base", base_};
    words.insert(words.end(), test.words.begin(), test.words.end());
    words.push_back(input);
    words.push_back(Path("out.png"));
    fs::remove(Path("out.png"));
    Outcome outcome = Run(words);
    EXPECT_EQ(outcome.status, test.status) << outcome.err;
    EXPECT_NE(outcome.err.find(test.said), std::string::npos) << outcome.err;
    EXPECT_EQ(fs::exists(Path("out.png")), test.status == 0);
  }
  // The program file with the byte-order mark still ran as written.
  ASSERT_EQ(
      Run({"apply", "--base", base_, "--file", stray, "--quiet", input, Path("out.png")}).status,
      0);
  EXPECT_EQ(Read("out.png").bgr[2], 255);
}

TEST_F(MorfelProgram, ProgramsAreChosenByExactGroupAndNameAndShownAsFilesThatReadBack) {
  std::string input = MakeImage("in.png", 8, 6);
  ASSERT_EQ(Run({"list", "--base", base_}).status, 0);
  std::ofstream(base_ + "/Tarvo/lower.txt") << "Group=Case\nName=p\nInit=coord=0;\nProg=R=10;\n";
  std::ofstream(base_ + "/Tarvo/upper.txt") << "Group=Case\nName=P\nInit=coord=0;\nProg=R=200;\n";
  ASSERT_EQ(Run({"import", "--base", base_, "--yes"}).status, 0);
  for (const char* name : {"p", "P"}) {
    Outcome outcome = Run({"apply", "--base", base_, "--program", std::string("Case/") + name,
                           "--quiet", input, Path("out.png")});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(Read("out.png").bgr[2], name[0] == 'p' ? 10 : 200) << name;
  }
  Outcome shown = Run({"show", "--base", base_, "--as-file", "Deform/Twirl"});
  ASSERT_EQ(shown.status, 0);
  Write("twirl.txt", shown.out);
  Outcome fromFile = Run({"apply", "--base", base_, "--file", Path("twirl.txt"), "--param", "90",
                          "--quiet", input, Path("file.png")});
  ASSERT_EQ(fromFile.status, 0) << fromFile.err;
  EXPECT_EQ(fromFile.err, "");
  ASSERT_EQ(Run({"apply", "--base", base_, "--program", "Deform/Twirl", "--param", "90", "--quiet",
                 input, Path("library.png")})
                .status,
            0);
  EXPECT_EQ(Read("file.png").bgr, Read("library.png").bgr);
}

TEST_F(MorfelProgram, ARefusedImportClaimsNothingAndANumberingGapIsNamed) {
  ASSERT_EQ(Run({"list", "--base", base_}).status, 0);
  std::string library = Slurp(base_ + "/Tarvo/Morfel.ini");
  std::ofstream(base_ + "/Tarvo/Morfel.ini", std::ios::binary) << library << "no equals sign\r\n";
  std::ofstream(base_ + "/Tarvo/extra.txt") << "Group=Extra\nName=One\nInit=\nProg=R=0;\n";
  Outcome import = Run({"import", "--base", base_, "--yes"});
  EXPECT_EQ(import.status, 1);
  EXPECT_EQ(import.out.find("added"), std::string::npos) << import.out;
  EXPECT_NE(import.err.find("nothing was imported"), std::string::npos) << import.err;

  std::string gap = library;
  size_t second = gap.find("[Prog001]");
  ASSERT_NE(second, std::string::npos);
  gap.replace(second, 9, "[Prog101]");
  std::ofstream(base_ + "/Tarvo/Morfel.ini", std::ios::binary) << gap;
  Outcome gapped = Run({"list", "--base", base_});
  EXPECT_NE(gapped.err.find("has no complete program Prog001"), std::string::npos) << gapped.err;
}

TEST_F(MorfelProgram, HelpComesPerCommandAndListsEveryBuiltIn) {
  struct HelpCase {
    std::vector<std::string> words;
    const char* starts;
  };
  const HelpCase cases[] = {
      {{"--version"}, "morfel 0.08\n"},
      {{"help"}, "usage: morfel COMMAND"},
      {{"help", "apply"}, "usage: morfel apply [options] PROGRAM INPUT OUTPUT"},
      {{"apply", "--help"}, "usage: morfel apply [options] PROGRAM INPUT OUTPUT"},
      {{"check", "-h"}, "usage: morfel check"},
      {{"help", "--man"}, ".TH MORFEL 1"},
  };
  for (const HelpCase& test : cases) {
    Outcome outcome = Run(test.words);
    EXPECT_EQ(outcome.status, 0) << test.words[0];
    EXPECT_EQ(outcome.out.rfind(test.starts, 0), 0u) << outcome.out;
  }
  Outcome functions = Run({"functions"});
  for (int i = 0; BuiltinTable[i].name != nullptr; ++i) {
    std::string call = std::string("  ") + BuiltinTable[i].name + "(";
    size_t at = functions.out.find(call);
    ASSERT_NE(at, std::string::npos) << call;
    EXPECT_GT(functions.out.find('\n', at) - at, call.size() + 30) << call << " has no description";
  }
  EXPECT_NE(functions.out.find("  keepImage "), std::string::npos);
}

TEST_F(MorfelProgram, TheManualPageAndCompletionInTheTreeAreTheGeneratedOnes) {
  EXPECT_EQ(Slurp(fs::path(MORFEL_SOURCE_DIR) / "docs/morfel.1"), Run({"help", "--man"}).out)
      << "run: morfel help --man > docs/morfel.1";
  EXPECT_EQ(Slurp(fs::path(MORFEL_SOURCE_DIR) / "tools/morfel-completion.bash"),
            Run({"help", "--bash-completion"}).out)
      << "run: morfel help --bash-completion > tools/morfel-completion.bash";
}

#endif  // _WIN32
