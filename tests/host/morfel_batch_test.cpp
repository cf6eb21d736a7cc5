// The morfel program with several inputs, with pipes, and interrupted.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "tests/host/morfel_runner.h"

extern char** environ;

TEST_F(MorfelProgram, BatchesWriteEveryInputThatCanBeReadAndSayWhichFailed) {
  std::string a = MakeImage("a.png", 8, 6);
  std::string b = MakeImage("b.bmp", 5, 4);
  struct BatchCase {
    std::vector<std::string> words;
    int status;
    std::vector<std::string> written;
    const char* said;
  };
  const BatchCase cases[] = {
      {{"-o", Path("out"), a, Path("missing.png"), b},
       1,
       {"out/a.png", "out/b.bmp"},
       "1 of 3 pictures failed"},
      {{"-o", Path("webp"), "--format", "webp", a, b}, 0, {"webp/a.webp", "webp/b.webp"}, ""},
      {{"-o", Path("twice"), a, a}, 1, {}, "two inputs would both be written to"},
      {{"-o", Path("pipe"), "-"}, 2, {}, "reads files, not standard input"},
  };
  for (const BatchCase& test : cases) {
    SCOPED_TRACE(test.words[1]);
    std::vector<std::string> words = {"apply", "--base", base_, "--program", "Colour/Invert"};
    words.insert(words.end(), test.words.begin(), test.words.end());
    Outcome outcome = Run(words);
    EXPECT_EQ(outcome.status, test.status) << outcome.err;
    EXPECT_NE(outcome.err.find(test.said), std::string::npos) << outcome.err;
    for (const std::string& name : test.written) {
      EXPECT_NE(outcome.err.find("morfel: wrote " + Path(name)), std::string::npos) << name;
      EXPECT_GT(Read(name).width, 0) << name;
    }
  }
}

TEST_F(MorfelProgram, AProgramThatFailsStopsTheBatchAtTheFirstPicture) {
  std::string a = MakeImage("a.png", 8, 6);
  Outcome outcome = Run({"apply", "--base", base_, "--transform", "x = = 1;", "-o", Path("out"), a,
                         a + "x", a + "y"});
  EXPECT_EQ(outcome.status, 1);
  size_t first = outcome.err.find("Program compilation error.");
  ASSERT_NE(first, std::string::npos) << outcome.err;
  EXPECT_EQ(outcome.err.find("Program compilation error.", first + 1), std::string::npos);
}

TEST_F(MorfelProgram, StandardInputAndOutputCarryImages) {
  std::string input = MakeImage("in.png", 8, 6, true);
  Outcome piped = Run({"apply", "--base", base_, "--program", "Colour/Invert", "--format", "tga",
                       "--quiet", "-", "-"},
                      Slurp(input));
  ASSERT_EQ(piped.status, 0) << piped.err;
  Write("piped.tga", piped.out);
  Picture before = Read("in.png");
  Picture after = Read("piped.tga");
  ASSERT_EQ(after.bgr.size(), before.bgr.size());
  EXPECT_EQ(after.bgr[0], 255 - before.bgr[0]);
  EXPECT_EQ(after.t, before.t);
  Outcome noFormat = Run({"apply", "--base", base_, "--program", "Colour/Invert", input, "-"});
  EXPECT_EQ(noFormat.status, 2);
  EXPECT_NE(noFormat.err.find("needs --format"), std::string::npos);
}

TEST_F(MorfelProgram, InterruptsRemoveTheTemporaryFolderAndExitAsShellsExpect) {
  std::string input = MakeImage("in.png", 4, 4);
  fs::create_directories(Path("tmp"));
  std::string tmpdir = "TMPDIR=" + Path("tmp");
  std::string binary = MORFEL_BINARY;
  // Through the plug-in, whose way needs a temporary base folder; its
  // appearance tells that the program runs.
  std::string plugin = (fs::path(binary).parent_path() / "libmorfel.so").string();
  std::vector<std::string> words = {
      binary,    "apply", "--plugin",     plugin,
      "--base",  base_,   "--init",       "i=0;\nwhile (i<1e12) {i=i+1;}\ncoord=0;",
      "--quiet", input,   Path("out.png")};
  for (int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<char*> environment = {tmpdir.data()};
    for (char** variable = environ; *variable != nullptr; ++variable) {
      if (std::strncmp(*variable, "TMPDIR=", 7) != 0) environment.push_back(*variable);
    }
    environment.push_back(nullptr);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environment.data()), 0);
    // Once the temporary base folder exists, the program is running.
    for (int wait = 0; wait < 200 && fs::is_empty(Path("tmp")); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_FALSE(fs::is_empty(Path("tmp")));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(child, signal);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    EXPECT_TRUE(fs::is_empty(Path("tmp")));
    EXPECT_FALSE(fs::exists(Path("out.png")));
  }
}

TEST_F(MorfelProgram, ATimeoutStopsAnEndlessProgramAndLeavesNothingBehind) {
  std::string input = MakeImage("in.png", 4, 4);
  fs::create_directories(Path("tmp"));
  Outcome run = Run({"apply", "--base", base_, "--transform", "while(1){x=x+1;}", "--timeout",
                     "0.5", "--quiet", input, Path("out.png")},
                    "", "TMPDIR=" + Quote(Path("tmp")));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("stopped after 0.5 s (--timeout)"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::is_empty(Path("tmp")));
  EXPECT_FALSE(fs::exists(Path("out.png")));
  EXPECT_EQ(Run({"apply", "--timeout", "0", "--transform", "x=1;", input, Path("o.png")}).status,
            2);
}

#endif  // _WIN32
