// Seeded random calls of the pixel and image built-ins over planes and slot
// images of assorted sizes and channel counts, with positions, colours and
// opacities from the ordinary to the absurd (huge, infinite, not a number).
// Nothing may read or write outside an image; AddressSanitizer watches.
#include <cstdint>
#include <string>

#include "tests/script/builtin_fixture.h"
#include "tests/script/seeded_random.h"

namespace {

// Values for every argument and variable: "nan" and "inf" are variables
// the program sets first.
const char* const kValues[] = {"0",    "1",   "-1",   "0.5",     "-0.5", "2.7",  "-3.2",  "7",
                               "255",  "256", "-256", "300",     "1e9",  "-1e9", "1e300", "inf",
                               "-inf", "nan", "cx",   "-cx - 1", "xs",   "-ys"};

// The built-ins that touch images, with their argument counts.
const char* const kCalls[][2] = {
    {"_Draw", "3"}, {"_DrawT", "3"}, {"_Pset", "2"}, {"_Tset", "2"}, {"_Copy", "1"},
    {"clean", "1"}, {"Conv", "3"},   {"_Conv", "3"}, {"getb", "3"},  {"get", "2"},
    {"_get", "2"},  {"add", "3"},    {"_add", "3"},  {"R", "2"},     {"_T", "2"},
    {"_Fill", "3"}, {"_FillT", "1"}, {"xs", "1"},    {"ys", "1"},
};

class RandomImageCallTest : public BuiltinTest {
 protected:
  // Planes of one random size, or now and then a destination of another.
  void RandomPlanes(Random& random) {
    int32_t width = 1 + random.Below(7);
    int32_t height = 1 + random.Below(7);
    MakePlanes(width, height);
    if (random.Below(4) == 0) {
      ASSERT_GT(dstRgb.Create(1 + random.Below(7), 1 + random.Below(7), 3), 0);
      ASSERT_GT(dstT.Create(1 + random.Below(7), 1 + random.Below(7), 1), 0);
    }
  }

  // Slot images of 1 to 4 bytes a pixel, some slots left empty.
  void RandomSlots(Random& random) {
    for (int32_t slot = 0; slot < kImageSlots; ++slot) {
      if (random.Below(4) == 0) {
        engine.imageSlot[slot].Create(0, 0, 0);
        continue;
      }
      FillSlot(slot, 1 + random.Below(9), 1 + random.Below(9), 1 + random.Below(4),
               static_cast<uint8_t>(random.Below(256)));
    }
  }

  static std::string RandomCall(Random& random) {
    const auto& call = random.Pick(kCalls);
    std::string text = std::string(call[0]) + "(";
    int count = call[1][0] - '0';
    for (int k = 0; k < count; ++k) {
      if (k > 0) text += ", ";
      text += random.Below(3) == 0 ? std::to_string(random.Below(10) - 1) : random.Pick(kValues);
    }
    return text + ")";
  }

  static std::string RandomProgram(Random& random) {
    std::string text = "inf = 1e999; nan = 0 * inf; ";
    static const char* const kVariables[] = {"cx", "cy", "R", "G", "B", "T"};
    for (int k = 0; k < 12; ++k) {
      if (random.Below(2)) {
        text += std::string(random.Pick(kVariables)) + " = " + random.Pick(kValues) + "; ";
      }
      text += "v = " + RandomCall(random) + ";\n";
    }
    return text;
  }
};

TEST_F(RandomImageCallTest, NoCallReachesOutsideAnImage) {
  Random random(20261207);
  ASSERT_GT(engine
                .Compile("SetMatrix3(1, 1, 2, 1, 2, 4, 2, 1, 2, 1, 0.0625);"
                         "SetMatrix5(2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,"
                         " 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0.04);",
                         ProgramSlot::kScratch)
                .length,
            0);
  engine.Run(ProgramSlot::kScratch);
  for (int round = 0; round < 1500; ++round) {
    RandomPlanes(random);
    RandomSlots(random);
    for (int program = 0; program < 5; ++program) {
      std::string text = RandomProgram(random);
      ASSERT_GT(engine.Compile(text.c_str(), ProgramSlot::kScratch).length, 0) << text;
      engine.Run(ProgramSlot::kScratch);
    }
  }
}

}  // namespace
