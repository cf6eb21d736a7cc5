#include <gtest/gtest.h>

#include <string>

#include "script/script.h"
#include "script_helpers.h"

namespace {

struct ListingCase {
  const char* text;
  const char* code;
};

void ExpectListings(const ListingCase* cases, size_t count) {
  for (size_t k = 0; k < count; ++k) {
    ScriptEngine engine;
    EXPECT_EQ(Listing(engine, cases[k].text), cases[k].code) << "text: " << cases[k].text;
  }
}

TEST(Compile, AssignmentsAndOperators) {
  const ListingCase cases[] = {
      {"x = 1;", "VAR x | CONST 1 | OP = | END"},
      {"x = y = 3;", "VAR x | VAR y | CONST 3 | OP = | OP = | END"},
      {"x = a == b;", "VAR x | VAR a | VAR b | OP == | OP = | END"},
      {"x = a - b - d;", "VAR x | VAR a | VAR b | OP - | VAR d | OP - | OP = | END"},
      {"x = a / b * d;", "VAR x | VAR a | VAR b | OP / | VAR d | OP * | OP = | END"},
      {"x = a < b < d;", "VAR x | VAR a | VAR b | VAR d | OP < | OP < | OP = | END"},
      {"x = -y*2;", "VAR x | VAR y | NEG | CONST 2 | OP * | OP = | END"},
      {"x -3;", "VAR x | CONST 3 | OP - | END"},
      {"x*-3;", "VAR x | CONST -3 | OP * | END"},
      {"x = 1, 2;", "VAR x | CONST 1 | CONST 2 | OP = | END"},
      {"if = 3;", "VAR if | CONST 3 | OP = | END"},
      {"a + b * c % d;", "VAR a | VAR b | VAR c | OP * | VAR d | OP % | OP + | END"},
      {"a && b || c;", "VAR a | VAR b | OP && | VAR c | OP || | END"},
      {"a <= b;", "VAR a | VAR b | OP <= | END"},
      {"a >= b;", "VAR a | VAR b | OP >= | END"},
      {"a != b;", "VAR a | VAR b | OP != | END"},
      {"a > b;", "VAR a | VAR b | OP > | END"},
      {"a < b + 1 && c;", "VAR a | VAR b | CONST 1 | OP + | OP < | VAR c | OP && | END"},
      {"(a + b) * c;", "VAR a | VAR b | OP + | VAR c | OP * | END"},
      {"- -x;", "VAR x | NEG | NEG | END"},
      {"--3;", "CONST -3 | NEG | END"},
      {"x = 0xFF + 0xFFFFFFFF + -0x10;",
       "VAR x | CONST 255 | CONST -1 | OP + | CONST -16 | OP + | OP = | END"},
      {"x = .5 + 5. + 1.5e2;",
       "VAR x | CONST 0.5 | CONST 5 | OP + | CONST 150 | OP + | OP = | END"},
      {"sin = 3;", "VAR sin | CONST 3 | OP = | END"},
      {"xs = xs(1);", "VAR xs | CONST 1 | CALL xs | OP = | END"},
      {"R = R(0, 0) + R;", "VAR R | CONST 0 | CONST 0 | CALL R | VAR R | OP + | OP = | END"},
      {"iffy = elsewhere;", "VAR iffy | VAR elsewhere | OP = | END"},
      {"sin;", "VAR sin | END"},
      {";", "END"},
      {";;", "END | END"},
  };
  ExpectListings(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(Compile, CallsAndStrings) {
  const ListingCase cases[] = {
      {"pow(2, 3);", "CONST 2 | CONST 3 | CALL pow | END"},
      {"min((a < b), d);", "VAR a | VAR b | OP < | VAR d | CALL min | END"},
      {"LoadBmp(\"pic\", 1);", "STR \"pic\" | CONST 1 | CALL LoadBmp | END"},
      {"x = sin(cos(1)) + R(0, 0);",
       "VAR x | CONST 1 | CALL cos | CALL sin | CONST 0 | CONST 0 | CALL R | OP + | OP = | END"},
      {"exit(-1);", "CONST -1 | CALL exit | END"},
      {"x = _Conv(1, 2, 3);", "VAR x | CONST 1 | CONST 2 | CONST 3 | CALL _Conv | OP = | END"},
      {"\"0123456789012345678901234567890123456789\";",
       "STR \"0123456789012345678901234567890\" | END"},
      {"\"a\\\"b\";", "STR \"a\"b\" | END"},
  };
  ExpectListings(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(Compile, ControlStatements) {
  const ListingCase cases[] = {
      {"if (a) x = 1; else x = 2;",
       "VAR a | IF-TEST | VAR x | CONST 1 | OP = | END | ELSE | VAR x | CONST 2 | OP = | END | "
       "IF-END"},
      {"while (i < 3) { i = i + 1; }",
       "LOOP-START | VAR i | CONST 3 | OP < | LOOP-TEST | VAR i | VAR i | CONST 1 | OP + | OP = "
       "| END | LOOP-END"},
      {"if (a) x = 1;", "VAR a | IF-TEST | VAR x | CONST 1 | OP = | END | IF-END"},
      {"if (a) { x = 1; y = 2; }",
       "VAR a | IF-TEST | VAR x | CONST 1 | OP = | END | VAR y | CONST 2 | OP = | END | IF-END"},
      // else binds to the nearest if
      {"if (a) if (b) x = 1; else x = 2;",
       "VAR a | IF-TEST | VAR b | IF-TEST | VAR x | CONST 1 | OP = | END | ELSE | VAR x | "
       "CONST 2 | OP = | END | IF-END | IF-END"},
      {"if (a) while (b) { c; }",
       "VAR a | IF-TEST | LOOP-START | VAR b | LOOP-TEST | VAR c | END | LOOP-END | IF-END"},
      {"if\n(\na\n)\nx = 1;\nelse\n{\ny = 2;\n}\n",
       "VAR a | IF-TEST | VAR x | CONST 1 | OP = | END | ELSE | VAR y | CONST 2 | OP = | END | "
       "IF-END"},
      {"if (a && b) ;", "VAR a | VAR b | OP && | IF-TEST | END | IF-END"},
      {"while (a) {\n\n}", "LOOP-START | VAR a | LOOP-TEST | LOOP-END"},
  };
  ExpectListings(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(Compile, LineBreaks) {
  const ListingCase cases[] = {
      {"\r\n  x = 1;\r\n", "VAR x | CONST 1 | OP = | END"},
      {"x = 1;\r\ny = 2;\r\n", "VAR x | CONST 1 | OP = | END | VAR y | CONST 2 | OP = | END"},
      {"x = 1 +\n2;", "VAR x | CONST 1 | CONST 2 | OP + | OP = | END"},
      {"x =\n\n\ny;", "VAR x | VAR y | OP = | END"},  // names skip any line breaks
      {"x = 1 +\n\n2;", "ERROR line 1"},              // literals skip only one
      {"x =\nsin(1);", "VAR x | CONST 1 | CALL sin | OP = | END"},
      {"x =\n\nsin(1);", "ERROR line 1"},  // and so do built-in names
      {"x = 1\n+ 2;", "VAR x | CONST 1 | CONST 2 | OP + | OP = | END"},
      {"\n\n\n", ""},
  };
  ExpectListings(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(Compile, Rejections) {
  const char* texts[] = {
      "while (a) x = 1;",
      "if (a) {}",
      "while (a) {}",
      "if (x = 1) y = 2;",
      "pow(2);",
      "pow(2, 3, 4);",
      "min(a < b, d);",
      "x = 1",
      "sin 3;",
      "x = (1;",
      "x = 1);",
      "{ x = 1; }",
      "   ",
      "1.2.3;",
      "x = 5x;",
      "x = = 1;",
      "x = 1 $ 2;",
      "(x) = 1;",
      "x + = 1;",
      "x = \"a\" \"b\";",
      "sin();",
      "if (a) x = 1; else",
      "else x = 1;",
  };
  for (const char* text : texts) {
    ScriptEngine engine;
    EXPECT_EQ(engine.Compile(text, ProgramSlot::kScratch).length, 0) << text;
  }
}

TEST(Compile, ResultsAndSlots) {
  ScriptEngine engine;
  // An empty text is an empty program, no error; blanks alone are no program.
  EXPECT_EQ(engine.Compile("", ProgramSlot::kInit).status, CompileOutcome::Status::kEmpty);
  EXPECT_EQ(engine.Compile(nullptr, ProgramSlot::kScratch).status, CompileOutcome::Status::kEmpty);
  EXPECT_EQ(engine.Compile(" ", ProgramSlot::kScratch).status, CompileOutcome::Status::kError);
  EXPECT_EQ(engine.Compile("\n\n", ProgramSlot::kScratch).length, 2);
  EXPECT_EQ(engine.scratchCode.size, 0);
  EXPECT_EQ(engine.Compile("x = 1;", ProgramSlot::kTransform).length, 6);
  EXPECT_EQ(engine.programSlots[1].size, 4);
  // A failed compile leaves the code of the statements that compiled.
  CompileOutcome failed = engine.Compile("y = 2;\nz = ;", ProgramSlot::kTransform);
  EXPECT_TRUE(failed.Failed());
  EXPECT_EQ(failed.errorLine, 2);
  EXPECT_EQ(failed.length, 0);
  char out[256];
  DisassembleProgram(engine, engine.programSlots[1], out, sizeof(out));
  EXPECT_STREQ(out, "VAR y | CONST 2 | OP = | END");
  EXPECT_EQ(engine.programSlots[0].size, 0);
  // Slot -1 leaves the program slots alone.
  EXPECT_EQ(engine.Compile("w = 3;", ProgramSlot::kScratch).length, 6);
  EXPECT_EQ(engine.programSlots[1].size, 4);
}

struct ErrorLineCase {
  const char* text;
  int32_t line;
};

TEST(Compile, ErrorLines) {
  const ErrorLineCase cases[] = {
      {"x=1;\ny=;\n", 2},
      {"while (a) {\nx = 1;\ny=;\n}\n", 3},
      {"if (a) {\n  x = 1;\n  y = 2;\n  z = ;\n}\n", 4},
      {"   ", 1},
      {"x = 1;\r\ny = 2;\r\n\r\nq = 3 +;\r\n", 4},
      {"while (a) {\n  if (b) {\n    x = 1;\n    bad bad;\n  }\n}\n", 4},
      {"x = 1;\n}\n", 2},
      // The first statement of a block is already bad: still its own line.
      {"while (a) {\ny=;\n}\n", 2},
      {"if (a) {\n  x = 1;\n} else {\n  y = ;\n}\n", 4},
      // An unbraced body is no statement sequence: the error is the if's.
      {"x = 1;\nif (a)\n  y = ;\n", 2},
  };
  for (const ErrorLineCase& c : cases) {
    ScriptEngine engine;
    CompileOutcome outcome = engine.Compile(c.text, ProgramSlot::kScratch);
    EXPECT_EQ(outcome.status, CompileOutcome::Status::kError) << c.text;
    EXPECT_EQ(outcome.errorLine, c.line) << c.text;
    EXPECT_EQ(engine.errorLine, c.line) << c.text;
  }
}

TEST(CompileList, ParameterExpressions) {
  ScriptEngine engine;
  EXPECT_EQ(engine.CompileList("1, 2 + 3, x", ProgramSlot::kScratch).length, 11);
  char out[256];
  DisassembleProgram(engine, engine.scratchCode, out, sizeof(out));
  EXPECT_STREQ(out, "CONST 1 | CONST 2 | CONST 3 | OP + | VAR x");
  EXPECT_EQ(engine.errorLine, 1);
  EXPECT_EQ(engine.CompileList("1, 2;", ProgramSlot::kScratch).length, 0);  // no statements
  EXPECT_EQ(engine.CompileList("a < b", ProgramSlot::kScratch).length,
            0);  // no comparison outside parentheses
  EXPECT_EQ(engine.CompileList("(a < b)", ProgramSlot::kScratch).length, 7);
  EXPECT_EQ(engine.CompileList("", ProgramSlot::kScratch).status, CompileOutcome::Status::kEmpty);
  EXPECT_EQ(engine.CompileList("1, 2;", ProgramSlot::kScratch).status, CompileOutcome::Status::kError);
  EXPECT_EQ(engine.CompileList("7", ProgramSlot::kInit).length, 1);
  EXPECT_EQ(engine.programSlots[0].size, 1);
}

}  // namespace
