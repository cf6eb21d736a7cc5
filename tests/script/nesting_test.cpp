// Deeply nested texts must compile or fail with an error line, never
// exhaust the native stack.
#include <gtest/gtest.h>
#include <pthread.h>

#include <string>

#include "script/script.h"
#include "script_helpers.h"

namespace {

std::string Repeat(const std::string& piece, int count) {
  std::string text;
  for (int k = 0; k < count; ++k) text += piece;
  return text;
}

TEST(Nesting, TwoThousandParenthesesFailOnTheirLine) {
  ScriptEngine engine;
  std::string text = "x = 1;\ny = " + Repeat("(", 2000) + "1" + Repeat(")", 2000) + ";\n";
  EXPECT_EQ(engine.Compile(text.c_str(), ProgramSlot::kScratch).length, 0);
  EXPECT_EQ(engine.errorLine, 2);
  // Unbalanced ones too.
  std::string open = "\n\n" + Repeat("(", 2000);
  EXPECT_EQ(engine.Compile(open.c_str(), ProgramSlot::kScratch).length, 0);
  EXPECT_EQ(engine.errorLine, 3);
}

TEST(Nesting, ModerateParenthesesCompileAndRun) {
  ScriptEngine engine;
  std::string text = "x = " + Repeat("(", 60) + "1 + 2" + Repeat(")", 60) + ";";
  EXPECT_GT(engine.Compile(text.c_str(), ProgramSlot::kScratch).length, 0);
  EXPECT_EQ(engine.Run(ProgramSlot::kScratch).status, RunOutcome::Status::kFinished);
  EXPECT_EQ(Variable(engine, "x"), 3.0);
}

TEST(Nesting, ThousandUnaryMinusSignsCompile) {
  ScriptEngine engine;
  std::string even = "x = " + Repeat("- ", 1000) + "y;";
  engine.DefineVariable("y", 4.0);
  ASSERT_GT(engine.Compile(even.c_str(), ProgramSlot::kScratch).length, 0);
  EXPECT_EQ(engine.scratchCode.size, 1000 + 4);
  engine.Run(ProgramSlot::kScratch);
  EXPECT_EQ(Variable(engine, "x"), 4.0);
  std::string odd = "x = " + Repeat("-", 999) + "y;";
  ASSERT_GT(engine.Compile(odd.c_str(), ProgramSlot::kScratch).length, 0);
  engine.Run(ProgramSlot::kScratch);
  EXPECT_EQ(Variable(engine, "x"), -4.0);
  // The last sign belongs to the literal: 999 NEG of the constant -1.
  std::string literal = "x = " + Repeat("-", 1000) + "1;";
  ASSERT_GT(engine.Compile(literal.c_str(), ProgramSlot::kScratch).length, 0);
  engine.Run(ProgramSlot::kScratch);
  EXPECT_EQ(Variable(engine, "x"), 1.0);
}

TEST(Nesting, DeepCallsBlocksAndBodies) {
  const std::string texts[] = {
      "x = " + Repeat("sin(", 1000) + "1" + Repeat(")", 1000) + ";",
      Repeat("if (a) {\n", 600) + "x = 1;\n" + Repeat("}\n", 600),
      Repeat("if (a) ", 1000) + "x = 1;",
      Repeat("while (a) {", 600) + "x = 1;" + Repeat("}", 600),
      Repeat("if (a) x = 1; else ", 500) + "x = 2;",
      "x = " + Repeat("a = ", 1000) + "1;",
      "x = " + Repeat("a < ", 1000) + "1;",
      "x = " + Repeat("1, ", 1000) + "1;",
      "x = " + Repeat("-(", 1000) + "1" + Repeat(")", 1000) + ";",
  };
  for (const std::string& text : texts) {
    ScriptEngine engine;
    int32_t n = engine.Compile(text.c_str(), ProgramSlot::kScratch).length;
    if (n == 0)
      EXPECT_GE(engine.errorLine, 1);
    else
      EXPECT_EQ(n, static_cast<int32_t>(text.size()));
  }
}

TEST(Nesting, TooDeepBlockReportsTheLineWhereItHappened) {
  ScriptEngine engine;
  std::string text = Repeat("if (a) {\n", 400) + "x = 1;\n" + Repeat("}\n", 400);
  ASSERT_EQ(engine.Compile(text.c_str(), ProgramSlot::kScratch).length, 0);
  // The limit is reached inside the nest, well past the first line.
  EXPECT_GT(engine.errorLine, 50);
  EXPECT_LE(engine.errorLine, 401);
}

TEST(Nesting, ReasonableDepthsCompile) {
  const std::string texts[] = {
      Repeat("if (a) {\n", 60) + "x = 1;\n" + Repeat("}\n", 60),
      Repeat("while (a) {", kMaxLoopNesting) + "x = 1;" + Repeat("}", kMaxLoopNesting),
      Repeat("if (a) {", 60) + Repeat("while (a) {", 10) + "x = 1;" + Repeat("}", 70),
      "x = " + Repeat("sin(", 100) + "1" + Repeat(")", 100) + ";",
      "x = " + Repeat("a = ", 100) + "1;",
  };
  for (const std::string& text : texts) {
    ScriptEngine engine;
    EXPECT_EQ(engine.Compile(text.c_str(), ProgramSlot::kScratch).length,
              static_cast<int32_t>(text.size()))
        << text.substr(0, 40);
  }
}

}  // namespace

namespace {

// The worst nesting the parser accepts must fit the 1 MB stack of a
// Windows thread with room to spare (the host calls us on its own stack).
constexpr size_t kHostStack = 1 << 20;

struct CompileJob {
  std::string text;
  int32_t result = -1;
};

void* CompileOnThread(void* argument) {
  CompileJob* job = static_cast<CompileJob*>(argument);
  ScriptEngine engine;
  job->result = engine.Compile(job->text.c_str(), ProgramSlot::kScratch).length;
  return nullptr;
}

int32_t CompileWithStack(const std::string& text, size_t stackSize) {
  CompileJob job;
  job.text = text;
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, stackSize);
  pthread_t thread;
  if (pthread_create(&thread, &attributes, CompileOnThread, &job) != 0) return -2;
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  return job.result;
}

TEST(Nesting, DeepestTextsFitAHostThreadStack) {
  const std::string texts[] = {
      "x = " + Repeat("(", 2000) + "1" + Repeat(")", 2000) + ";",
      "x = " + Repeat("sin(", 1000) + "1" + Repeat(")", 1000) + ";",
      Repeat("if (a) {", 1000) + "x = 1;" + Repeat("}", 1000),
      Repeat("if (a) ", 1000) + "x = 1;",
      "x = " + Repeat("a = ", 1000) + "1;",
      "x = " + Repeat("a < ", 1000) + "1;",
  };
  for (const std::string& text : texts)
    EXPECT_EQ(CompileWithStack(text, kHostStack), 0) << text.substr(0, 20);
}

}  // namespace
