// The exports driven as a host drives them, with the scripted user in the
// dialogs.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/scripted_user/scripted_user.h"
#include "tests/plugin/host/activation_hook.h"
#include "tests/plugin/host/fake_host.h"
#include "ui/resource.h"

namespace {

const LibraryProgram kInvert = {"Colour", "Invert", "",
                                "coord=0;\r\nR=255-R;\r\nG=255-G;\r\nB=255-B;\r\nT=100;\r\n"};
const LibraryProgram kGrey = {"Colour", "Grey", "", "coord=0;\r\nR=128;\r\nG=128;\r\nB=128;\r\n"};
const LibraryProgram kSwapHalves = {"Deform", "Shift", "", "coord=2;\r\nx=x+1;\r\n"};

// Runs call with the scripted user; checks every action was done.
template <typename Call>
void RunScripted(ScriptedUser& user, Call call) {
  ASSERT_TRUE(user.Start());
  call();
  user.Stop();
  EXPECT_TRUE(user.Finished()) << "actions done: " << user.ActionsDone();
  for (const std::string& failure : user.Failures()) ADD_FAILURE() << failure;
}

TEST(FilterGetTitle, WritesTheTitleAndTheTwoFixedNumbers) {
  char title[16];
  std::memset(title, 'x', sizeof title);
  int32_t a = 0;
  int32_t b = 0;
  EXPECT_EQ(FilterGetTitle(reinterpret_cast<void*>(0x1234), title, &a, &b), 1);
  EXPECT_EQ(std::memcmp(title, "Morfel\0", 7), 0);
  EXPECT_EQ(title[7], 'x');  // nothing beyond the terminating zero
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 10);
}

TEST(FilterProc, CancelWritesNoRowSavesNothingAndSendsNothing) {
  FakeHost host(6, 4);
  host.WriteLibrary(LibraryText({kInvert}));
  ScriptedUser user;
  user.ClickButton(IDCANCEL);
  int32_t result = 0;
  RunScripted(user, [&] { result = host.FilterProcCall(); });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(host.EventsOf(HostEvent::kReadRgb).size(), 4u);
  EXPECT_TRUE(host.EventsOf(HostEvent::kWriteRgb).empty());
  EXPECT_TRUE(host.EventsOf(HostEvent::kWriteT).empty());
  EXPECT_TRUE(host.EventsOf(HostEvent::kMessage).empty());
  EXPECT_FALSE(host.FileExists(host.baseFolder() + "Morfel.dat"));
  EXPECT_TRUE(user.MessageBoxes().empty());
}

// Sends the first dialog that comes up a close command and then OK: only a
// dialog that ended on the close command leaves the OK unseen.
std::function<void(HWND)> CloseThenConfirm(UINT message, WPARAM wParam) {
  return [message, wParam, sent = false](HWND dialog) mutable {
    if (sent) return;
    sent = true;
    PostMessageA(dialog, message, wParam, 0);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  };
}

TEST(FilterCalls, ClosingEitherDialogIsCancel) {
  const struct {
    const char* how;
    UINT message;
    WPARAM wParam;
  } closings[] = {{"close box", WM_SYSCOMMAND, SC_CLOSE}, {"WM_CLOSE", WM_CLOSE, 0}};
  for (const auto& closing : closings) {
    for (bool editor : {false, true}) {
      FakeHost host(4, 4);
      host.WriteLibrary(LibraryText({kInvert}));
      {
        ActivationHook user(CloseThenConfirm(closing.message, closing.wParam));
        EXPECT_EQ(editor ? host.FilterOptionCall() : host.FilterProcCall(), 1);
      }
      const char* dialog = editor ? "the editor" : "the main dialog";
      EXPECT_FALSE(host.FileExists(host.baseFolder() + "Morfel.dat"))
          << closing.how << ", " << dialog;
      EXPECT_TRUE(host.EventsOf(HostEvent::kWriteRgb).empty()) << closing.how << ", " << dialog;
      EXPECT_TRUE(host.EventsOf(HostEvent::kMessage).empty()) << closing.how << ", " << dialog;
    }
  }
}

