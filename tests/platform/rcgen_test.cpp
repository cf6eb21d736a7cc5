// Runs the resource script compiler on faulty scripts: each must be refused
// with a message naming the place, and write nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

struct Outcome {
  int status;
  std::string message;
};

Outcome Compile(const std::string &script) {
  // A folder of its own: the tests of this file may run side by side.
  char pattern[] = "/tmp/morfel_rcgen_XXXXXX";
  const std::string folder = mkdtemp(pattern);
  std::string rc = folder + "/morfel_rcgen_test.rc";
  std::string out = folder + "/morfel_rcgen_test.cpp";
  std::string log = folder + "/morfel_rcgen_test.log";
  std::ofstream(rc) << script;
  std::remove(out.c_str());
  std::string command = std::string(MORFEL_RCGEN) + " " + rc + " " + out + " 2>" + log;
  int status = std::system(command.c_str());
  std::ifstream in(log);
  std::string message((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  bool wrote = static_cast<bool>(std::ifstream(out));
  if (status != 0) {
    EXPECT_FALSE(wrote) << script;
  }
  for (const std::string &file : {rc, out, log}) std::remove(file.c_str());
  rmdir(folder.c_str());
  return {status, message};
}

const char *kHeader = "d DIALOGEX 0, 0, 10, 10\nBEGIN\n";

TEST(RcgenTest, FaultyScriptsAreRefusedWithTheirPlace) {
  struct Case {
    std::string body;
    const char *message;
  } cases[] = {
      {"    PUSHBUTTON \"OK\", IDOK, 1, 2, 3\nEND\n", ":4: ',' expected"},
      {"    PUSHBUTTON \"OK\", NO_SUCH_ID, 1, 2, 3, 4\nEND\n", "unknown name NO_SUCH_ID"},
      {"    LISTVIEW 1, 2, 3, 4, 5\nEND\n", "unknown control statement LISTVIEW"},
      {"    LTEXT \"open, 1, 2, 3, 4, 5\nEND\n", "unterminated string"},
      {"    LTEXT \"x\", 1, 2, 3, 4, 99999\nEND\n", "coordinate out of range"},
      {"    LTEXT \"x\", 1, 2, 3, 4, 5\n", "END expected"},
      {"    LTEXT \"x\", 1, 2, 3, 4, 5 @\nEND\n", "unexpected character"},
  };
  for (const Case &c : cases) {
    Outcome outcome = Compile(kHeader + c.body);
    EXPECT_EQ(outcome.status != 0, true) << c.body;
    EXPECT_NE(outcome.message.find(c.message), std::string::npos) << outcome.message;
  }
}

TEST(RcgenTest, OtherResourcesAndBadIncludesAreRefused) {
  EXPECT_NE(Compile("1 ICON \"a.ico\"\n").message.find("only DIALOG and DIALOGEX"), std::string::npos);
  EXPECT_NE(Compile("#include \"no_such_header.h\"\n").message.find("cannot be read"), std::string::npos);
  EXPECT_NE(Compile("#define A B\n#define B A\nd DIALOG 0,0,A,1\nBEGIN\nEND\n").message.find("refers to itself"),
            std::string::npos);
}

TEST(RcgenTest, EmptyScriptIsFine) { EXPECT_EQ(Compile("// nothing\n").status, 0); }

}  // namespace
