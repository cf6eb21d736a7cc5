// Runs the morfel program as a user would, through a POSIX shell (quoting,
// redirections, wait status), each test in a folder of its own.
#ifndef MORFEL_TESTS_HOST_MORFEL_RUNNER_H
#define MORFEL_TESTS_HOST_MORFEL_RUNNER_H

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "files/files.h"

namespace fs = std::filesystem;

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

inline std::string Quote(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs two shell commands started together and gives their exit statuses
// as "FIRST SECOND", whichever ends first.
inline std::string RunTogether(const std::string& first, const std::string& second) {
  const std::string both = "(" + first + ") >/dev/null & first=$!; " + second +
                           " >/dev/null; second=$?; wait $first; echo $? $second";
  FILE* shell = popen(both.c_str(), "r");
  if (shell == nullptr) return "";
  char statuses[16] = {0};
  const bool read = std::fgets(statuses, sizeof statuses, shell) != nullptr;
  pclose(shell);
  return read ? std::string(statuses) : std::string();
}

// The plug-in built beside morfel, for runs that go through it as a host does.
inline std::string PluginBesideMorfel() {
  return (fs::path(MORFEL_BINARY).parent_path() / "libmorfel.so").string();
}

inline std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class MorfelProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // The process id keeps two runs of the suite (two checkouts, say) out of
    // each other's folders.
    folder_ = fs::temp_directory_path() /
              ("morfel-e2e-" + std::to_string(getpid()) + "-" + std::string(info->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    base_ = (folder_ / "base").string();
  }
  void TearDown() override { fs::remove_all(folder_); }

  // environment: assignments put before the command, "NAME=value ...".
  Outcome Run(const std::vector<std::string>& words, const std::string& input = "",
              const std::string& environment = "") {
    fs::path in = folder_ / "stdin.txt";
    std::ofstream(in) << input;
    return RunOn(words, in.string(), (folder_ / "stdout.txt").string(), environment);
  }

  // As Run, standard input and output on the given files (a device, a
  // FIFO); a run that hangs is stopped after a minute.
  Outcome RunOn(const std::vector<std::string>& words, const std::string& input,
                const std::string& output, const std::string& environment = "") {
    std::string command = environment + " timeout -s KILL 60 " + Quote(MORFEL_BINARY);
    for (const std::string& word : words) command += " " + Quote(word);
    fs::path err = folder_ / "stderr.txt";
    command += " <" + Quote(input) + " >" + Quote(output) + " 2>" + Quote(err.string());
    int raw = std::system(command.c_str());
    int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return Outcome{status, fs::is_regular_file(output) ? Slurp(output) : "", Slurp(err)};
  }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  std::string Write(const std::string& name, const std::string& content) {
    std::ofstream(Path(name), std::ios::binary) << content;
    return Path(name);
  }

  // A picture with a gradient and, when asked, a transparent left half.
  std::string MakeImage(const std::string& name, int width, int height, bool alpha = false) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        picture.bgr.push_back(static_cast<uint8_t>(x * 255 / width));
        picture.bgr.push_back(static_cast<uint8_t>(y * 255 / height));
        picture.bgr.push_back(static_cast<uint8_t>(((x / 4 + y / 4) % 2) * 200));
        picture.t.push_back(alpha && x < width / 2 ? 64 : 255);
      }
    }
    std::string error;
    EXPECT_EQ(WritePicture(Path(name), picture, &error), 1) << error;
    return Path(name);
  }

  Picture Read(const std::string& name) {
    Picture picture;
    std::string error;
    EXPECT_EQ(ReadPicture(Path(name), &picture, &error), 1) << error;
    return picture;
  }

  fs::path folder_;
  std::string base_;
};

#endif