TEST(FilterProc, ReadsEveryRowBeforeTheDialog) {
  FakeHost host(5, 3);
  host.WriteLibrary(LibraryText({kInvert}));
  ScriptedUser user;
  user.ClickButton(IDCANCEL);
  RunScripted(user, [&] { host.FilterProcCall(); });
  const std::vector<HostEvent>& events = host.events();
  ASSERT_EQ(events.size(), 6u);
  for (int32_t y = 0; y < 3; ++y) {
    EXPECT_EQ(events[2 * y].kind, HostEvent::kReadRgb);
    EXPECT_EQ(events[2 * y].row, y);
    EXPECT_EQ(events[2 * y].lastColumn, 4);
    EXPECT_EQ(events[2 * y].minusOne, -1);
    EXPECT_EQ(events[2 * y + 1].kind, HostEvent::kReadT);
    EXPECT_EQ(events[2 * y + 1].row, y);
    EXPECT_EQ(events[2 * y + 1].minusOne, -1);
    EXPECT_EQ(events[2 * y + 1].one, 1);
  }
}

TEST(FilterProc, OkWritesEveryRowOnceInOrderWithProgressAndOneCompletion) {
  const int32_t width = 6;
  const int32_t height = 7;
  FakeHost host(width, height);
  host.WriteLibrary(LibraryText({kInvert}));
  ScriptedUser user;
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });

  std::vector<HostEvent> written;
  for (const HostEvent& event : host.events()) {
    if (event.kind != HostEvent::kReadRgb && event.kind != HostEvent::kReadT) {
      written.push_back(event);
    }
  }
  // The run reports each row as it finishes; the rows go back afterwards.
  ASSERT_EQ(written.size(), static_cast<size_t>(height + 2 * height + 1));
  for (int32_t y = 0; y < height; ++y) {
    EXPECT_EQ(written[y].kind, HostEvent::kMessage);
    EXPECT_EQ(written[y].message, kHostMessage);
    EXPECT_EQ(written[y].row, 3);
    EXPECT_EQ(written[y].lastColumn, y * 100 / height);
  }
  for (int32_t y = 0; y < height; ++y) {
    const HostEvent& rgb = written[height + 2 * y];
    const HostEvent& t = written[height + 2 * y + 1];
    EXPECT_EQ(rgb.kind, HostEvent::kWriteRgb);
    EXPECT_EQ(rgb.row, y);
    EXPECT_EQ(rgb.lastColumn, width - 1);
    EXPECT_EQ(rgb.minusOne, -1);
    EXPECT_EQ(t.kind, HostEvent::kWriteT);
    EXPECT_EQ(t.row, y);
    EXPECT_EQ(t.one, 1);
  }
  const HostEvent& completion = written.back();
  EXPECT_EQ(completion.kind, HostEvent::kMessage);
  EXPECT_EQ(completion.message, kHostMessage);
  EXPECT_EQ(completion.row, 0);
  EXPECT_EQ(completion.lastColumn, 0);

  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      for (int32_t k = 0; k < 3; ++k) {
        EXPECT_EQ(host.ResultRgb(x, y, k), 255 - FakeHost::SourceRgb(x, y, k));
      }
      EXPECT_EQ(host.ResultT(x, y), 100);
    }
  }
  EXPECT_TRUE(host.FileExists(host.baseFolder() + "Morfel.dat"));
}

