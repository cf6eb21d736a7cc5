// Whole runs on both engines: seeded random programs (pixel built-ins
// included) over a small image, in every interpolation and with every
// "coord", must give the same result planes, the same outcome and every
// variable the same to the bit. The compiled engine runs each program twice:
// several pixels at once where the processor allows (eight and four by
// turns, where it has both forms; Linear and Bezier sampled four values at
// once), and pixel by pixel as on a processor without the vector
// instructions; every other program is one of those the vector lanes take
// (no calls, its variables set first), over a wider image that leaves a
// part of a group at the end of each row.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "script/script.h"
#include "tests/script/program_writer.h"
#include "tests/script/seeded_random.h"
#include "transform/transform.h"

namespace {

// Taller for the programs with pixel calls: a 5x5 convolution window then
// fits around the middle pixel.
constexpr int32_t kHeight = 4;
constexpr int32_t kPixelCallHeight = 5;

struct RunResult {
  TransformOutcome::Status status;
  StopRecord firstStop;
  std::vector<uint8_t> rgb;
  std::vector<uint8_t> t;
  std::vector<std::string> names;
  std::vector<uint64_t> values;
};

// Image slots for getb, of colour, grey and four-byte pixels and sizes down
// to one row; slot 0 stays empty.
void FillSlots(ScriptEngine& engine, uint32_t pattern) {
  const int32_t shapes[][3] = {{7, 3, 3}, {2, 5, 1}, {3, 1, 4}};
  for (int32_t s = 0; s < 3; ++s) {
    RgbtImage& slot = engine.imageSlot[s + 1];
    slot.Create(shapes[s][0], shapes[s][1], shapes[s][2]);
    for (int32_t i = 0; i < slot.rowLength * slot.height; ++i)
      slot.data[i] = static_cast<uint8_t>(pattern * (i + 5 * s + 1) >> 5);
  }
}

RunResult RunOn(ScriptEngine& engine, const std::string& init, const std::string& transform,
                Interpolation interpolation, uint32_t pattern, int32_t width,
                int32_t height = kHeight, RunBudget budget = {}) {
  RgbtImage sourceRgb(width, height, 3);
  RgbtImage sourceT(width, height, 1);
  ProgressImage destinationRgb(width, height, 3);
  RgbtImage destinationT(width, height, 1);
  for (int32_t i = 0; i < sourceRgb.rowLength * height; ++i)
    sourceRgb.data[i] = static_cast<uint8_t>(pattern * (i + 7) >> 3);
  for (int32_t i = 0; i < sourceT.rowLength * height; ++i)
    sourceT.data[i] = static_cast<uint8_t>(pattern >> (i % 24));
  // A "coord" outside 0..2 leaves the destination as it was.
  destinationRgb.Fill(0xEE, -1);
  destinationT.Fill(0xEE, -1);
  FillSlots(engine, pattern);
  engine.Compile(init.c_str(), ProgramSlot::kInit);
  // No text: the Transform compiled before runs again, as after a new
  // parameter value.
  if (!transform.empty()) engine.Compile(transform.c_str(), ProgramSlot::kTransform);
  RunEnvironment environment{&engine, nullptr, nullptr, nullptr};
  environment.budget = budget;
  const TransformOutcome outcome = RunTransform(
      environment, {sourceRgb, sourceT}, {destinationRgb, destinationT}, interpolation, nullptr);
  RunResult result{outcome.status, outcome.firstStop, {}, {}, {}, {}};
  result.rgb.assign(destinationRgb.data, destinationRgb.data + destinationRgb.rowLength * height);
  result.t.assign(destinationT.data, destinationT.data + destinationT.rowLength * height);
  for (int k = 0; const char* name = engine.variableTable.NameAt(k); ++k) {
    uint64_t bits = 0;
    std::memcpy(&bits, engine.variableTable.ValueAt(k), sizeof bits);
    result.names.push_back(name);
    result.values.push_back(bits);
  }
  return result;
}

// A budget that refuses every third check: each engine has its own, so
// all are interrupted at the same unit of work when they count alike.
struct EveryThirdCheck {
  int checks = 0;
  static bool KeepGoing(void* context) {
    return ++static_cast<EveryThirdCheck*>(context)->checks % 3 != 0;
  }
};

// A longer run than the suite's: MORFEL_DIFFERENTIAL_PROGRAMS=N and, for
// programs the suite never sees, MORFEL_DIFFERENTIAL_SEED=S.
uint32_t FromEnvironment(const char* name, uint32_t otherwise) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? static_cast<uint32_t>(std::strtoul(text, nullptr, 10))
                                          : otherwise;
}

void ExpectSameRun(const RunResult& interpreted, const RunResult& compiled,
                   const std::string& label) {
  ASSERT_EQ(interpreted.status, compiled.status) << label;
  ASSERT_EQ(interpreted.firstStop.reason, compiled.firstStop.reason) << label;
  ASSERT_EQ(interpreted.firstStop.x, compiled.firstStop.x) << label;
  ASSERT_EQ(interpreted.firstStop.y, compiled.firstStop.y) << label;
  ASSERT_EQ(interpreted.rgb, compiled.rgb) << label;
  ASSERT_EQ(interpreted.t, compiled.t) << label;
  ASSERT_EQ(interpreted.names, compiled.names) << label;
  for (size_t v = 0; v < interpreted.values.size(); ++v)
    ASSERT_EQ(interpreted.values[v], compiled.values[v]) << label << "\n" << interpreted.names[v];
}

