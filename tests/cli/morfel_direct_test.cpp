// apply and check run programs in morfel's own process; --plugin goes through
// the plug-in binary and its dialog as an image editor does. Both must give
// the same files, and the direct way must do what the dialog could not.
#include <gtest/gtest.h>

#ifndef _WIN32

#include "tests/cli/morfel_runner.h"

// The images and the settings file a run leaves, directly and through the
// plug-in, each in a base folder of its own: every starter program, and
// parameters, interpolations and a given program.
TEST_F(MorfelProgram, ThePluginsDialogAndTheDirectWayGiveTheSameFiles) {
  const std::string input = MakeImage("in.png", 24, 16, true);
  std::vector<std::vector<std::string>> programs = {
      {"--program", "Deform/Twirl", "--param", "angle=90", "--interp", "bezier"},
      {"--program", "Stencil/Stars", "--interp", "linear"},
      {"--init", "?k,K,0,255,9;\ncoord=2;", "--transform", "x=x+k;"},
  };
  std::istringstream names(Run({"list", "--base", Path("listed")}).out);
  for (std::string name; std::getline(names, name);) programs.push_back({"--program", name});
  for (const std::vector<std::string>& program : programs) {
    SCOPED_TRACE(program[1]);
    std::string settings[2];
    std::string images[2];
    for (int viaPlugin = 0; viaPlugin < 2; ++viaPlugin) {
      const std::string base = Path("base" + std::to_string(viaPlugin));
      const std::string output = Path("out" + std::to_string(viaPlugin) + ".png");
      std::vector<std::string> words = {"apply", "--base", base, "--quiet"};
      if (viaPlugin == 1) words.insert(words.end(), {"--plugin", PluginBesideMorfel()});
      words.insert(words.end(), program.begin(), program.end());
      words.insert(words.end(), {input, output});
      Outcome outcome = Run(words);
      ASSERT_EQ(outcome.status, 0) << outcome.err;
      images[viaPlugin] = Slurp(output);
      settings[viaPlugin] = Slurp(base + "/Morfel.dat");
    }
    EXPECT_EQ(images[0], images[1]);
    EXPECT_EQ(settings[0], settings[1]);
  }
}

TEST_F(MorfelProgram, CheckSaysTheSameWithAndWithoutThePlugin) {
  const std::vector<std::vector<std::string>> programs = {
      {"--transform", "x = = 1;"},
      {"--init", "a=1;\nb=(;", "--transform", "x=1;"},
      {"--init", "?p,P,0,1;", "--transform", "x=1;"},
      {"--init", "?p,P,0,9,1;", "--transform", "x=x+p;"},
  };
  for (const std::vector<std::string>& program : programs) {
    std::vector<std::string> words = {"check"};
    words.insert(words.end(), program.begin(), program.end());
    const Outcome direct = Run(words);
    words.insert(words.end(), {"--plugin", PluginBesideMorfel()});
    const Outcome viaPlugin = Run(words);
    EXPECT_EQ(direct.out, viaPlugin.out) << program.back();
    EXPECT_EQ(direct.status, viaPlugin.status) << program.back();
  }
}

// A program given on the command line loads pictures from subfolders of the
// user's data folder, as a library program does.
TEST_F(MorfelProgram, GivenProgramsLoadPicturesFromSubfoldersOfTheDataFolder) {
  ASSERT_EQ(Run({"list", "--base", base_}).status, 0);
  fs::create_directories(base_ + "/Tarvo/sub");
  MakeImage("dot.bmp", 7, 5);
  fs::rename(Path("dot.bmp"), base_ + "/Tarvo/sub/dot.bmp");
  const std::string input = MakeImage("in.png", 4, 4);
  Outcome outcome =
      Run({"apply", "--base", base_, "--init", "ok=LoadBmp(\"sub/dot\", 0);\ncoord=0;",
           "--transform", "R=ok; G=xs(0); B=ys(0);", "--quiet", input, Path("out.png")});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  const Picture result = Read("out.png");
  EXPECT_EQ(result.bgr[0], 5);  // blue: the height
  EXPECT_EQ(result.bgr[1], 7);  // green: the width
  EXPECT_EQ(result.bgr[2], 1);  // red: loaded
}

TEST_F(MorfelProgram, ApplyNamesTheLineOfACompileError) {
  const std::string input = MakeImage("in.png", 4, 4);
  const struct {
    const char* init;
    const char* transform;
    const char* said;
  } cases[] = {
      {"coord=0;", "x=1;\ny = = 2;", "Error in Transform program in line 2."},
      {"a=1;\n?p,P,0,1,0;\nq=(;", "", "Error in Initialize program in line 3."},
  };
  for (const auto& test : cases) {
    Outcome outcome = Run({"apply", "--base", base_, "--init", test.init, "--transform",
                           test.transform, "--quiet", input, Path("out.png")});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find(test.said), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(Path("out.png")));
  }
}

TEST_F(MorfelProgram, CheckTakesAProgramOfTheLibrary) {
  Outcome good = Run({"check", "--base", base_, "--program", "Deform/Twirl"});
  EXPECT_EQ(good.status, 0) << good.err;
  EXPECT_EQ(good.out, "ok\n");
  std::ofstream(base_ + "/Tarvo/Morfel.ini", std::ios::binary)
      << "[Prog000]\r\nGroup=G\r\nName=Bad\r\nInit=coord=0;\r\nProg=R=1;\\nG=(;\r\n";
  Outcome bad = Run({"check", "--base", base_, "--group", "G", "--name", "Bad"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out, "Error in Transform program in line 2.\n");
  EXPECT_EQ(Run({"check", "--base", base_, "--program", "G/None"}).status, 1);
}

// The dialog lists 1000 programs; the rest are applied all the same, and the
// settings (which could not name them) are left alone.
TEST_F(MorfelProgram, ProgramsBeyondTheDialogsListsAreApplied) {
  fs::create_directories(base_ + "/Tarvo");
  {
    std::ofstream library(base_ + "/Tarvo/Morfel.ini", std::ios::binary);
    for (int i = 0; i < 1002; ++i) {
      char section[16];
      std::snprintf(section, sizeof section, "Prog%03d", i);
      library << "[" << section << "]\r\nGroup=G\r\nName=P" << i
              << "\r\nInit=coord=0;\r\nProg=R=" << i % 256 << ";\r\n";
    }
  }
  const std::string input = MakeImage("in.png", 4, 4);
  Outcome outcome =
      Run({"apply", "--base", base_, "--program", "G/P1001", "--quiet", input, Path("out.png")});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(Read("out.png").bgr[2], 1001 % 256);
  EXPECT_FALSE(fs::exists(base_ + "/Morfel.dat"));
}

// Nothing is made in the temporary folder, so a process killed at any moment
// leaves nothing behind there: a temporary folder that cannot be used at
// all does not matter.
TEST_F(MorfelProgram, ApplyAndCheckNeedNoTemporaryFolder) {
  const std::string input = MakeImage("in.png", 4, 4);
  const std::string environment = "TMPDIR=" + Quote(Write("not-a-folder", "x"));
  Outcome applied = Run({"apply", "--base", base_, "--init", "coord=0;", "--transform", "R=3;",
                         "--quiet", input, Path("out.png")},
                        "", environment);
  ASSERT_EQ(applied.status, 0) << applied.err;
  EXPECT_EQ(Read("out.png").bgr[2], 3);
  Outcome checked = Run({"check", "--transform", "R=3;"}, "", environment);
  EXPECT_EQ(checked.out, "ok\n") << checked.err;
}

#endif  // _WIN32