TEST(FilterProc, AnImageOfHeightZeroReadsAndWritesNoRowsButCompletes) {
  FakeHost host(8, 0);
  host.WriteLibrary(LibraryText({kInvert}));
  ScriptedUser user;
  user.ClickButton(IDC_PREVIEW_BUTTON);
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });
  ASSERT_EQ(host.events().size(), 1u);
  EXPECT_EQ(host.events()[0].kind, HostEvent::kMessage);
  EXPECT_EQ(host.events()[0].row, 0);
  EXPECT_EQ(host.events()[0].lastColumn, 0);
}

TEST(FilterProc, AParameterErrorInTheFinalRunGivesBackTheSourcePixels) {
  FakeHost host(4, 3);
  host.WriteLibrary(
      LibraryText({{"Colour", "Level", "?level,Level,0,255,10;\r\n", "coord=0;\r\nR=level;\r\n"}}));
  ScriptedUser user;
  user.TypeText(IDC_PARAM_EDIT0, "1+");
  user.ClickButton(IDOK);
  user.SetBoxAnswerer([](const MessageBoxRecord&) { return IDOK; });
  RunScripted(user, [&] { host.FilterProcCall(); });
  ASSERT_EQ(user.MessageBoxes().size(), 1u);
  EXPECT_EQ(user.MessageBoxes()[0].title, "error");
  EXPECT_EQ(user.MessageBoxes()[0].text, "Parameter error at Level.");
  EXPECT_EQ(host.EventsOf(HostEvent::kWriteRgb).size(), 3u);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 4; ++x) {
      for (int32_t k = 0; k < 3; ++k)
        EXPECT_EQ(host.ResultRgb(x, y, k), FakeHost::SourceRgb(x, y, k));
      EXPECT_EQ(host.ResultT(x, y), FakeHost::SourceT(x, y));
    }
  }
}

// Esc held during the final run stops it: no row goes back and no completion
// is sent, while the settings are saved as OK saved them. The program never
// ends once it reaches the first pixel of its second row, so only Esc can
// end the run, and only after the first row's progress; it counts pixels,
// which keeps it on one thread, so that report comes before that pixel.
// The preview's reduced copy is never 4 x 3: the dialog's preview ends.
TEST(FilterProc, EscapeDuringTheFinalRunLeavesTheHostsImageAsItWas) {
  FakeHost host(4, 3);
  host.WriteLibrary(LibraryText({{"Slow", "Endless", "coord=0;\r\nn=0;\r\n",
                                  "n=n+1;\r\n"
                                  "if (xs==4 && ys==3 && n==5) {\r\n"
                                  "while (1) { x=x; }\r\n}\r\n"}}));
  host.PressEscapeAtFirstProgress();
  ScriptedUser user;
  user.ClickButton(IDOK);
  RunScripted(user, [&] { EXPECT_EQ(host.FilterProcCall(), 1); });
  EXPECT_TRUE(user.MessageBoxes().empty());
  EXPECT_TRUE(host.EventsOf(HostEvent::kWriteRgb).empty());
  EXPECT_TRUE(host.EventsOf(HostEvent::kWriteT).empty());
  const std::vector<HostEvent> messages = host.EventsOf(HostEvent::kMessage);
  ASSERT_EQ(messages.size(), 1u);  // the first row's progress, no completion
  EXPECT_EQ(messages[0].row, kProgressReport);
  EXPECT_TRUE(host.FileExists(host.baseFolder() + "Morfel.dat"));
}

TEST(FilterProc, AnImageTooLargeToHoldIsRefusedSayingSo) {
  FakeHost host(2, 2);
  host.WriteLibrary(LibraryText({kInvert}));
  ScriptedUser user;
  user.SetBoxAnswerer([](const MessageBoxRecord&) { return IDOK; });
  RunScripted(user, [&] { EXPECT_EQ(host.FilterProcCallClaiming(20000, 20000), 1); });
  ASSERT_EQ(user.MessageBoxes().size(), 1u);
  EXPECT_EQ(user.MessageBoxes()[0].title, "error");
  EXPECT_EQ(user.MessageBoxes()[0].text,
            "The image is too large for the filter (20000 x 20000 pixels).");
  EXPECT_TRUE(host.events().empty());
}

