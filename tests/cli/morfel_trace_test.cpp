// morfel trace end to end: what it prints for one pixel, and the colour it
// says the pixel gets against the pixel morfel apply writes.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <regex>

#include "tests/cli/morfel_runner.h"

namespace {

// The last "R r, G g, B b, T t" of the trace: the colour written.
std::vector<int> WrittenColour(const std::string& trace) {
  static const std::regex colour("R (\\d+), G (\\d+), B (\\d+), T (\\d+)\\.\n");
  std::vector<int> found;
  for (auto match = std::sregex_iterator(trace.begin(), trace.end(), colour);
       match != std::sregex_iterator(); ++match) {
    found.clear();
    for (int k = 1; k <= 4; ++k) found.push_back(std::stoi((*match)[k]));
  }
  return found;
}

}  // namespace

TEST_F(MorfelProgram, TraceShowsEachStatementWithTheValuesItSet) {
  const std::string input = MakeImage("in.png", 8, 6);
  struct Case {
    std::vector<std::string> words;
    int status;
    std::vector<std::string> fragments;  // in standard output, or error when status is not 0
  } cases[] = {
      {{"--at", "3,2", "--transform", "a=x*2+0.5; R=a+100;"},
       0,
       {"Transform at x -1, y -1:\n", "1:1    a=x*2+0.5;", "a = -1.5\n", "1:12   R=a+100;",
        "R = 98.5\n", "coord 1: the source is read at the polar position r, t, column 3, row 2"}},
      {{"--at", "0,5", "--init", "coord=0;\n", "--transform",
        "i=0;\nwhile (i<2) {\n  i=i+1;\n}\nif (i>5) R=0; else G=i*10;"},
       0,
       {"Init:\n  1:1    coord=0;", "2:1    while (i<2)", "true (test 2)", "false (test 3)",
        "5:1    if (i>5)", "false\n", "G=i*10;", "G = 20\n", "the colour R, G, B, T is written"}},
      {{"--at", "8,0", "--transform", "R=1;"}, 1, {"lies outside the image, which is 8 x 6"}},
      {{"--at", "1,1", "--transform", "R=(1;"}, 1, {"')' expected"}},
      {{"--transform", "R=1;"}, 2, {"trace needs --at COLUMN,ROW"}},
      {{"--at", "1", "--transform", "R=1;"}, 2, {"--at takes COLUMN,ROW"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> words = {"trace", "--base", base_};
    words.insert(words.end(), c.words.begin(), c.words.end());
    if (c.status != 2) words.push_back(input);
    const Outcome outcome = Run(words);
    SCOPED_TRACE(c.words.back());
    EXPECT_EQ(outcome.status, c.status) << outcome.err;
    const std::string& shown = c.status == 0 ? outcome.out : outcome.err;
    for (const std::string& fragment : c.fragments)
      EXPECT_NE(shown.find(fragment), std::string::npos) << fragment << "\nin:\n" << shown;
  }
}

// The colour the trace says a pixel gets is the one apply writes there, for
// every way a pixel is written, at an edge and inside, with each sampling.
TEST_F(MorfelProgram, TraceEndsInTheColourApplyWrites) {
  const std::string input = MakeImage("in.png", 9, 7, true);
  struct Case {
    std::vector<std::string> program;
    std::string interpolation;
  } cases[] = {
      {{"--init", "coord=0;", "--transform", "R=255-R; T=T/2;"}, "round"},
      {{"--init", "coord=2;", "--transform", "x=x*0.7+0.3; y=y-1.5;"}, "linear"},
      {{"--transform", "t=t+r/9;"}, "bezier"},
      {{"--program", "Filter/Box blur"}, "round"},
      {{"--program", "Colour/Hue and saturation"}, "round"},
      {{"--init", "coord=0;", "--transform", "if (x>0) exit(1); R=9;"}, "round"},
  };
  const std::string pixels[] = {"0,0", "4,3", "8,6"};
  for (const Case& c : cases) {
    std::vector<std::string> apply = {"apply", "--quiet",  "--base",
                                      base_,   "--interp", c.interpolation};
    apply.insert(apply.end(), c.program.begin(), c.program.end());
    apply.push_back(input);
    apply.push_back(Path("out.png"));
    ASSERT_EQ(Run(apply).status, 0) << c.program.back();
    const Picture result = Read("out.png");
    for (const std::string& at : pixels) {
      std::vector<std::string> trace = {"trace", "--base",   base_,          "--at",
                                        at,      "--interp", c.interpolation};
      trace.insert(trace.end(), c.program.begin(), c.program.end());
      trace.push_back(input);
      const Outcome traced = Run(trace);
      SCOPED_TRACE(c.program.back() + " at " + at);
      ASSERT_EQ(traced.status, 0) << traced.err;
      const int column = std::stoi(at.substr(0, at.find(',')));
      const int row = std::stoi(at.substr(at.find(',') + 1));
      const size_t pixel = static_cast<size_t>(row) * result.width + column;
      const std::vector<int> expected = {result.bgr[pixel * 3 + 2], result.bgr[pixel * 3 + 1],
                                         result.bgr[pixel * 3], result.t[pixel]};
      EXPECT_EQ(WrittenColour(traced.out), expected) << traced.out;
    }
  }
}

#endif
