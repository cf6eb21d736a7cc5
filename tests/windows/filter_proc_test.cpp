// FilterProc through the DLL with its real dialog: a host window that
// records messages, row callbacks that record every call, and a scripted
// user who picks a program and confirms or cancels.
#include <gtest/gtest.h>

#include "platform/scripted_user/scripted_user.h"
#include "tests/windows/support/base_folder.h"
#include "tests/windows/support/fake_host.h"
#include "tests/windows/support/plugin_dll.h"
#include "tests/windows/support/user_run.h"
#include "ui/resource.h"

namespace {

constexpr const char* kMainCaption = "Morfel v0.08";

constexpr int32_t kWidth = 37;  // odd sizes catch row length mistakes
constexpr int32_t kHeight = 23;

const TestProgram kPrograms[] = {
    {"Colour", "Invert", "coord=0;\r\n", "R=255-R;\r\nG=255-G;\r\nB=255-B;\r\n"},
    {"Deform", "Shift", "?dx,Shift,0,20,3;\r\ncoord=2;\r\n", "x=x-dx;\r\n"},
    // Never ends on the host's image once it reaches the first pixel of the
    // second row (the preview's reduced copy is never 37 pixels wide); it
    // counts pixels, which keeps it on one thread, so the first row's
    // progress always comes before that pixel.
    {"Slow", "Endless", "coord=0;\r\nn=0;\r\n",
     "n=n+1;\r\nif (xs==37 && n==38) {\r\nwhile (1) { x=x; }\r\n}\r\n"},
};

class FilterProcTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(plugin.Load("morfel.dll"), 1) << plugin.error();
    ASSERT_FALSE(base.path().empty());
    ASSERT_EQ(base.WriteLibrary(kPrograms, 3), 1);
  }

  // Shows the main dialog with the user choosing Colour / Invert and then
  // pressing button.
  void RunChoosingInvert(int button) {
    std::string caption;
    user.CallWithDialog([&](HWND dialog) { caption = TextOf(dialog); });
    user.SelectComboText(IDC_GROUP_COMBO, "Colour");
    user.SelectComboText(IDC_FUNCTION_COMBO, "Invert");
    user.ClickButton(button);
    RunProc(1);
    EXPECT_EQ(user.WindowsSeen().size(), 1u);
    EXPECT_EQ(caption, kMainCaption);
    for (const MessageBoxRecord& box : user.MessageBoxes())
      ADD_FAILURE() << box.title << ": " << box.text;
  }

  // Calls FilterProc with the user's actions, which must all be possible.
  void RunProc(int expectedResult) {
    ASSERT_TRUE(RunWithUser(user, [&] {
      EXPECT_EQ(plugin.proc(host.window(), host.imageSize(), host.writeTable(), host.readTable(),
                            base.path().c_str()),
                expectedResult);
    }));
    EXPECT_TRUE(user.Finished()) << user.ActionsDone() << " actions done";
    EXPECT_EQ(user.Failures(), std::vector<std::string>{});
  }

  // Every row once, top row first, RGB row before T row, with the
  // arguments the host expects.
  static void ExpectEveryRowInOrder(const std::vector<RowCall>& calls) {
    ASSERT_EQ(calls.size(), static_cast<size_t>(2 * kHeight));
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int plane = 0; plane < 2; ++plane) {
        const RowCall& call = calls[2 * y + plane];
        EXPECT_EQ(call.tPlane, plane == 1) << "row " << y;
        EXPECT_EQ(call.y, y);
        EXPECT_EQ(call.firstColumn, 0);
        EXPECT_EQ(call.lastColumn, kWidth - 1);
        EXPECT_EQ(call.minusOne, -1);
        if (plane == 1) {
          EXPECT_EQ(call.one, 1) << "row " << y;
        }
      }
    }
  }

  PluginDll plugin;
  BaseFolder base;
  FakeHost host{kWidth, kHeight};
  ScriptedUser user;
};