// What Init gives the variables the Transform only reads (q0 bounds loops,
// so it stays small): the image's edges, between pixels, zeros of both
// signs, NaN and infinities.
const char* const kLoopBounds[] = {"2", "2.5", "-1", "0", "-0", "sqrt(-1)", "-1e308 * 10", "4"};
const char* const kEdges[] = {"-cx", "cy - 1",   "xs - 1 - cx", "0.5", "1e12",
                              "-0",  "sqrt(-1)", "1e308 * 10",  "-cy", "ys - cy"};

TEST(NativePass, RandomProgramsGiveTheInterpretersPixelsAndVariables) {
  const char* const kCoords[] = {"0", "1", "2", "7", "0.5"};
  const int programs = static_cast<int>(FromEnvironment("MORFEL_DIFFERENTIAL_PROGRAMS", 100000));
  Random random(FromEnvironment("MORFEL_DIFFERENTIAL_SEED", 1307));
  ProgramWriter writer(random);
  int compared = 0;
  int offered = 0;
  int laned = 0;
  // Each engine keeps its variables from one program to the next, as a
  // library's runs do; all see the same history.
  std::unique_ptr<ScriptEngine> engines[3];
  EveryThirdCheck budgets[3];
  for (int k = 0; k < programs; ++k) {
    if (k % 1000 == 0) {
      for (auto& engine : engines) engine.reset(new ScriptEngine());
      for (auto& budget : budgets) budget = {};
      engines[0]->engineWanted = EngineKind::kInterpreter;
      engines[1]->engineWanted = EngineKind::kCompiled;
      engines[2]->engineWanted = EngineKind::kCompiled;
      engines[1]->lanesWanted = true;
      engines[1]->wideLanesWanted = k / 1000 % 2 == 0;
      engines[2]->lanesWanted = false;
    }
    const bool forLanes = k % 2 == 1;
    writer.pixelCalls = !forLanes;
    writer.calls = !forLanes;
    writer.constants = true;
    // Now and then a loop whose lanes end apart makes a pass long enough
    // for the budget's checks, which then fall inside groups of pixels.
    const char* const burn =
        k % 32 == 1 ? "k9 = 0; while (k9 < 100 + x * 7) { k9 = k9 + 1; }\n" : "";
    const std::string transform =
        (forLanes ? std::string("a = x * 0.5 - G; b = y / 3; c = R + B; H = T; _u1 = -a;\n") + burn
                  : std::string()) +
        writer.Program();
    if (transform.size() > 2047) continue;
    const std::string init = std::string("coord=") + kCoords[k / 2 % 5] +
                             ";q0=" + random.Pick(kLoopBounds) + ";q1=" + random.Pick(kEdges) +
                             ";q2=" + random.Pick(kEdges) + ";" +
                             (forLanes ? std::string() : writer.MatrixDefinitions());
    const auto interpolation = static_cast<Interpolation>(k / 4 % 3);
    const uint32_t pattern = random.Next();
    const int32_t width = forLanes ? 17 : 5;
    const int32_t height = forLanes ? kHeight : kPixelCallHeight;
    const auto budget = [&](int e) {
      return forLanes ? RunBudget{&EveryThirdCheck::KeepGoing, &budgets[e]} : RunBudget{};
    };
    const RunResult interpreted =
        RunOn(*engines[0], init, transform, interpolation, pattern, width, height, budget(0));
    const std::string label = "case " + std::to_string(k) + ": " + init + "\n" + transform;
    for (int e = 1; e < 3; ++e) {
      const RunResult compiled =
          RunOn(*engines[e], init, transform, interpolation, pattern, width, height, budget(e));
      ASSERT_NO_FATAL_FAILURE(
          ExpectSameRun(interpreted, compiled, label + (e == 1 ? "\n(lanes)" : "\n(scalar)")));
    }
    ++compared;
    if (forLanes) {
      ++offered;
      if (std::strstr(engines[1]->ChooseEngine().reason, "pixels at once")) ++laned;
    }
  }
  EXPECT_GT(compared, programs / 20 * 19);
  // Lanes or none at all (a processor without them); printed for a look.
  RecordProperty("laned", laned);
  std::printf("%d of %d programs ran on the lanes\n", laned, offered);
}

// The row functions take what Init set as constants: the same compiled
// Transform after another Init (another radius, another image size and so
// centre and edges) must run with the new values, not the ones its code
// was made with.
TEST(NativePass, ANewInitGivesTheSameTransformItsValues) {
  const std::string transform =
      "R=0;G=0;B=0;j=-radius;while (j<=radius) {i=-radius;while (i<=radius) {"
      "add(min(max(x+i,left),right),min(max(y+j,top),bottom),w);i=i+1;}j=j+1;}";
  const struct {
    const char* radius;
    int32_t width;
  } kRuns[] = {{"1", 5}, {"2", 5}, {"2", 8}, {"0.5", 8}, {"sqrt(-1)", 8}, {"1", 5}};
  ScriptEngine interpreter;
  ScriptEngine compiled;
  interpreter.engineWanted = EngineKind::kInterpreter;
  compiled.engineWanted = EngineKind::kCompiled;
  for (const auto& run : kRuns) {
    const std::string text = &run == kRuns ? transform : std::string();
    const std::string init = std::string("coord=0;radius=") + run.radius +
                             ";w=1/((2*radius+1)*(2*radius+1));left=-cx;right=xs-1-cx;"
                             "top=-cy;bottom=ys-1-cy;";
    const std::string label = init + " width " + std::to_string(run.width);
    const RunResult expected = RunOn(interpreter, init, text, kInterpRound, 0x9E3779B9u, run.width);
    ASSERT_NO_FATAL_FAILURE(ExpectSameRun(
        expected, RunOn(compiled, init, text, kInterpRound, 0x9E3779B9u, run.width), label));
  }
}

}  // namespace
