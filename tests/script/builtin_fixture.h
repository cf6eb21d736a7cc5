// Test fixture for the built-in functions: an engine bound to four small
// planes with a known pattern, and helpers that compile and run tiny scripts.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "image/image.h"
#include "script/script.h"

// The pattern of the source planes: every byte differs from its neighbours,
// so a read from the wrong pixel or channel shows.
inline uint8_t PatternBlue(int32_t x, int32_t y) { return static_cast<uint8_t>(20 * x + y); }
inline uint8_t PatternGreen(int32_t x, int32_t y) { return static_cast<uint8_t>(100 + 20 * x + y); }
inline uint8_t PatternRed(int32_t x, int32_t y) { return static_cast<uint8_t>(250 - 20 * x - y); }
inline uint8_t PatternT(int32_t x, int32_t y) { return static_cast<uint8_t>(40 + 10 * x + 3 * y); }

// The destination pattern differs from the source one everywhere.
inline uint8_t DestBlue(int32_t x, int32_t y) { return static_cast<uint8_t>(5 + 7 * x + 11 * y); }
inline uint8_t DestGreen(int32_t x, int32_t y) { return static_cast<uint8_t>(60 + 7 * x + 11 * y); }
inline uint8_t DestRed(int32_t x, int32_t y) { return static_cast<uint8_t>(180 - 7 * x - 11 * y); }
inline uint8_t DestT(int32_t x, int32_t y) { return static_cast<uint8_t>(200 - 5 * x - 9 * y); }

inline uint8_t* Pixel(RgbtImage& image, int32_t x, int32_t y) {
  return image.data + y * image.rowLength + x * image.channels;
}

inline void PaintPattern(RgbtImage& rgb, RgbtImage& t, bool destination) {
  for (int32_t y = 0; y < rgb.height; ++y) {
    for (int32_t x = 0; x < rgb.width; ++x) {
      uint8_t* p = Pixel(rgb, x, y);
      p[0] = destination ? DestBlue(x, y) : PatternBlue(x, y);
      p[1] = destination ? DestGreen(x, y) : PatternGreen(x, y);
      p[2] = destination ? DestRed(x, y) : PatternRed(x, y);
    }
  }
  for (int32_t y = 0; y < t.height; ++y) {
    for (int32_t x = 0; x < t.width; ++x) {
      *Pixel(t, x, y) = destination ? DestT(x, y) : PatternT(x, y);
    }
  }
}

class BuiltinTest : public ::testing::Test {
 protected:
  static constexpr int32_t kWidth = 6;
  static constexpr int32_t kHeight = 4;

  ScriptEngine engine;
  RgbtImage srcRgb;
  RgbtImage srcT;
  RgbtImage dstRgb;
  RgbtImage dstT;

  void SetUp() override { MakePlanes(kWidth, kHeight); }

  // Source and destination planes of one size with their patterns, bound.
  void MakePlanes(int32_t width, int32_t height) {
    ASSERT_GT(srcRgb.Create(width, height, 3), 0);
    ASSERT_GT(srcT.Create(width, height, 1), 0);
    ASSERT_GT(dstRgb.Create(width, height, 3), 0);
    ASSERT_GT(dstT.Create(width, height, 1), 0);
    PaintPattern(srcRgb, srcT, false);
    PaintPattern(dstRgb, dstT, true);
    Bind();
  }

  // What a run does before its Init program: stacks, built-in variables for
  // the source size, the planes.
  void Bind() {
    ASSERT_EQ(engine.PrepareRun(kRunStackSize), 1);
    engine.InstallBuiltinVariables(srcRgb);
    engine.BindRun(&srcRgb, &srcT, &dstRgb, &dstT);
  }

  // Compiles and runs a statement sequence; returns Run's outcome.
  RunOutcome RunText(const std::string& text) {
    CompileOutcome compiled = engine.Compile(text.c_str(), ProgramSlot::kScratch);
    EXPECT_EQ(compiled.status, CompileOutcome::Status::kCompiled)
        << "does not compile: " << text << " (line " << compiled.errorLine << ")";
    return engine.Run(ProgramSlot::kScratch);
  }

  double Var(const char* name) {
    double value = 0.0;
    EXPECT_EQ(engine.LookupNumber(name, &value), 1) << name;
    return value;
  }

  // Value of one expression, by assigning it in a script.
  double Eval(const std::string& expression) {
    RunText("result = " + expression + ";");
    return Var("result");
  }

  // Fills an image slot of the engine with one value in every byte.
  RgbtImage& FillSlot(int32_t slot, int32_t width, int32_t height, int32_t channels,
                      uint8_t value) {
    RgbtImage& image = engine.imageSlot[slot];
    EXPECT_GT(image.Create(width, height, channels), 0);
    image.Fill(value, -1);
    return image;
  }
};
