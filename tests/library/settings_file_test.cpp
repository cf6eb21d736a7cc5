#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "image/image.h"
#include "library/library.h"
#include "temp_folder.h"

namespace {

struct SettingsState {
  FilterSettings settings;
  CurrentProgram program;
  ParamSlot slots[kParamSlotCount];
};

// Every field holds a value that LoadSettings must reset.
void Scribble(SettingsState* state) {
  state->settings = FilterSettings{7, 8, 2, 1};
  std::strcpy(state->program.initText, "init");
  std::strcpy(state->program.transformText, "transform");
  for (ParamSlot& slot : state->slots) {
    std::strcpy(slot.message, "m");
    std::strcpy(slot.name, "n");
    std::strcpy(slot.value, "v");
  }
}

void ExpectReset(const SettingsState& state) {
  EXPECT_EQ(state.settings.GroupNo, 0);
  EXPECT_EQ(state.settings.FuncNo, 0);
  EXPECT_EQ(state.settings.Interp, 0);
  EXPECT_EQ(state.settings.Preview, 0);
  EXPECT_STREQ(state.program.initText, "");
  EXPECT_STREQ(state.program.transformText, "");
  for (const ParamSlot& slot : state.slots) {
    EXPECT_STREQ(slot.message, "");
    EXPECT_STREQ(slot.name, "");
    EXPECT_STREQ(slot.value, "");
  }
}

TEST(Settings, MissingFileLeavesTheResetValues) {
  TempFolder folder;
  SettingsState state;
  Scribble(&state);
  EXPECT_EQ(LoadSettings(folder.base(), &state.settings, &state.program, state.slots), 0);
  ExpectReset(state);
}

TEST(Settings, SaveWritesTheFixedLayout) {
  TempFolder folder;
  SettingsState state{};
  state.settings = FilterSettings{3, 4, 2, 1};
  std::strcpy(state.slots[0].value, "50");
  std::strcpy(state.slots[11].value, "x*2");
  EXPECT_EQ(SaveSettings(folder.base(), state.settings, state.slots), 1);
  std::string expected =
      "[Default]\r\nGroupNo=3\r\nFuncNo=4\r\nInterp=1\r\nPreview=1\r\nParam0=50\r\n";
  for (int i = 1; i < 11; i++) expected += "Param" + std::to_string(i) + "=\r\n";
  expected += "Param11=x*2\r\n";
  EXPECT_EQ(TempFolder::Read(folder.BaseFile("Morfel.dat")), expected);
}

TEST(Settings, RoundTripRemembersBezierAsLinear) {
  TempFolder folder;
  SettingsState saved{};
  saved.settings = FilterSettings{2, 5, kInterpBezier, 1};
  for (int i = 0; i < kParamSlotCount; i++) std::snprintf(saved.slots[i].value, 128, "%d+1", i);
  ASSERT_EQ(SaveSettings(folder.base(), saved.settings, saved.slots), 1);
  SettingsState loaded;
  Scribble(&loaded);
  ASSERT_EQ(LoadSettings(folder.base(), &loaded.settings, &loaded.program, loaded.slots), 1);
  EXPECT_EQ(loaded.settings.GroupNo, 2);
  EXPECT_EQ(loaded.settings.FuncNo, 5);
  EXPECT_EQ(loaded.settings.Interp, kInterpLinear);
  EXPECT_EQ(loaded.settings.Preview, 1);
  for (int i = 0; i < kParamSlotCount; i++) {
    EXPECT_EQ(std::string(loaded.slots[i].value), std::to_string(i) + "+1");
    EXPECT_STREQ(loaded.slots[i].name, "");
  }
}

struct NumberCase {
  const char* text;
  int32_t expected;
};

TEST(Settings, EveryInterpolationFromBezierOnIsStoredAsLinear) {
  const NumberCase cases[] = {{"0", 0}, {"1", 1}, {"2", 1}, {"3", 1}, {"-1", -1}};
  for (const NumberCase& c : cases) {
    TempFolder folder;
    SettingsState state{};
    state.settings.Interp = std::atoi(c.text);
    ASSERT_EQ(SaveSettings(folder.base(), state.settings, state.slots), 1);
    const std::string text = TempFolder::Read(folder.BaseFile("Morfel.dat"));
    const std::string line = "\r\nInterp=" + std::to_string(c.expected) + "\r\n";
    EXPECT_NE(text.find(line), std::string::npos) << c.text;
  }
}

TEST(Settings, NumbersAreReadLikeADecimalScan) {
  const NumberCase cases[] = {
      {"12", 12},
      {"  7", 7},
      {"-3", -3},
      {"+4", 4},
      {"5abc", 5},
      {"abc", 0},
      {"", 0},
      {"99999999999", INT32_MAX},
      {"-99999999999", INT32_MIN},
  };
  for (const NumberCase& c : cases) {
    TempFolder folder;
    TempFolder::Write(folder.BaseFile("Morfel.dat"),
                      std::string("[Default]\r\nGroupNo=") + c.text + "\r\n");
    SettingsState state;
    Scribble(&state);
    ASSERT_EQ(LoadSettings(folder.base(), &state.settings, &state.program, state.slots), 1);
    EXPECT_EQ(state.settings.GroupNo, c.expected) << c.text;
  }
}

TEST(Settings, OtherSectionsAndBadLinesAreHarmless) {
  TempFolder folder;
  TempFolder::Write(folder.BaseFile("Morfel.dat"), "[Other]\nGroupNo=5\n");
  SettingsState state;
  Scribble(&state);
  EXPECT_EQ(LoadSettings(folder.base(), &state.settings, &state.program, state.slots), 1);
  ExpectReset(state);

  TempFolder::Write(folder.BaseFile("Morfel.dat"), "[Default]\nFuncNo=6\nbroken\nInterp=1\n");
  EXPECT_EQ(LoadSettings(folder.base(), &state.settings, &state.program, state.slots), 1);
  EXPECT_EQ(state.settings.FuncNo, 6);
  EXPECT_EQ(state.settings.Interp, 0);
}

TEST(Settings, LongParameterTextsAreCutToTheSlot) {
  TempFolder folder;
  std::string longValue(300, '7');
  TempFolder::Write(folder.BaseFile("Morfel.dat"), "[Default]\nParam3=" + longValue + "\n");
  SettingsState state;
  Scribble(&state);
  ASSERT_EQ(LoadSettings(folder.base(), &state.settings, nullptr, state.slots), 1);
  EXPECT_EQ(std::string(state.slots[3].value), longValue.substr(0, 127));
  EXPECT_STREQ(state.program.initText, "init");  // no program given, none reset
}

TEST(Settings, UnterminatedSlotTextIsNotOverread) {
  TempFolder folder;
  SettingsState state{};
  std::memset(state.slots[5].value, 'z', sizeof state.slots[5].value);
  ASSERT_EQ(SaveSettings(folder.base(), state.settings, state.slots), 1);
  SettingsState loaded;
  ASSERT_EQ(LoadSettings(folder.base(), &loaded.settings, nullptr, loaded.slots), 1);
  EXPECT_EQ(std::string(loaded.slots[5].value), std::string(127, 'z'));
}

TEST(Settings, FailedSaveKeepsTheOldFile) {
  TempFolder folder;
  SettingsState state{};
  state.settings.GroupNo = 1;
  ASSERT_EQ(SaveSettings(folder.base(), state.settings, state.slots), 1);
  std::string before = TempFolder::Read(folder.BaseFile("Morfel.dat"));
#if defined(_WIN32)
  GTEST_SKIP() << "a full disk is played with a file size limit";
#else
  // A disk that takes no more makes the write fail.
  state.settings.GroupNo = 9;
  {
    FileSizeLimit full(16);
    const FileUpdate update = StoreSettings(folder.base(), state.settings, state.slots);
    EXPECT_EQ(update.status, FileUpdateStatus::kWriteFailed);
    EXPECT_NE(update.message.find("Morfel.dat\" could not be written"), std::string::npos)
        << update.message;
  }
  EXPECT_EQ(TempFolder::Read(folder.BaseFile("Morfel.dat")), before);
  EXPECT_TRUE(TempFolder::Temporaries(folder.BaseFile("")).empty());
#endif
}

}  // namespace