TEST(FilterProc, PixelsARunSkipsKeepTheSourceInsteadOfLeftoverMemory) {
  FakeHost host(4, 4);
  // coord 5 skips every pixel.
  host.WriteLibrary(LibraryText({{"Colour", "Skip", "", "coord=5;\r\n"}}));
  ScriptedUser user;
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 4; ++x) {
      for (int32_t k = 0; k < 3; ++k)
        EXPECT_EQ(host.ResultRgb(x, y, k), FakeHost::SourceRgb(x, y, k));
    }
  }
}

// A 24-bit BMP file of width x 1 pixels, all black.
std::string TinyBmp(int32_t width) {
  const int32_t rowBytes = (3 * width + 3) / 4 * 4;
  const int32_t fileSize = 54 + rowBytes;
  std::string bmp = "BM";
  auto put32 = [&bmp](uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  auto put16 = [&bmp](uint16_t v) {
    bmp += static_cast<char>(v & 0xFF);
    bmp += static_cast<char>(v >> 8);
  };
  put32(fileSize);
  put32(0);
  put32(54);
  put32(40);
  put32(width);
  put32(1);
  put16(1);
  put16(24);
  for (int i = 0; i < 6; ++i) put32(0);
  bmp += std::string(rowBytes, '\0');
  return bmp;
}

TEST(FilterProc, ScriptsLoadImagesFromTheDataFolderUnderTheBaseFolder) {
  FakeHost host(3, 2);
  host.WriteFile(host.DataPath("pic.bmp"), TinyBmp(7));
  host.WriteLibrary(LibraryText(
      {{"Image", "Load", "ok=LoadBmp(\"pic\",2);\r\n", "coord=0;\r\nR=ok*100;\r\nG=xs(2);\r\n"}}));
  ScriptedUser user;
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });
  EXPECT_EQ(host.ResultRgb(0, 0, 2), 100);
  EXPECT_EQ(host.ResultRgb(0, 0, 1), 7);
}

TEST(FilterOption, ConfirmedSavesTheSettingsAndTouchesNoRows) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({kInvert}));
  ScriptedUser user;
  user.ClickButton(IDOK);
  RunScripted(user, [&] { EXPECT_EQ(host.FilterOptionCall(), 1); });
  EXPECT_TRUE(host.events().empty());
  EXPECT_TRUE(host.FileExists(host.baseFolder() + "Morfel.dat"));
}

TEST(FilterOption, CancelledSavesNothing) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({kInvert}));
  ScriptedUser user;
  user.ClickButton(IDCANCEL);
  RunScripted(user, [&] { host.FilterOptionCall(); });
  EXPECT_TRUE(host.events().empty());
  EXPECT_FALSE(host.FileExists(host.baseFolder() + "Morfel.dat"));
}

TEST(FilterOption, FollowedByFilterProcStartsFromAnEmptyContext) {
  FakeHost host(3, 2);
  host.WriteLibrary(LibraryText({kInvert, kGrey, kSwapHalves}));
  {
    // The editor moves to another group and program, then is cancelled.
    ScriptedUser user;
    user.SelectComboText(IDC_EDIT_GROUP_COMBO, "Deform");
    user.ClickButton(IDCANCEL);
    RunScripted(user, [&] { host.FilterOptionCall(); });
  }
  ScriptedUser user;
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });
  // Group 0, program 0 from the (absent) settings: the inverted image.
  for (int32_t k = 0; k < 3; ++k)
    EXPECT_EQ(host.ResultRgb(1, 1, k), 255 - FakeHost::SourceRgb(1, 1, k));
  const std::string settings = host.ReadFile(host.baseFolder() + "Morfel.dat");
  EXPECT_NE(settings.find("GroupNo=0\r\n"), std::string::npos) << settings;
}

}  // namespace
