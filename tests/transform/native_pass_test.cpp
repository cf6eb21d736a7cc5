// Whole runs on both engines: seeded random programs (pixel built-ins
// included) over a small image, in every interpolation and with every
// "coord", must give the same result planes, the same outcome and every
// variable the same to the bit. The compiled engine runs each program twice:
// several pixels at once where the processor allows (eight and four by
// turns, where it has both forms), and pixel by pixel as on a processor
// without the vector instructions; every other program is one of those the
// vector lanes take (no calls, its variables set first), over a wider image
// that leaves a part of a group at the end of each row.
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

constexpr int32_t kHeight = 4;

struct RunResult {
  TransformOutcome::Status status;
  StopRecord firstStop;
  std::vector<uint8_t> rgb;
  std::vector<uint8_t> t;
  std::vector<std::string> names;
  std::vector<uint64_t> values;
};

RunResult RunOn(ScriptEngine& engine, const std::string& init, const std::string& transform,
                Interpolation interpolation, uint32_t pattern, int32_t width,
                RunBudget budget = {}) {
  RgbtImage sourceRgb(width, kHeight, 3);
  RgbtImage sourceT(width, kHeight, 1);
  ProgressImage destinationRgb(width, kHeight, 3);
  RgbtImage destinationT(width, kHeight, 1);
  for (int32_t i = 0; i < sourceRgb.rowLength * kHeight; ++i)
    sourceRgb.data[i] = static_cast<uint8_t>(pattern * (i + 7) >> 3);
  for (int32_t i = 0; i < sourceT.rowLength * kHeight; ++i)
    sourceT.data[i] = static_cast<uint8_t>(pattern >> (i % 24));
  // A "coord" outside 0..2 leaves the destination as it was.
  destinationRgb.Fill(0xEE, -1);
  destinationT.Fill(0xEE, -1);
  engine.Compile(init.c_str(), ProgramSlot::kInit);
  engine.Compile(transform.c_str(), ProgramSlot::kTransform);
  RunEnvironment environment{&engine, nullptr, nullptr, nullptr};
  environment.budget = budget;
  const TransformOutcome outcome = RunTransform(
      environment, {sourceRgb, sourceT}, {destinationRgb, destinationT}, interpolation, nullptr);
  RunResult result{outcome.status, outcome.firstStop, {}, {}, {}, {}};
  result.rgb.assign(destinationRgb.data, destinationRgb.data + destinationRgb.rowLength * kHeight);
  result.t.assign(destinationT.data, destinationT.data + destinationT.rowLength * kHeight);
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
    // Now and then a loop whose lanes end apart makes a pass long enough
    // for the budget's checks, which then fall inside groups of pixels.
    const char* const burn =
        k % 32 == 1 ? "k9 = 0; while (k9 < 100 + x * 7) { k9 = k9 + 1; }\n" : "";
    const std::string transform =
        (forLanes ? std::string("a = x * 0.5 - G; b = y / 3; c = R + B; H = T; _u1 = -a;\n") + burn
                  : std::string()) +
        writer.Program();
    if (transform.size() > 2047) continue;
    const std::string init = std::string("coord=") + kCoords[k / 2 % 5] + ";";
    const auto interpolation = static_cast<Interpolation>(k / 4 % 3);
    const uint32_t pattern = random.Next();
    const int32_t width = forLanes ? 17 : 5;
    const auto budget = [&](int e) {
      return forLanes ? RunBudget{&EveryThirdCheck::KeepGoing, &budgets[e]} : RunBudget{};
    };
    const RunResult interpreted =
        RunOn(*engines[0], init, transform, interpolation, pattern, width, budget(0));
    const std::string label = "case " + std::to_string(k) + ": " + init + "\n" + transform;
    for (int e = 1; e < 3; ++e) {
      const RunResult compiled =
          RunOn(*engines[e], init, transform, interpolation, pattern, width, budget(e));
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

}  // namespace
