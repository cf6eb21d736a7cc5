// Both engines through the whole program: every starter program applied to
// the photograph by the interpreter and by machine code writes the same
// file, and check --explain says which engine a program gets.
#include <gtest/gtest.h>

#ifndef _WIN32  // the runner works through a POSIX shell

#include <sstream>

#include "tests/cli/morfel_runner.h"

namespace {

TEST_F(MorfelProgram, EveryStarterProgramWritesTheSameFileOnBothEngines) {
  const std::string photo = (fs::path(MORFEL_SOURCE_DIR) / "docs/gallery/original.png").string();
  Outcome list = Run({"list", "--base", base_});
  ASSERT_EQ(list.status, 0) << list.err;
  std::istringstream names(list.out);
  int programs = 0;
  for (std::string name; std::getline(names, name); ++programs) {
    for (const char* engine : {"interpreter", "compiled"}) {
      Outcome outcome = Run({"apply", "--base", base_, "--program", name, "--engine", engine,
                             "--quiet", photo, Path(std::string(engine) + ".png")});
      ASSERT_EQ(outcome.status, 0) << name << " " << engine << ": " << outcome.err;
    }
    EXPECT_EQ(Slurp(Path("interpreter.png")), Slurp(Path("compiled.png"))) << name;
  }
  EXPECT_GE(programs, 25);
}

TEST_F(MorfelProgram, CheckExplainsTheEngine) {
  const struct {
    const char* transform;
    const char* environment;
    const char* line;
  } kCases[] = {
      {"R=255-R;", "", "engine: compiled ("},
      {"if ((a, b)) x = 1; y = 2;", "", "engine: interpreter (the stack differs between paths"},
      {"R=255-R;", "MORFEL_ENGINE=interpreter", "engine: interpreter (asked for)"},
  };
  for (const auto& c : kCases) {
    Outcome outcome = Run({"check", "--explain", "--transform", c.transform}, "", c.environment);
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find(c.line), std::string::npos) << outcome.out;
  }
  EXPECT_EQ(Run({"apply", "--engine", "fast", "--program", "Colour/Invert", "a", "b"}).status, 2);
}

}  // namespace

#endif  // _WIN32