TEST_F(FilterProcTest, CancelledReadsTheImageAndGivesNothingBack) {
  RunChoosingInvert(IDCANCEL);
  ExpectEveryRowInOrder(host.reads());
  EXPECT_TRUE(host.writes().empty());
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(host.badCalls(), 0);
  EXPECT_FALSE(BaseFolder::Exists(base.SettingsFile())) << "cancel saved the settings";
}

TEST_F(FilterProcTest, ConfirmedWritesEveryRowWithProgressThenCompletion) {
  RunChoosingInvert(IDOK);
  ExpectEveryRowInOrder(host.reads());
  ExpectEveryRowInOrder(host.writes());
  EXPECT_EQ(host.badCalls(), 0);

  const std::vector<HostMessage>& messages = host.messages();
  ASSERT_EQ(messages.size(), static_cast<size_t>(kHeight + 1));
  for (int32_t y = 0; y < kHeight; ++y) {
    EXPECT_EQ(messages[y].first, kProgressReport) << "row " << y;
    EXPECT_EQ(messages[y].second, y * 100 / kHeight) << "row " << y;
  }
  EXPECT_EQ(messages.back().first, kRunCompleted);
  EXPECT_EQ(messages.back().second, 0);

  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      for (int channel = 0; channel < 3; ++channel) {
        ASSERT_EQ(host.resultRgb(x, y)[channel], 255 - host.sourceRgb(x, y)[channel])
            << "pixel " << x << "," << y << " channel " << channel;
      }
    }
  }
  EXPECT_TRUE(BaseFolder::Exists(base.SettingsFile())) << "OK did not save the settings";
}

TEST_F(FilterProcTest, ConfirmedSliderValueReachesTheFinalRun) {
  // Shift moves the image right by dx pixels: the slider's value must be the
  // one the final run uses, not the declared default.
  user.SelectComboText(IDC_GROUP_COMBO, "Deform");
  user.SelectComboText(IDC_FUNCTION_COMBO, "Shift");
  user.MoveSlider(IDC_PARAM_SLIDER_FIRST, 5);
  user.ClickButton(IDOK);
  RunProc(1);
  ASSERT_EQ(host.writes().size(), static_cast<size_t>(2 * kHeight));
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 5; x < kWidth; ++x) {
      ASSERT_EQ(host.resultRgb(x, y)[0], host.sourceRgb(x - 5, y)[0]) << "pixel " << x << "," << y;
    }
  }
}

// Esc held during the final run stops it: no row goes back, no completion is
// sent, and the settings are saved as OK saved them. Only Esc can end the
// program's run.
TEST_F(FilterProcTest, EscapeDuringTheFinalRunLeavesTheHostsImageAsItWas) {
  host.PressEscapeAtFirstProgress();
  user.SelectComboText(IDC_GROUP_COMBO, "Slow");
  user.SelectComboText(IDC_FUNCTION_COMBO, "Endless");
  user.ClickButton(IDOK);
  RunProc(1);
  EXPECT_TRUE(host.writes().empty());
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].first, kProgressReport);
  EXPECT_TRUE(BaseFolder::Exists(base.SettingsFile())) << "OK did not save the settings";
  for (const MessageBoxRecord& box : user.MessageBoxes()) ADD_FAILURE() << box.text;
}

TEST(FilterProcEmptyImage, ConfirmedSendsOnlyTheCompletion) {
  PluginDll plugin;
  ASSERT_EQ(plugin.Load("morfel.dll"), 1) << plugin.error();
  BaseFolder base;
  ASSERT_EQ(base.WriteLibrary(kPrograms, 3), 1);
  FakeHost host(kWidth, 0);
  ScriptedUser user;
  user.ClickButton(IDOK);
  ASSERT_TRUE(RunWithUser(user, [&] {
    plugin.proc(host.window(), host.imageSize(), host.writeTable(), host.readTable(),
                base.path().c_str());
  }));
  EXPECT_TRUE(user.Finished());
  EXPECT_EQ(user.Failures(), std::vector<std::string>{});
  EXPECT_TRUE(host.reads().empty());
  EXPECT_TRUE(host.writes().empty());
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].first, kRunCompleted);
  EXPECT_EQ(host.messages()[0].second, 0);
}

}  // namespace
