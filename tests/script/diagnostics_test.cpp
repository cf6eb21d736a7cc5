// What the compiler says about a text that does not compile (where, at
// what, why, with a sure hint), what it accepts as comments, and what it
// warns about in texts that do compile.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "script/script.h"
#include "tests/script/program_writer.h"
#include "tests/script/seeded_random.h"

namespace {

struct FaultCase {
  const char* text;
  int32_t line;
  int32_t column;
  const char* reason;  // a fragment of "reason (hint)"
};

std::string Explained(const CompileDiagnostic& detail) {
  char out[256];
  FormatDiagnostic(detail, out, sizeof out);
  return out;
}

TEST(Diagnostics, EveryFaultSaysWhereAndWhy) {
  const std::string longName = "x = " + std::string(2100, 'a') + ";";
  const FaultCase cases[] = {
      {longName.c_str(), 1, 5, "a name or text runs on for 2047 characters or more"},
      {"x=1;\nR=sinn(G);", 2, 3, "unknown function 'sinn' (did you mean 'sin'?)"},
      {"R=(1+2;", 1, 7, "')' expected before ';'"},
      {"R=min(1);", 1, 3, "'min' takes 2 values, 1 given"},
      {"R=sin(1,2);", 1, 3, "'sin' takes 1 value, 2 given"},
      {"R=R", 1, 4, "a statement is missing its ';'"},
      {"R=R\nG=1;", 1, 4, "a statement is missing its ';'"},
      {"R = 2 3;", 1, 7, "';' or an operator expected before '3'"},
      {"while (i<3) { }", 1, 15, "a block '{ }' must hold at least one statement"},
      {"if (x>0) R=1 else R=2;", 1, 14, "'else' must follow a block or a statement ending in ';'"},
      {"x=1; else y=2;", 1, 11, "'else' has no 'if' before it"},
      {"x = = 1;", 1, 5, "a value is expected before '='"},
      {"R = ;", 1, 5, "a value is expected before ';'"},
      {"x = 1.2.3;", 1, 5, "'1.2.3' is not a number"},
      {"if (a = 1) x=1;", 1, 7, "a condition cannot assign"},
      {"x = min(a < b, 2);", 1, 11, "comparison among a function's values"},
      {"while (i<3) i=i+1;", 1, 13, "must stand in braces"},
      {"if x>0 { x=1; }", 1, 4, "'(' expected after 'if'"},
      {"while (i<3) { i=i+1;", 1, 21, "'}' expected before the end of the text"},
      {"x=1; }", 1, 6, "'}' is not expected here"},
      {"x = 1 @ 2;", 1, 7, "'@' is not part of the language"},
      {"x=1;\n/* open", 2, 1, "the comment '/*' is never closed"},
      {"  \t", 1, 1, "only blanks"},
      {"x = r(1, 2);", 1, 5, "(did you mean 'R'?)"},
      {"x = qqqqq(1);", 1, 5, "unknown function 'qqqqq'"},
  };
  for (const FaultCase& fault : cases) {
    ScriptEngine engine;
    ASSERT_TRUE(engine.Compile(fault.text, ProgramSlot::kScratch).Failed()) << fault.text;
    const CompileDiagnostic& detail = engine.errorDetail;
    EXPECT_EQ(detail.line, fault.line) << fault.text;
    EXPECT_EQ(detail.column, fault.column) << fault.text;
    EXPECT_NE(Explained(detail).find(fault.reason), std::string::npos)
        << fault.text << " -> " << Explained(detail);
  }
}

TEST(Diagnostics, UnsureHintsAreLeftOut) {
  ScriptEngine engine;
  ASSERT_TRUE(engine.Compile("x = qqqqq(1);", ProgramSlot::kScratch).Failed());
  EXPECT_STREQ(engine.errorDetail.hint, "");
}

// Comments read as blanks wherever a program is read; texts without them,
// strings holding "//" included, keep their code.
TEST(Diagnostics, CommentsAreBlanks) {
  const char* const pairs[][2] = {
      {"// invert\nR=255-R; // all three\nG=255-G; /* and\n   green */ B=255-B;",
       "\nR=255-R;\nG=255-G; B=255-B;"},
      {"x = 1 /* one */ + /**/2;", "x = 1 + 2;"},
      {"x = a / /* by */ b;", "x = a / b;"},
      {"LoadBmp(\"a//b\", 1); // c", "LoadBmp(\"a//b\", 1);"},
      {"x=1;\n// last line", "x=1;\n"},
  };
  for (const auto& pair : pairs) {
    ScriptEngine withComments;
    ScriptEngine without;
    ASSERT_FALSE(withComments.Compile(pair[0], ProgramSlot::kScratch).Failed()) << pair[0];
    ASSERT_FALSE(without.Compile(pair[1], ProgramSlot::kScratch).Failed()) << pair[1];
    char a[512];
    char b[512];
    DisassembleProgram(withComments, withComments.scratchCode, a, sizeof a);
    DisassembleProgram(without, without.scratchCode, b, sizeof b);
    EXPECT_STREQ(a, b) << pair[0];
  }
  ScriptEngine engine;
  const CompileOutcome only = engine.Compile("// nothing to do", ProgramSlot::kScratch);
  EXPECT_FALSE(only.Failed());
  EXPECT_EQ(engine.scratchCode.size, 0);
}

struct WarningCase {
  const char* init;
  const char* transform;
  const char* parameter;  // declared on line 1 of Init, or null
  int32_t count;          // warnings expected
  ProgramSlot text;       // of the first
  int32_t line;
  int32_t column;
  const char* message;  // a fragment of the first
};

TEST(Diagnostics, WarningsSayWhatARunWouldWaste) {
  const WarningCase cases[] = {
      {"", "R=255-R;", nullptr, 1, ProgramSlot::kTransform, 1, 1, "'R' is set while coord is 1"},
      {"coord=2;", "x=x+1;\nG=0;", nullptr, 1, ProgramSlot::kTransform, 2, 1, "coord is 2"},
      {"coord=0;", "R=255-R;", nullptr, 0, ProgramSlot::kInit, 0, 0, ""},
      {"", "coord=0; R=255-R;", nullptr, 0, ProgramSlot::kInit, 0, 0, ""},
      {"", "R=255-R; coord=0;", nullptr, 0, ProgramSlot::kInit, 0, 0, ""},
      {"", "if (x>0) coord=0; R=1;", nullptr, 0, ProgramSlot::kInit, 0, 0, ""},
      {"coord=2;", "if (x>0) {coord=0; R=1;} else {G=2;}", nullptr, 0, ProgramSlot::kInit, 0, 0,
       ""},
      {"", "R=1; HLS(R,G,B);", nullptr, 0, ProgramSlot::kInit, 0, 0, ""},
      {"coord=0;", "x=x+5;\nR=G;", nullptr, 1, ProgramSlot::kTransform, 1, 1,
       "'x' is set while coord is 0"},
      {"coord=0;", "x=x+5; R=R(x,y);", nullptr, 0, ProgramSlot::kInit, 0, 0, ""},
      {"coord=0;", "R=\"abc\";", nullptr, 1, ProgramSlot::kTransform, 1, 3,
       "the text \"abc\" is used as a value"},
      {"coord=0;", "LoadBmp(\"abc\", 1);", nullptr, 0, ProgramSlot::kInit, 0, 0, ""},
      {"\ncoord=2;", "x=x+1;", "strength", 1, ProgramSlot::kInit, 1, 2,
       "the parameter 'strength' is declared but never read"},
      {"\ncoord=2;", "x=x+strength;", "strength", 0, ProgramSlot::kInit, 0, 0, ""},
      {"coord=2;\nk=k+1;", "x=x+k;", nullptr, 1, ProgramSlot::kInit, 2, 3,
       "'k' is read in Init before any assignment"},
      {"coord=2; a=1; b=a*2;", "x=x+b;", nullptr, 0, ProgramSlot::kInit, 0, 0, ""},
      {"coord=2; k=strenght;", "x=x+k*strength;", "strength", 1, ProgramSlot::kInit, 1, 12,
       "(did you mean 'strength'?)"},
      {"coord=2;", "if (1) x=x+1;", nullptr, 1, ProgramSlot::kTransform, 1, 4,
       "the condition (1) is always true"},
      {"coord=2; i=0; while (2 < 1) { i=i+1; }", "x=x+i;", nullptr, 1, ProgramSlot::kInit, 1, 21,
       "the condition (2 < 1) is always false"},
      {"coord=2; i=0; while (i < 3) { i=i+1; }", "x=x+i;", nullptr, 0, ProgramSlot::kInit, 0, 0,
       ""},
  };
  for (const WarningCase& w : cases) {
    const DeclaredName declared[] = {{w.parameter, 1}};
    const int32_t declaredCount = w.parameter != nullptr ? 1 : 0;
    std::unique_ptr<ProgramWarnings> found(new ProgramWarnings());
    FindWarnings(w.init, w.transform, declared, declaredCount, found.get());
    ASSERT_EQ(found->count, w.count) << w.init << " | " << w.transform << " -> "
                                     << (found->count > 0 ? found->items[0].message : "");
    if (w.count == 0) continue;
    const ScriptWarning& first = found->items[0];
    EXPECT_EQ(first.text, w.text) << w.transform;
    EXPECT_EQ(first.line, w.line) << w.transform;
    EXPECT_EQ(first.column, w.column) << w.transform;
    EXPECT_NE(std::string(first.message).find(w.message), std::string::npos) << first.message;
  }
}

// Every fault and warning of random texts lies inside its text and has a
// reason; the sanitizers watch the diagnosis and the walk.
TEST(Diagnostics, RandomTextsAreDiagnosedInsideTheirText) {
  const char* const pieces[] = {
      "x", "=", "(", ")",     "{",  "}",  ";",  "\n", "if", "else",  "while", "sin", "min",   ",",
      "+", "<", "1", "\"s\"", "//", "/*", "*/", " ",  "R",  "coord", "0",     "@",   "1.2.3", "&&"};
  Random random(2412);
  ProgramWriter writer(random);
  for (int k = 0; k < 4000; ++k) {
    std::string text;
    for (int n = 1 + random.Below(24); n > 0; --n) text += random.Pick(pieces);
    ScriptEngine engine;
    if (engine.Compile(text.c_str(), ProgramSlot::kScratch).Failed()) {
      const CompileDiagnostic& detail = engine.errorDetail;
      ASSERT_LE(detail.offset, static_cast<int32_t>(text.size())) << text;
      ASSERT_GE(detail.line, 1) << text;
      ASSERT_GE(detail.column, 1) << text;
      ASSERT_NE(detail.reason[0], '\0') << text;
    }
    const std::string program = writer.Program();
    std::unique_ptr<ProgramWarnings> found(new ProgramWarnings());
    FindWarnings(text.c_str(), program.c_str(), nullptr, 0, found.get());
    for (int32_t w = 0; w < found->count; ++w) {
      const ScriptWarning& warning = found->items[w];
      const std::string& where = warning.text == ProgramSlot::kInit ? text : program;
      ASSERT_LE(warning.offset, static_cast<int32_t>(where.size())) << where;
      ASSERT_GE(warning.line, 1);
      ASSERT_NE(warning.message[0], '\0');
    }
  }
}

}  // namespace
