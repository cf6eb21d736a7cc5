// The compiled engine against the interpreter, record by record: random
// record lists (markers in every nesting, every operator, calls, exit,
// strings, full and empty stacks, endless loops cut by the run budget) run
// by both on the same engine from the same variables must end the same way
// and leave every variable the same to the bit. Then the programs the code
// generator leaves to the interpreter, each once.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "script/script.h"
#include "tests/script/seeded_random.h"

namespace {

constexpr int32_t kVariables = 4;

struct Budget {
  int checks = 0;
  static bool KeepGoing(void* context) { return ++static_cast<Budget*>(context)->checks < 3; }
};

struct Ending {
  RunOutcome outcome;
  double variables[kVariables];
};

// False where this build has no code generator (the 32-bit DLL, other
// processors): every program then runs on the interpreter.
bool MakesMachineCode() {
  ScriptEngine engine;
  engine.Compile("x = 1;", ProgramSlot::kTransform);
  engine.engineWanted = EngineKind::kCompiled;
  return engine.ChooseEngine().kind == EngineKind::kCompiled;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

Ending RunWith(ScriptEngine& engine, EngineKind kind, double* const* cells, const double* start) {
  for (int v = 0; v < kVariables; ++v) *cells[v] = start[v];
  Budget budget;
  engine.budget = {&Budget::KeepGoing, &budget};
  engine.workLeft = kWorkBetweenChecks;
  engine.engineWanted = kind;
  Ending ending{engine.Run(ProgramSlot::kTransform), {}};
  for (int v = 0; v < kVariables; ++v) ending.variables[v] = *cells[v];
  return ending;
}

void ExpectSame(const Ending& interpreted, const Ending& compiled, const std::string& label) {
  EXPECT_EQ(interpreted.outcome.status, compiled.outcome.status) << label;
  EXPECT_EQ(interpreted.outcome.stopReason, compiled.outcome.stopReason) << label;
  EXPECT_EQ(interpreted.outcome.exitCode, compiled.outcome.exitCode) << label;
  EXPECT_TRUE(SameBits(interpreted.outcome.value, compiled.outcome.value)) << label;
  for (int v = 0; v < kVariables; ++v)
    EXPECT_TRUE(SameBits(interpreted.variables[v], compiled.variables[v]))
        << label << " variable " << v << ": " << interpreted.variables[v] << " vs "
        << compiled.variables[v];
}

const double kValues[] = {0.0,
                          -0.0,
                          1.0,
                          -1.0,
                          0.5,
                          -0.5,
                          2.0,
                          3.7,
                          -7.0,
                          1e300,
                          -3e9,
                          2147483648.0,
                          __builtin_nan(""),
                          __builtin_inf(),
                          255.0};

// Every marker and operator, calls that take one to three values (and the
// remainder, which the compiled code hands to a function), exit, a code no
// record may hold, and strings, weighted towards markers.
Instruction RandomRecord(Random& random, double* const* cells) {
  static const int32_t kCodes[] = {
      OP_END, OP_IF_TEST, OP_ELSE, OP_IF_END, OP_LOOP_START, OP_LOOP_TEST, OP_LOOP_END, OP_ADD,
      OP_SUB, OP_MUL,     OP_DIV,  OP_MOD,    OP_LT,         OP_GT,        OP_LE,       OP_GE,
      OP_EQ,  OP_NE,      OP_AND,  OP_OR,     OP_ASSIGN,     OP_NEG,       OP_EXIT,     0x73,
      0x6D,   0x48,       0x49,    0x7777,    OP_IF_END,     OP_END,       OP_ELSE,     OP_ASSIGN};
  Instruction record{};
  switch (random.Below(8)) {
    case 0:
    case 1:
      record.kind = KIND_CONST;
      record.value = random.Pick(kValues);
      break;
    case 2:
    case 3:
      record.kind = KIND_VAR;
      record.cell = cells[random.Below(kVariables)];
      break;
    case 4:
      record.kind = random.Below(8) == 0 ? 7 : KIND_STR;
      std::snprintf(record.text, sizeof record.text, "t%d", random.Below(9));
      break;
    default:
      record.kind = KIND_OP;
      record.code = random.Pick(kCodes);
      break;
  }
  return record;
}

TEST(NativeEngine, RandomRecordsEndAsTheInterpreterEnds) {
  Random random(1313);
  ScriptEngine engine;
  // H and L are written by HLS through the engine's bound cells.
  const char* const names[kVariables] = {"a", "b", "H", "L"};
  double* cells[kVariables];
  for (int v = 0; v < kVariables; ++v) {
    engine.DefineVariable(names[v], 0.0);
    cells[v] = engine.VariableCell(names[v]);
  }
  RgbtImage image(4, 3, 3);
  engine.BindRun(&image, &image, &image, &image);
  int compiled = 0;
  for (int k = 0; k < 30000; ++k) {
    engine.PrepareRun(1 + random.Below(12));
    GrowArray<Instruction>& slot = *engine.ProgramAt(ProgramSlot::kTransform);
    slot.Release();
    const int32_t count = 1 + random.Below(30);
    for (int32_t i = 0; i < count; ++i) *slot.SetAtGrow(i) = RandomRecord(random, cells);
    engine.DiscardNativeProgram();
    double start[kVariables];
    for (double& value : start) value = random.Pick(kValues);
    const Ending interpreted = RunWith(engine, EngineKind::kInterpreter, cells, start);
    engine.engineWanted = EngineKind::kCompiled;
    if (engine.ChooseEngine().kind == EngineKind::kCompiled) ++compiled;
    const Ending native = RunWith(engine, EngineKind::kCompiled, cells, start);
    char listing[2048];
    DisassembleProgram(engine, slot, listing, sizeof listing);
    ExpectSame(interpreted, native, "case " + std::to_string(k) + ": " + listing);
    if (HasFailure()) break;
  }
  if (MakesMachineCode()) {
    EXPECT_GT(compiled, 20000);
  }
}

// Programs the code generator leaves to the interpreter, each with its
// reason, and run the same by both engines all the same.
TEST(NativeEngine, ProgramsLeftToTheInterpreterSayWhy) {
  if (!MakesMachineCode()) GTEST_SKIP() << "no code generator in this build";
  std::string deep = "x=1";
  for (int k = 0; k < 300; ++k) deep += ",1";
  deep += ";";
  const struct {
    const char* text;
    EngineKind wanted;
    const char* reason;
  } kCases[] = {
      {"if ((a, b)) x = 1; y = 2;", EngineKind::kCompiled, "the stack differs between paths"},
      {deep.c_str(), EngineKind::kCompiled, "deeper than the compiled code keeps"},
      {"x = a + 1;", EngineKind::kInterpreter, "asked for"},
  };
  for (const auto& c : kCases) {
    ScriptEngine engine;
    engine.PrepareRun(kRunStackSize);
    ASSERT_FALSE(engine.Compile(c.text, ProgramSlot::kTransform).Failed()) << c.text;
    engine.engineWanted = c.wanted;
    const EngineChoice choice = engine.ChooseEngine();
    EXPECT_EQ(choice.kind, EngineKind::kInterpreter) << c.text;
    EXPECT_NE(std::strstr(choice.reason, c.reason), nullptr) << choice.reason;
    engine.DefineVariable("a", 1.0);
    EXPECT_FALSE(engine.Run(ProgramSlot::kTransform).Stopped()) << c.text;
  }
  ScriptEngine engine;
  ASSERT_FALSE(
      engine.Compile("i = 0; while (i < 3) { i = i + 1; }", ProgramSlot::kTransform).Failed());
  engine.engineWanted = EngineKind::kCompiled;
  EXPECT_EQ(engine.ChooseEngine().kind, EngineKind::kCompiled);
}

// No text the editor takes makes this many records, but records are what
// the generator is given: sin applied 150,000 times needs more code than it
// may write, and the interpreter runs it.
TEST(NativeEngine, CodeTooLongIsLeftToTheInterpreter) {
  if (!MakesMachineCode()) GTEST_SKIP() << "no code generator in this build";
  ScriptEngine engine;
  engine.PrepareRun(kRunStackSize);
  GrowArray<Instruction>& slot = *engine.ProgramAt(ProgramSlot::kTransform);
  slot.Release();
  constexpr int32_t kCalls = 150000;
  slot.SetAtGrow(0)->value = 0.5;  // a new record is the constant 0
  for (int32_t i = 1; i <= kCalls; ++i) {
    Instruction* record = slot.SetAtGrow(i);
    record->kind = KIND_OP;
    record->code = 0x73;  // sin
  }
  engine.engineWanted = EngineKind::kCompiled;
  const EngineChoice choice = engine.ChooseEngine();
  EXPECT_EQ(choice.kind, EngineKind::kInterpreter);
  EXPECT_NE(std::strstr(choice.reason, "too long"), nullptr) << choice.reason;
  const RunOutcome outcome = engine.Run(ProgramSlot::kTransform);
  double expected = 0.5;
  for (int32_t i = 0; i < kCalls; ++i) expected = std::sin(expected);
  ASSERT_TRUE(outcome.HasValue());
  EXPECT_TRUE(SameBits(outcome.value, expected));
}

TEST(NativeEngine, TheEnvironmentChoosesTheEngine) {
  const struct {
    const char* value;
    EngineKind kind;
  } kCases[] = {{"interpreter", EngineKind::kInterpreter},
                {"compiled", EngineKind::kCompiled},
                {"", EngineKind::kCompiled}};
  for (const auto& c : kCases) {
#if defined(_WIN32)
    _putenv_s("MORFEL_ENGINE", c.value);
#else
    setenv("MORFEL_ENGINE", c.value, 1);
#endif
    EXPECT_EQ(EngineFromEnvironment(), c.kind) << c.value;
  }
#if defined(_WIN32)
  _putenv_s("MORFEL_ENGINE", "");
#else
  unsetenv("MORFEL_ENGINE");
#endif
}

}  // namespace
