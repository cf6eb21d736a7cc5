// morfel:apply in the gegl tool against morfel apply on the same picture:
// the same pixels, and the input untouched with a message when the program
// or a parameter is at fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/morfel_runner.h"

namespace {

class GeglOperation : public MorfelProgram {
 protected:
  // The gegl tool on input, through the chain of operations given, into
  // output; its exit status and what it said.
  Outcome Gegl(const std::string& input, const std::string& output,
               const std::vector<std::string>& chain) {
    std::string command = std::string("GEGL_PATH=") + Quote(MORFEL_GEGL_PATH) + " " +
                          MORFEL_GEGL_PRELOAD + " timeout -s KILL 300 " + MORFEL_GEGL_TOOL + " " +
                          Quote(input) + " -o " + Quote(output) + " --";
    for (const std::string& word : chain) command += " " + Quote(word);
    const std::string err = Path("gegl-stderr.txt");
    const int raw = std::system((command + " >/dev/null 2>" + Quote(err)).c_str());
    return Outcome{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, "", Slurp(err)};
  }

  std::string BaseProperty() const { return "base=" + base_ + "/"; }

  void ExpectSamePixels(const std::string& expected, const std::string& actual) {
    const Picture want = Read(expected);
    const Picture got = Read(actual);
    ASSERT_EQ(want.width, got.width);
    ASSERT_EQ(want.height, got.height);
    EXPECT_TRUE(want.bgr == got.bgr) << expected << " and " << actual << " differ in colour";
    EXPECT_TRUE(want.t == got.t) << expected << " and " << actual << " differ in T";
  }
};

struct SameCase {
  const char* label;
  std::vector<std::string> morfel;  // the program words of morfel apply
  std::vector<std::string> gegl;    // the operation's properties
};

TEST_F(GeglOperation, GivesThePixelsOfMorfelApply) {
  const std::vector<SameCase> cases = {
      {"library program",
       {"--program", "Deform/Twirl", "--param", "angle=90"},
       {"program=Deform/Twirl", "params=angle=90"}},
      {"bezier, threads",
       {"--program", "Deform/Twirl", "--param", "angle=-45", "--interp", "bezier"},
       {"program=Deform/Twirl", "params=angle=-45", "interpolation=bezier", "threads=2"}},
      {"ad-hoc texts",
       {"--init", "coord=0;", "--transform", "R=255-R;"},
       {"init=coord=0;", "transform=R=255-R;"}},
  };
  const std::string input = MakeImage("in.png", 61, 47, true);
  for (const SameCase& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<std::string> words = {"apply", "--quiet", "--base", base_};
    words.insert(words.end(), c.morfel.begin(), c.morfel.end());
    words.insert(words.end(), {input, Path("morfel.png")});
    ASSERT_EQ(Run(words).status, 0);
    std::vector<std::string> chain = {"morfel:apply", BaseProperty()};
    chain.insert(chain.end(), c.gegl.begin(), c.gegl.end());
    const Outcome gegl = Gegl(input, Path("gegl.png"), chain);
    ASSERT_EQ(gegl.status, 0) << gegl.err;
    EXPECT_EQ(gegl.err.find("morfel:apply"), std::string::npos) << gegl.err;
    ExpectSamePixels("morfel.png", "gegl.png");
  }
}

// Two nodes of one graph with properties of their own: each runs its own
// program, as morfel apply twice in a row does.
TEST_F(GeglOperation, TwoNodesRunTheirOwnPrograms) {
  const std::string input = MakeImage("in.png", 40, 30);
  ASSERT_EQ(Run({"apply", "--quiet", "--base", base_, "--transform", "G=255-G;", input,
                 Path("first.png")})
                .status,
            0);
  ASSERT_EQ(Run({"apply", "--quiet", "--base", base_, "--program", "Deform/Twirl", "--param",
                 "angle=120", Path("first.png"), Path("morfel.png")})
                .status,
            0);
  const Outcome gegl = Gegl(input, Path("gegl.png"),
                            {"morfel:apply", "transform=G=255-G;", BaseProperty(), "morfel:apply",
                             "program=Deform/Twirl", "params=angle=120", BaseProperty()});
  ASSERT_EQ(gegl.status, 0) << gegl.err;
  ExpectSamePixels("morfel.png", "gegl.png");
}

struct FaultCase {
  std::vector<std::string> properties;
  const char* message;  // a part of what the operation says
};

TEST_F(GeglOperation, AFaultSaysWhyAndLeavesTheInput) {
  const std::vector<FaultCase> cases = {
      {{"transform=R=sinn(1);"}, "Transform line 1"},
      {{"program=Deform/Twirl", "params=angle=nosuch"}, "--param angle"},
      {{"program=Deform/Twirl", "params=spin=3"}, "--param spin: the program has no such"},
      {{"program=Deform/Nowhere"}, "no program Deform/Nowhere"},
  };
  const std::string input = MakeImage("in.png", 20, 10, true);
  ASSERT_EQ(Run({"list", "--base", base_}).status, 0);  // the starter library
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.message);
    std::vector<std::string> chain = {"morfel:apply", BaseProperty()};
    chain.insert(chain.end(), c.properties.begin(), c.properties.end());
    const Outcome gegl = Gegl(input, Path("gegl.png"), chain);
    EXPECT_EQ(gegl.status, 0) << gegl.err;
    EXPECT_NE(gegl.err.find(c.message), std::string::npos) << gegl.err;
    ExpectSamePixels("in.png", "gegl.png");
  }
}

}  // namespace
