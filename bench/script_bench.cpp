// Speed of the execution loop: compiled programs run over and over, reported
// as records processed per second (executed or passed over while skipping).
#include <benchmark/benchmark.h>

#include <cstdint>

#include "script/script.h"

namespace {

// Records the loop goes through in one run of `code`: everything once,
// except that a single while loop's condition and body are gone through
// once per pass plus the final test and skip.
int64_t RecordsPerRun(const GrowArray<Instruction>& code, int64_t passes) {
  int32_t start = -1, end = -1;
  for (int32_t i = 0; i < code.size; ++i) {
    if (code.data[i].kind != KIND_OP) continue;
    if (code.data[i].code == OP_LOOP_START) start = i;
    if (code.data[i].code == OP_LOOP_END) end = i;
  }
  if (start < 0) return code.size;
  int64_t loopRecords = end - start;  // condition, test, body and end
  return code.size - loopRecords + (passes + 1) * loopRecords;
}

void RunProgram(benchmark::State& state, const char* text, int64_t passes) {
  ScriptEngine engine;
  engine.PrepareRun(kRunStackSize);
  RgbtImage image(64, 64, 3);
  engine.InstallBuiltinVariables(image);
  if (engine.Compile(text, ProgramSlot::kTransform).Failed()) {
    state.SkipWithError("program did not compile");
    return;
  }
  double* x = engine.VariableCell("x");
  int64_t records = RecordsPerRun(engine.programSlots[1], passes);
  int64_t runs = 0;
  for (auto _ : state) {
    *x = static_cast<double>(runs & 63);
    benchmark::DoNotOptimize(engine.Run(ProgramSlot::kTransform));
    ++runs;
  }
  state.counters["records"] = static_cast<double>(records);
  state.counters["instructions/s"] =
      benchmark::Counter(static_cast<double>(records * runs), benchmark::Counter::kIsRate);
}

void StraightArithmetic(benchmark::State& state) {
  RunProgram(state,
             "R = x * 2 + 1;\r\nG = (x - 3) * (x + 3) / 7;\r\nB = x % 5 + R - G * 0.5;\r\n"
             "T = -B + 255;\r\n",
             0);
}

void IfElse(benchmark::State& state) {
  RunProgram(state,
             "if (x < 32) { R = 255; G = x * 2; } else { R = 0; G = 255 - x; }\r\n"
             "if (x == 7) B = 1; else B = 2;\r\n",
             0);
}

void WhileLoop32(benchmark::State& state) {
  RunProgram(state, "i = 0; s = 0;\r\nwhile (i < 32) {\r\ni = i + 1;\r\ns = s + i * x;\r\n}\r\n",
             32);
}

// Compiling is not per pixel, but the editor checks texts as they are typed.
void CompileTypicalProgram(benchmark::State& state) {
  const char* text =
      "coord=0;\r\ni=0;a=0;b=0;\r\nwhile(i<32&&a*a+b*b<4){\r\nu=a*a-b*b+x/cx*1.5-0.5;\r\n"
      "b=2*a*b+y/cy*1.5;\r\na=u;\r\ni=i+1;\r\n}\r\nif (i == 32) { R = 0; G = 0; B = 0; }\r\n"
      "else { R = sin(i / 5) * 127 + 128; G = pow(i / 32, 0.5) * 255; B = max(R, G); }\r\n";
  ScriptEngine engine;
  RgbtImage image(64, 64, 3);
  engine.InstallBuiltinVariables(image);
  int64_t characters = 0;
  for (auto _ : state) {
    CompileOutcome outcome = engine.Compile(text, ProgramSlot::kTransform);
    benchmark::DoNotOptimize(outcome);
    characters += outcome.length;
  }
  state.counters["characters/s"] =
      benchmark::Counter(static_cast<double>(characters), benchmark::Counter::kIsRate);
}

BENCHMARK(StraightArithmetic);
BENCHMARK(IfElse);
BENCHMARK(WhileLoop32);
BENCHMARK(CompileTypicalProgram);

}  // namespace
