// Runs the morfel program as a user would, on generated images, each test in
// a base folder of its own.
#include <gtest/gtest.h>

// The program is run through a POSIX shell (quoting, redirections, wait
// status); the Windows build drives it through its exports instead.
#ifndef _WIN32

#include "tests/cli/morfel_runner.h"

TEST_F(MorfelProgram, TitleComesFromThePlugin) {
  Outcome outcome = Run({"title"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "Morfel\n");
}

TEST_F(MorfelProgram, ListShowsTheStarterLibraryOfANewBaseFolder) {
  Outcome outcome = Run({"list", "--base", base_});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out.rfind("Deform/Sample\nDeform/Twirl\n", 0), 0u) << outcome.out;
  EXPECT_NE(outcome.out.find("Colour/Invert\n"), std::string::npos);
  Outcome show = Run({"show", "--base", base_, "Deform/Twirl"});
  ASSERT_EQ(show.status, 0) << show.err;
  EXPECT_NE(show.out.find("t=t+a*(rad-r)/rad;"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("angle"), std::string::npos);
  EXPECT_NE(show.out.find("-720 to 720, default 180"), std::string::npos);
}

TEST_F(MorfelProgram, UnknownProgramNamesTheClosest) {
  Outcome outcome = Run({"show", "--base", base_, "Deform/Twril"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.err.find("morfel: no program Deform/Twril in the library"), std::string::npos);
  EXPECT_NE(outcome.err.find("Deform/Twirl"), std::string::npos) << outcome.err;
}

TEST_F(MorfelProgram, UsageErrorsExitWithTwoAndAOneLineHint) {
  Outcome outcome = Run({"apply", "--program", "Deform/Twirl", "only-input.png"});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.err,
            "morfel: apply needs an INPUT and an OUTPUT image (or -o DIR and the inputs)\n"
            "Try 'morfel apply --help' for its usage.\n");
  EXPECT_EQ(Run({"--help"}).status, 0);
}

TEST_F(MorfelProgram, AppliesALibraryProgramInEveryInterpolation) {
  std::string input = MakeImage("in.png", 24, 16);
  for (const char* interp : {"round", "linear", "bezier"}) {
    std::string output = std::string("twirl-") + interp + ".png";
    Outcome outcome = Run({"apply", "--base", base_, "--program", "Deform/Twirl", "--param", "90",
                           "--interp", interp, "--quiet", input, Path(output)});
    ASSERT_EQ(outcome.status, 0) << interp << ": " << outcome.err;
    Picture result = Read(output);
    EXPECT_EQ(result.width, 24);
    EXPECT_EQ(result.height, 16);
  }
}

TEST_F(MorfelProgram, AdHocProgramInvertsAndParametersReachIt) {
  std::string input = MakeImage("in.png", 8, 6);
  Outcome outcome =
      Run({"apply", "--base", base_, "--init", "?k,Amount,0,255,255;\ncoord=0;", "--transform",
           "R=k-R;\nG=k-G;\nB=k-B;", "--param", "200", "--quiet", input, Path("out.bmp")});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  Picture before = Read("in.png");
  Picture after = Read("out.bmp");
  ASSERT_EQ(after.bgr.size(), before.bgr.size());
  for (size_t i = 0; i < before.bgr.size(); ++i) {
    int expected = 200 - before.bgr[i];
    ASSERT_EQ(after.bgr[i], expected < 0 ? 0 : expected) << "byte " << i;
  }
  // The user's library is untouched by an ad-hoc program.
  EXPECT_EQ(Run({"list", "--base", base_}).out.find("Command line"), std::string::npos);
}

TEST_F(MorfelProgram, ProgramFileRunsLikeTheLibrary) {
  std::string input = MakeImage("in.png", 8, 6);
  std::ofstream(Path("prog.txt")) << "Group=Files\nName=Shift\nInit=coord=2;\\n\nProg=x=x+1;\\n\n";
  Outcome outcome = Run(
      {"apply", "--base", base_, "--file", Path("prog.txt"), "--quiet", input, Path("out.png")});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  Picture before = Read("in.png");
  Picture after = Read("out.png");
  // Shifted left by one pixel, the first column reappearing at the right.
  EXPECT_EQ(after.bgr[0], before.bgr[3]);
  EXPECT_EQ(after.bgr[7 * 3], before.bgr[0]);
}

TEST_F(MorfelProgram, TransparencyMakesTheRoundTripThroughPngAlpha) {
  std::string input = MakeImage("in.png", 10, 4, true);
  Outcome outcome =
      Run({"apply", "--base", base_, "--transform", "coord=2;", "--quiet", input, Path("out.png")});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  Picture after = Read("out.png");
  EXPECT_EQ(after.t[0], 64);
  EXPECT_EQ(after.t[9], 255);
}

TEST_F(MorfelProgram, CompileErrorFailsWithItsMessageAndWritesNothing) {
  std::string input = MakeImage("in.png", 8, 6);
  Outcome outcome =
      Run({"apply", "--base", base_, "--transform", "x = = 1;", "--quiet", input, Path("out.png")});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.err.find("morfel: Program compilation error."), std::string::npos)
      << outcome.err;
  EXPECT_FALSE(fs::exists(Path("out.png")));
}

