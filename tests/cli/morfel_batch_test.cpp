// The morfel program with several inputs, with pipes, interrupted, and
// beside other runs.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <spawn.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "tests/cli/morfel_runner.h"

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

namespace {

// True once a temporary base folder under tmp holds the plug-in's settings.
bool SettingsSavedUnder(const std::string& tmp) {
  std::error_code error;
  for (const fs::directory_entry& folder : fs::directory_iterator(tmp, error)) {
    if (fs::exists(folder.path() / "Morfel.dat", error)) return true;
  }
  return false;
}

}  // namespace

TEST_F(MorfelProgram, InterruptsRemoveTheTemporaryFolderAndExitAsShellsExpect) {
  std::string input = MakeImage("in.png", 4, 4);
  fs::create_directories(Path("tmp"));
  std::string tmpdir = "TMPDIR=" + Path("tmp");
  std::string binary = MORFEL_BINARY;
  // Through the plug-in, whose way needs a temporary base folder; its
  // appearance tells that the program runs.
  std::string plugin = PluginBesideMorfel();
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
    // The settings OK saves are the last thing written before the run, whose
    // Init never ends: the signal comes during the run, however slow the
    // start.
    int status = 0;
    bool ended = false;
    while (!SettingsSavedUnder(Path("tmp")) && !(ended = waitpid(child, &status, WNOHANG) == child))
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_FALSE(ended) << "morfel ended before its run began";
    kill(child, signal);
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

TEST_F(MorfelProgram, TwoRunsWritingOneOutputBothSucceedAndLeaveOneWholeResult) {
  std::string input = MakeImage("in.png", 64, 48);
  const char* programs[2] = {"Colour/Invert", "Colour/Sepia"};
  std::string commands[2], results[2];
  for (int i = 0; i < 2; ++i) {
    std::vector<std::string> words = {"apply",     "--base",  base_, "--program",
                                      programs[i], "--quiet", input};
    commands[i] = Quote(MORFEL_BINARY);
    for (const std::string& word : words) commands[i] += " " + Quote(word);
    commands[i] += " " + Quote(Path("out.png"));
    words.push_back(Path("alone.png"));
    ASSERT_EQ(Run(words).status, 0);
    results[i] = Slurp(Path("alone.png"));
  }
  fs::remove(Path("alone.png"));
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    // Started together; whichever renames last wins, each must succeed.
    EXPECT_EQ(RunTogether(commands[0], commands[1]), "0 0\n");
    std::string written = Slurp(Path("out.png"));
    EXPECT_TRUE(written == results[0] || written == results[1]) << written.size() << " bytes";
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(folder_)) {
    EXPECT_NE(entry.path().extension(), ".part") << entry.path();
  }
}

TEST_F(MorfelProgram, AClosedPipeEndsACommandQuietlyWhetherOrNotItsSignalIsIgnored) {
  std::string input = MakeImage("in.png", 8, 6);
  const std::vector<std::string> commands[] = {
      {"functions"},
      {"apply", "--base", base_, "--program", "Colour/Invert", "--format", "png", input, "-"}};
  for (const auto& handling : {SIG_DFL, SIG_IGN}) {
    for (const std::vector<std::string>& command : commands) {
      SCOPED_TRACE(command[0] + (handling == SIG_IGN ? ", SIGPIPE ignored" : ""));
      int ends[2];
      ASSERT_EQ(pipe(ends), 0);
      close(ends[0]);  // no reader, before the first write
      std::vector<std::string> words = {MORFEL_BINARY};
      words.insert(words.end(), command.begin(), command.end());
      std::vector<char*> argv;
      for (std::string& word : words) argv.push_back(word.data());
      argv.push_back(nullptr);
      posix_spawn_file_actions_t actions;
      posix_spawn_file_actions_init(&actions);
      posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
      posix_spawn_file_actions_addopen(&actions, 2, Path("err.txt").c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0600);
      auto previous = signal(SIGPIPE, handling);  // what the child inherits
      pid_t child = 0;
      int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
      signal(SIGPIPE, previous);
      posix_spawn_file_actions_destroy(&actions);
      close(ends[1]);
      ASSERT_EQ(spawned, 0);
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << status;
      EXPECT_EQ(Slurp(Path("err.txt")), "");
    }
  }
}

// Only runs through the plug-in make a folder of their own, so only they
// look for the folders of killed ones.
TEST_F(MorfelProgram, RunFoldersOfKilledRunsAreRemovedByTheNextRun) {
  std::string input = MakeImage("in.png", 4, 4);
  fs::path tmp = Path("tmp");
  struct FolderCase {
    const char* name;
    bool lockFile;
    bool held;  // its lock taken, as by a live run
    bool removed;
  };
  const FolderCase cases[] = {{"morfel-k1lled", true, false, true},
                              {"morfel-a11ve0", true, true, false},
                              {"morfel-studio", false, false, false},  // not a run's
                              {"morfel-k1lled2", true, false, false}};
  std::vector<int> held;
  for (const FolderCase& test : cases) {
    fs::create_directories(tmp / test.name / "Tarvo");
    if (!test.lockFile) continue;
    int lock = open((tmp / test.name / ".morfel-run.lock").c_str(), O_RDWR | O_CREAT, 0600);
    if (test.held) {
      ASSERT_EQ(flock(lock, LOCK_EX), 0);
      held.push_back(lock);
    } else {
      close(lock);
    }
  }
  Outcome run = Run({"apply", "--plugin", PluginBesideMorfel(), "--base", base_, "--transform",
                     "x=1;", "--quiet", input, Path("out.png")},
                    "", "TMPDIR=" + Quote(tmp.string()));
  EXPECT_EQ(run.status, 0) << run.err;
  for (const FolderCase& test : cases) {
    EXPECT_EQ(fs::exists(tmp / test.name), !test.removed) << test.name;
  }
  for (int lock : held) close(lock);
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp), fs::directory_iterator()), 3)
      << "the run's own folder is gone";
}

#endif  // _WIN32
