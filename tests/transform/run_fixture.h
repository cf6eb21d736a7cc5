// Shared set-up of the transform tests: an engine with compiled programs and
// a source/destination image pair whose pixels tell where they came from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "script/script.h"
#include "transform/transform.h"

// Sentinel that a destination pixel holds until a pass writes it.
constexpr uint8_t kUntouched = 0xEE;

// Source pixel (x, y): B = 10 * x, G = 10 * y, R = 100 + x + y, T = 50 + x.
inline uint8_t SourceBlue(int32_t x) { return static_cast<uint8_t>(10 * x); }
inline uint8_t SourceGreen(int32_t y) { return static_cast<uint8_t>(10 * y); }
inline uint8_t SourceRed(int32_t x, int32_t y) { return static_cast<uint8_t>(100 + x + y); }
inline uint8_t SourceT(int32_t x) { return static_cast<uint8_t>(50 + x); }

// Records what a run would have shown the user.
class RecordingErrorDisplay : public ErrorDisplay {
 public:
  void ShowError(void* owner, const char* text) override {
    owners.push_back(owner);
    texts.push_back(text);
  }
  std::vector<void*> owners;
  std::vector<std::string> texts;
};

class RunFixture : public ::testing::Test {
 protected:
  void MakeImages(int32_t width, int32_t height) {
    sourceRgb.Create(width, height, 3);
    sourceT.Create(width, height, 1);
    destinationRgb.Create(width, height, 3);
    destinationT.Create(width, height, 1);
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        uint8_t* pixel = sourceRgb.PixelAddress(x, y, 0);
        pixel[0] = SourceBlue(x);
        pixel[1] = SourceGreen(y);
        pixel[2] = SourceRed(x, y);
        *sourceT.PixelAddress(x, y, 0) = SourceT(x);
      }
    }
    destinationRgb.Fill(kUntouched, -1);
    destinationT.Fill(kUntouched, -1);
  }

  // Compiles Init (may be empty) into slot 0 and Transform into slot 1.
  void Load(const char* init, const char* transform) {
    ASSERT_FALSE(engine.Compile(init, ProgramSlot::kInit).Failed()) << init;
    ASSERT_EQ(engine.Compile(transform, ProgramSlot::kTransform).status,
              CompileOutcome::Status::kCompiled)
        << transform;
  }

  // Any number may stand for the interpolation, as a stored setting may.
  // 1 when the run finished (see outcome), else 0.
  int32_t Run(int32_t interpolation = kInterpRound, RunFlags* flags = nullptr) {
    RunEnvironment environment{&engine, slots, &errors, &owner};
    environment.budget = budget;
    outcome = RunTransform(environment, {sourceRgb, sourceT}, {destinationRgb, destinationT},
                           static_cast<Interpolation>(interpolation), flags);
    return outcome.Finished() ? 1 : 0;
  }

  double Variable(const char* name) {
    double value = 0.0;
    EXPECT_TRUE(engine.LookupNumber(name, &value)) << name;
    return value;
  }

  const uint8_t* Result(int32_t x, int32_t y) { return destinationRgb.PixelAddress(x, y, 0); }
  uint8_t ResultT(int32_t x, int32_t y) { return *destinationT.PixelAddress(x, y, 0); }

  ScriptEngine engine;
  RgbtImage sourceRgb;
  RgbtImage sourceT;
  ProgressImage destinationRgb;
  RgbtImage destinationT;
  ParamSlot slots[kParamSlotCount] = {};
  RunBudget budget;          // given to every Run
  TransformOutcome outcome;  // of the last Run
  RecordingErrorDisplay errors;
  int owner = 0;
};
