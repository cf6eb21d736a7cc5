// Seeded random texts through the compiler and the execution loop: token
// soup (mostly invalid), and structured programs that always compile and
// whose loops always end. Neither may ever fault; the sanitizers watch.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "script/script.h"
#include "tests/script/program_writer.h"
#include "tests/script/seeded_random.h"

namespace {

const char* const kTokens[] = {
    "if",         "else",  "while",      ";",       "(",
    ")",          "{",     "}",          "=",       "&&",
    "||",         "<",     ">",          "<=",      ">=",
    "==",         "!=",    ",",          "+",       "-",
    "*",          "/",     "%",          "\n",      "\r\n",
    " ",          "\t",    "x",          "y",       "R",
    "T",          "cx",    "if",         "sin",     "pow",
    "min",        "exit",  "getb",       "LoadBmp", "_Fill",
    "1",          "0",     "-3",         "2.5",     ".5",
    "5.",         "1e3",   "1e",         "1.2.3",   "0x1F",
    "0X1",        "-0x10", "0xFFFFFFFF", "\"s\"",   "\"unterminated",
    "\"a\\\"b\"", "\\",    "$",          "!",       "&",
    "|",          "\"",    "1e99999",    "abc_9",   "SetMatrix3",
    "xs",
};

std::string TokenSoup(Random& random) {
  std::string text;
  int count = 1 + random.Below(40);
  for (int k = 0; k < count; ++k) {
    int shape = random.Below(20);
    if (shape == 0) {
      text += std::string(static_cast<size_t>(1 + random.Below(300)), "(-{"[random.Below(3)]);
    } else if (shape == 1) {
      text.push_back(static_cast<char>(1 + random.Below(255)));  // any byte but NUL
    } else {
      text += random.Pick(kTokens);
      if (random.Below(2)) text += ' ';
    }
  }
  if (text.size() > 2047) text.resize(2047);
  return text;
}

bool HasLoop(const GrowArray<Instruction>& code) {
  for (int32_t i = 0; i < code.size; ++i)
    if (code.data[i].kind == KIND_OP && code.data[i].code == OP_LOOP_START) return true;
  return false;
}

TEST(RandomTexts, TokenSoupNeverFaults) {
  Random random(20261207);
  std::unique_ptr<ScriptEngine> engine;
  int runs = 0;
  for (int k = 0; k < 70000; ++k) {
    if (k % 2000 == 0) engine.reset(new ScriptEngine());  // keeps the table small
    std::string text = TokenSoup(random);
    engine->Compile(text.c_str(), static_cast<ProgramSlot>(k % 3 - 1));
    ASSERT_GE(engine->errorLine, 1);
    // A failed compile leaves the statements that did compile, which a
    // caller may still run. Soup may form an endless loop: only loop-free
    // code is run.
    if (!HasLoop(engine->scratchCode)) {
      engine->Run(ProgramSlot::kScratch);
      ++runs;
    }
    if (engine->CompileList(text.c_str(), ProgramSlot::kScratch).length > 0)
      engine->Run(ProgramSlot::kScratch);
  }
  EXPECT_GT(runs, 60000);
}

TEST(RandomTexts, StructuredProgramsCompileAndRun) {
  Random random(7);
  ProgramWriter writer(random);
  std::unique_ptr<ScriptEngine> engine;
  int compiled = 0;
  for (int k = 0; k < 30000; ++k) {
    if (k % 2000 == 0) {
      engine.reset(new ScriptEngine());
      if (k % 4000 == 0) engine->PrepareRun(kRunStackSize);
    }
    std::string text = writer.Program();
    if (text.size() > 2047) continue;
    int32_t n = engine->Compile(text.c_str(), ProgramSlot::kTransform).length;
    EXPECT_EQ(n, static_cast<int32_t>(text.size())) << text;
    if (n > 0) {
      ++compiled;
      engine->Run(ProgramSlot::kTransform);
    }
  }
  EXPECT_GT(compiled, 25000);
}

}  // namespace