TEST_F(MorfelProgram, ParameterErrorFailsAndWritesNothing) {
  std::string input = MakeImage("in.png", 8, 6);
  Outcome outcome = Run({"apply", "--base", base_, "--program", "Deform/Twirl", "--param", "1+",
                         "--quiet", input, Path("out.png")});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.err.find("morfel: --param angle: \"1+\" is not a value"), std::string::npos)
      << outcome.err;
  EXPECT_FALSE(fs::exists(Path("out.png")));
}

TEST_F(MorfelProgram, MissingInputIsAClearError) {
  Outcome outcome = Run({"apply", "--base", base_, "--program", "Colour/Invert",
                         Path("missing.png"), Path("out.png")});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.err.find("cannot open"), std::string::npos) << outcome.err;
  EXPECT_FALSE(fs::exists(Path("out.png")));
}

TEST_F(MorfelProgram, CheckSaysOkOrTheEditorsMessage) {
  Outcome good = Run({"check", "--init", "?a,A,0,9,1;\nb=a*2;", "--transform", "x=x+b;"});
  EXPECT_EQ(good.status, 0) << good.err;
  EXPECT_EQ(good.out, "ok\n");
  Outcome bad = Run({"check", "--init", "a=1;", "--transform", "x=1;\ny=2;\nz=;"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out, "Error in Transform program in line 3.\n");
  Outcome init = Run({"check", "--init", "a=1;\n?p,P,0,1,0;\nq=(;", "--transform", ""});
  EXPECT_EQ(init.out, "Error in Initialize program in line 3.\n");
  // The engine's line comes first (morfel_engine_test.cpp checks it).
  const std::string engine = "ok\nengine: interpreter (asked for)\n";
  Outcome several = Run({"check", "--explain", "--transform", "if (R>9) z=R; R=255-R;"}, "",
                        "MORFEL_ENGINE=interpreter MORFEL_THREADS=2");
  EXPECT_EQ(several.out, engine + "threads: several\n");
  Outcome one = Run({"check", "--explain", "--transform", "z=z+1; R=z;"}, "",
                    "MORFEL_ENGINE=interpreter MORFEL_THREADS=2");
  EXPECT_EQ(one.out,
            engine + "threads: one (the variable z keeps a value from one pixel for the next)\n");
  Outcome asked = Run({"check", "--explain", "--transform", "R=1;"}, "",
                      "MORFEL_ENGINE=interpreter MORFEL_THREADS=1");
  EXPECT_EQ(asked.out, engine + "threads: one (one thread asked)\n");
}

// The boxes' messages stay as they are on standard output; standard error
// says where and why, with the line and a caret, and warns where a run
// would plainly waste its work (apply: one line each, none with --quiet).
TEST_F(MorfelProgram, CheckAndApplySayWhyAndWarn) {
  const std::string input = MakeImage("in.png", 8, 6);
  const std::string out = Path("out.png");
  struct Case {
    std::vector<std::string> words;
    int status;
    std::string out;               // exactly, for check
    std::vector<std::string> err;  // fragments standard error holds
    std::string notInErr;          // "" when anything goes
  } cases[] = {
      {{"check", "--transform", "x=1;\nR=sinn(G);"},
       1,
       "Error in Transform program in line 2.\n",
       {"Transform line 2, column 3: unknown function 'sinn' (did you mean 'sin'?)\n"
        "  R=sinn(G);\n    ^\n"},
       ""},
      {{"check", "--transform", "R=(1+2;"},
       1,
       "Error in Transform program in line 1.\n",
       {"')' expected before ';'"},
       ""},
      {{"check", "--init", "// note\n?a,A,0,9,1; // amount\n", "--transform",
        "/* all */ coord=0; R=255-R*a/9; // invert"},
       0,
       "ok\n",
       {},
       "morfel"},
      {{"check", "--transform", "R=255-R;"},
       0,
       "ok\n",
       {"warning: Transform line 1, column 1: 'R' is set while coord is 1"},
       ""},
      {{"apply", "--base", base_, "--transform", "R=min(1);", input, out},
       1,
       "",
       {"Program compilation error.", "'min' takes 2 values, 1 given"},
       ""},
      {{"apply", "--base", base_, "--transform", "R=255-R;", input, out},
       0,
       "",
       {"morfel: warning: Transform line 1, column 1:"},
       ""},
      {{"apply", "--base", base_, "--quiet", "--transform", "R=255-R;", input, out},
       0,
       "",
       {},
       "warning"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = Run(c.words);
    const std::string shown =
        c.words[0] + " " + c.words[c.words.size() - (c.words[0] == "apply" ? 3 : 1)];
    EXPECT_EQ(outcome.status, c.status) << shown << outcome.err;
    if (c.words[0] == "check") {
      EXPECT_EQ(outcome.out, c.out) << shown;
    }
    for (const std::string& fragment : c.err) {
      EXPECT_NE(outcome.err.find(fragment), std::string::npos) << shown << "\n" << outcome.err;
    }
    if (!c.notInErr.empty()) {
      EXPECT_EQ(outcome.err.find(c.notInErr), std::string::npos) << shown << "\n" << outcome.err;
    }
  }
}

TEST_F(MorfelProgram, ImportAddsThenOverwrites) {
  ASSERT_EQ(Run({"list", "--base", base_}).status, 0);
  std::ofstream(base_ + "/Tarvo/extra.txt") << "Group=Extra\r\nName=One\r\nInit=coord=0;\\n\r\n"
                                               "Prog=R=0;\\n\r\n";
  Outcome first = Run({"import", "--base", base_, "--yes"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, "1 new program(s) are added. 0 program(s) are overwritten.\n");
  Outcome second = Run({"import", "--base", base_, "--yes"});
  EXPECT_EQ(second.out, "0 new program(s) are added. 1 program(s) are overwritten.\n");
  EXPECT_NE(Run({"list", "--base", base_}).out.find("Extra/One\n"), std::string::npos);
  Outcome declined = Run({"import", "--base", base_}, "n\n");
  EXPECT_EQ(declined.out, "");
}

TEST_F(MorfelProgram, EveryStarterProgramRunsWithoutAnErrorMessage) {
  std::string input = MakeImage("in.png", 40, 30, true);
  Outcome list = Run({"list", "--base", base_});
  ASSERT_EQ(list.status, 0);
  std::istringstream names(list.out);
  std::string name;
  int programs = 0;
  while (std::getline(names, name)) {
    Outcome outcome =
        Run({"apply", "--base", base_, "--program", name, "--quiet", input, Path("starter.png")});
    EXPECT_EQ(outcome.status, 0) << name << ": " << outcome.err;
    EXPECT_EQ(outcome.err, "") << name;
    ++programs;
  }
  EXPECT_GE(programs, 20);
}

TEST_F(MorfelProgram, AdHocProgramsLoadImagesFromTheUsersDataFolder) {
  std::string input = MakeImage("in.png", 6, 4);
  Outcome outcome =
      Run({"apply", "--base", base_, "--init", "ok=LoadBmp(\"star\",0);\ncoord=0;", "--transform",
           "R=ok*255;\nG=xs(0);\nB=0;", "--quiet", input, Path("out.png")});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  Picture after = Read("out.png");
  EXPECT_EQ(after.bgr[2], 255) << "LoadBmp found the starter library's star";
  EXPECT_EQ(after.bgr[1], 33) << "the star is 33 pixels wide";
}

TEST_F(MorfelProgram, MoreParametersThanDeclaredIsAnError) {
  std::string input = MakeImage("in.png", 6, 4);
  Outcome outcome = Run({"apply", "--base", base_, "--program", "Colour/Invert", "--param", "1",
                         "--quiet", input, Path("out.png")});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.err.find("declares 0 parameter(s), but 1 --param were given"),
            std::string::npos)
      << outcome.err;
  EXPECT_FALSE(fs::exists(Path("out.png")));
}

// A hand-edited library whose Transform text is longer than a program holds
// (2047 characters): choosing it, checking it and applying it as given text
// all refuse it with one message, and nothing is written.
TEST_F(MorfelProgram, TextTooLongToRunIsRefusedAlikeEverywhere) {
  std::string transform = "R=0;G=0;B=0;";
  while (transform.size() < 2100) transform += "\nx=x;";
  std::string stored = transform;
  for (size_t at = stored.find('\n'); at != std::string::npos; at = stored.find('\n', at)) {
    stored.replace(at, 1, "\\n");
  }
  fs::create_directories(base_ + "/Tarvo");
  std::ofstream(base_ + "/Tarvo/Morfel.ini")
      << "[Prog000]\r\nGroup=T\r\nName=White\r\nInit=coord=0;\r\nProg=" << stored << "\r\n";
  const std::string message =
      "The Transform program is longer than 2047 characters, the most a program may hold.";
  std::string input = MakeImage("in.png", 8, 6);
  Outcome chosen =
      Run({"apply", "--base", base_, "--program", "T/White", "--quiet", input, Path("out.png")});
  EXPECT_EQ(chosen.status, 1);
  EXPECT_NE(chosen.err.find("morfel: " + message), std::string::npos) << chosen.err;
  Outcome given =
      Run({"apply", "--base", base_, "--transform", transform, "--quiet", input, Path("out.png")});
  EXPECT_EQ(given.status, 1);
  EXPECT_NE(given.err.find("morfel: " + message), std::string::npos) << given.err;
  EXPECT_FALSE(fs::exists(Path("out.png")));
  Outcome checked = Run({"check", "--transform", transform});
  EXPECT_EQ(checked.status, 1);
  EXPECT_EQ(checked.out, message + "\n");
}

// A library that cannot be listed whole says so: programs beyond the 1000
// shown, and a malformed line (here a NUL byte) that stopped the reading.
TEST_F(MorfelProgram, ListSaysWhatItCannotShow) {
  fs::create_directories(base_ + "/Tarvo");
  {
    std::ofstream library(base_ + "/Tarvo/Morfel.ini", std::ios::binary);
    for (int i = 0; i < 1002; ++i) {
      char section[16];
      std::snprintf(section, sizeof section, "Prog%03d", i);
      library << "[" << section << "]\r\nGroup=G\r\nName=P" << i << "\r\nInit=\r\nProg=\r\n";
    }
  }
  Outcome many = Run({"list", "--base", base_});
  EXPECT_EQ(many.status, 0) << many.err;
  EXPECT_NE(many.out.find("G/P999\n"), std::string::npos);
  EXPECT_EQ(many.out.find("G/P1000"), std::string::npos);
  EXPECT_NE(many.err.find("holds 2 more program(s) than the 1000 that can be shown"),
            std::string::npos)
      << many.err;
  std::ofstream(base_ + "/Tarvo/Morfel.ini", std::ios::binary)
      << std::string("\0note=x\r\n[Prog000]\r\nGroup=G\r\nName=P\r\n", 37);
  Outcome stopped = Run({"list", "--base", base_});
  EXPECT_EQ(stopped.status, 1);
  EXPECT_NE(stopped.err.find("cannot be read past line 1"), std::string::npos) << stopped.err;
}

// The photograph through every starter program on one thread and on
// several, as MORFEL_THREADS or --threads asks: the files must be the same.
TEST_F(MorfelProgram, EveryStarterProgramGivesTheSameFileOnAnyNumberOfThreads) {
  // The cat's face, 150 x 100, keeps the run short under the sanitizers.
  Picture whole;
  std::string error;
  ASSERT_EQ(
      ReadPicture(std::string(MORFEL_SOURCE_DIR) + "/docs/samples/chelsea.png", &whole, &error), 1)
      << error;
  Picture face;
  face.width = 150;
  face.height = 100;
  for (int y = 40; y < 140; ++y) {
    for (int x = 150; x < 300; ++x) {
      const size_t pixel = static_cast<size_t>(y) * whole.width + x;
      face.bgr.insert(face.bgr.end(), &whole.bgr[pixel * 3], &whole.bgr[pixel * 3 + 3]);
      face.t.push_back(whole.t.empty() ? 255 : whole.t[pixel]);
    }
  }
  const std::string photograph = Path("face.png");
  ASSERT_EQ(WritePicture(photograph, face, &error), 1) << error;
  Outcome list = Run({"list", "--base", base_});
  ASSERT_EQ(list.status, 0);
  std::istringstream names(list.out);
  std::string name;
  while (std::getline(names, name)) {
    const std::string one = Path("one.png");
    ASSERT_EQ(Run({"apply", "--base", base_, "--program", name, "--quiet", "--threads", "1",
                   photograph, one})
                  .status,
              0)
        << name;
    for (const char* threads : {"2", "7"}) {
      const std::string many = Path(std::string("threads-") + threads + ".png");
      Outcome outcome =
          Run({"apply", "--base", base_, "--program", name, "--quiet", photograph, many}, "",
              std::string("MORFEL_THREADS=") + threads);
      ASSERT_EQ(outcome.status, 0) << name << ": " << outcome.err;
      EXPECT_EQ(Slurp(one), Slurp(many)) << name << " on " << threads << " threads";
    }
  }
}

#endif  // _WIN32
