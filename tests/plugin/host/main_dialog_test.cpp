// The main dialog through FilterProc: program choice, parameter rows, the
// preview as drawn, and parameter set files.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/scripted_user/scripted_user.h"
#include "morfel_platform_ext.h"
#include "tests/plugin/host/activation_hook.h"
#include "tests/plugin/host/fake_host.h"
#include "ui/resource.h"

namespace {

const LibraryProgram kInvert = {"Colour", "Invert", "",
                                "coord=0;\r\nR=255-R;\r\nG=255-G;\r\nB=255-B;\r\n"};
const LibraryProgram kGrey = {"Colour", "Grey", "", "coord=0;\r\nR=128;\r\nG=128;\r\nB=128;\r\n"};
const LibraryProgram kShift = {"Deform", "Shift", "", "coord=2;\r\nx=x+1;\r\n"};
const LibraryProgram kLevel = {"Colour", "Level",
                               "?level,Level,0,255,10;\r\n?blue,Blue part,0,xs*10,50;\r\n",
                               "coord=0;\r\nR=level;\r\nG=level;\r\nB=blue;\r\n"};

// What the main dialog showed at one moment.
struct DialogSnapshot {
  int32_t areaWidth = 0;
  int32_t areaHeight = 0;
  std::vector<uint8_t> bgr;  // top-down rows of the preview area
  std::string labels[12];
  std::string edits[12];
  bool rowVisible[12] = {};
  int32_t sliderMin[12] = {};
  int32_t sliderMax[12] = {};
  int32_t sliderPos[12] = {};
  int32_t groupItems = 0;
  int32_t functionItems = 0;
  RECT window = {0, 0, 0, 0};

  const uint8_t* Pixel(int32_t x, int32_t y) const { return &bgr[3 * (y * areaWidth + x)]; }
};

DialogSnapshot Snapshot(HWND dialog) {
  DialogSnapshot shot;
  HWND area = GetDlgItem(dialog, IDC_PREVIEW_AREA);
  const long bytes = MorfelReadWindowPixels(area, nullptr, 0, &shot.areaWidth, &shot.areaHeight);
  if (bytes > 0) {
    shot.bgr.resize(static_cast<size_t>(bytes));
    MorfelReadWindowPixels(area, shot.bgr.data(), bytes, nullptr, nullptr);
  }
  for (int row = 0; row < 12; ++row) {
    char text[256];
    GetDlgItemTextA(dialog, IDC_PARAM_LABEL_FIRST + row, text, sizeof text);
    shot.labels[row] = text;
    GetDlgItemTextA(dialog, IDC_PARAM_EDIT_FIRST + row, text, sizeof text);
    shot.edits[row] = text;
    HWND slider = GetDlgItem(dialog, IDC_PARAM_SLIDER_FIRST + row);
    shot.rowVisible[row] =
        IsWindowVisible(slider) && IsWindowVisible(GetDlgItem(dialog, IDC_PARAM_EDIT_FIRST + row));
    shot.sliderMin[row] = static_cast<int32_t>(SendMessageA(slider, TBM_GETRANGEMIN, 0, 0));
    shot.sliderMax[row] = static_cast<int32_t>(SendMessageA(slider, TBM_GETRANGEMAX, 0, 0));
    shot.sliderPos[row] = static_cast<int32_t>(SendMessageA(slider, TBM_GETPOS, 0, 0));
  }
  GetWindowRect(dialog, &shot.window);
  shot.groupItems =
      static_cast<int32_t>(SendDlgItemMessageA(dialog, IDC_GROUP_COMBO, CB_GETCOUNT, 0, 0));
  shot.functionItems =
      static_cast<int32_t>(SendDlgItemMessageA(dialog, IDC_FUNCTION_COMBO, CB_GETCOUNT, 0, 0));
  return shot;
}

// A moment to look at the dialog while it is open: asking for a parameter
// file that does not exist raises a message box over it, and the file
// dialog is then cancelled.
void LookAtTheDialog(ScriptedUser& user) {
  user.ClickButton(IDC_LOAD_PARAMS);
  user.FillFileDialog("no such file.mfp");
  user.CancelFileDialog();
}

// Takes a snapshot of the main dialog whenever a message box comes up, and
// answers every box with OK.
class DialogWatcher {
 public:
  explicit DialogWatcher(ScriptedUser& user) : user_(user) {
    user.SetBoxAnswerer([this](const MessageBoxRecord& box) {
      boxes.push_back(box.text);
      if (!user_.WindowsSeen().empty()) shots.push_back(Snapshot(user_.WindowsSeen()[0]));
      return IDOK;
    });
  }
  std::vector<std::string> boxes;
  std::vector<DialogSnapshot> shots;

 private:
  ScriptedUser& user_;
};

template <typename Call>
void RunScripted(ScriptedUser& user, Call call) {
  ASSERT_TRUE(user.Start());
  call();
  user.Stop();
  EXPECT_TRUE(user.Finished()) << "actions done: " << user.ActionsDone();
  for (const std::string& failure : user.Failures()) ADD_FAILURE() << failure;
}

// Opens the main dialog over the host's image, looks at it once and cancels.
void LookOnceAndCancel(FakeHost& host, DialogSnapshot* shot) {
  ScriptedUser user;
  DialogWatcher watcher(user);
  LookAtTheDialog(user);
  user.ClickButton(IDCANCEL);
  RunScripted(user, [&] { host.FilterProcCall(); });
  ASSERT_EQ(watcher.shots.size(), 1u);
  *shot = watcher.shots[0];
}

int32_t CountOf(const std::vector<std::string>& texts, const std::string& text) {
  int32_t count = 0;
  for (const std::string& t : texts) count += t == text;
  return count;
}

std::string Settings(const FakeHost& host) {
  return host.ReadFile(host.baseFolder() + "Morfel.dat");
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// ---------------------------------------------------------------- program choice

TEST(MainDialog, ChoosingAProgramOfTheFirstGroupAppliesIt) {
  FakeHost host(5, 4);
  host.WriteLibrary(LibraryText({kInvert, kGrey, kShift}));
  ScriptedUser user;
  user.SelectComboText(IDC_FUNCTION_COMBO, "Grey");
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });
  for (int32_t k = 0; k < 3; ++k) EXPECT_EQ(host.ResultRgb(2, 3, k), 128);
  EXPECT_TRUE(Has(Settings(host), "GroupNo=0\r\nFuncNo=1\r\n")) << Settings(host);
}

TEST(MainDialog, ChoosingAnotherGroupStartsAtItsFirstProgram) {
  FakeHost host(5, 4);
  host.WriteLibrary(LibraryText({kInvert, kGrey, kShift}));
  ScriptedUser user;
  user.SelectComboText(IDC_FUNCTION_COMBO, "Grey");
  user.SelectComboText(IDC_GROUP_COMBO, "Deform");
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });
  // Shift fetches each pixel from its right neighbour, wrapping at the edge.
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 5; ++x) {
      EXPECT_EQ(host.ResultRgb(x, y, 0), FakeHost::SourceRgb((x + 1) % 5, y, 0)) << x << "," << y;
    }
  }
  EXPECT_TRUE(Has(Settings(host), "GroupNo=1\r\nFuncNo=0\r\n")) << Settings(host);
}

TEST(MainDialog, GroupsThatDifferOnlyInCaseShowOnceWithTheFirstSpelling) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({{"Colour", "A", "", "coord=0;\r\nR=1;\r\n"},
                                 {"colour", "B", "", "coord=0;\r\nR=2;\r\n"},
                                 {"Colour", "C", "", "coord=0;\r\nR=3;\r\n"}}));
  ScriptedUser user;
  DialogWatcher watcher(user);
  user.SelectComboIndex(IDC_FUNCTION_COMBO, 1);
  LookAtTheDialog(user);
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });
  ASSERT_EQ(watcher.shots.size(), 1u);
  EXPECT_EQ(watcher.shots[0].groupItems, 1);
  EXPECT_EQ(watcher.shots[0].functionItems, 2);
  EXPECT_EQ(host.ResultRgb(0, 0, 2), 3);  // C, not B
}

TEST(MainDialog, AnEmptyLibraryShowsInitializationErrorOnce) {
  FakeHost host(4, 4);
  ScriptedUser user;
  DialogWatcher watcher(user);
  LookAtTheDialog(user);
  user.ClickButton(IDCANCEL);
  RunScripted(user, [&] { host.FilterProcCall(); });
  EXPECT_EQ(CountOf(watcher.boxes, "Initialization error."), 1);
  ASSERT_FALSE(user.MessageBoxes().empty());
  EXPECT_EQ(user.MessageBoxes()[0].title, "error");
  ASSERT_EQ(watcher.shots.size(), 2u);
  EXPECT_EQ(watcher.shots[1].groupItems, 0);
  EXPECT_EQ(watcher.shots[1].functionItems, 0);
  EXPECT_FALSE(watcher.shots[1].rowVisible[0]);
}

TEST(MainDialog, SettingsBeyondTheLibraryFallBackToTheFirstProgramAfterOneError) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({kInvert, kGrey, kShift}));
  host.WriteFile(host.baseFolder() + "Morfel.dat",
                 "[Default]\r\nGroupNo=7\r\nFuncNo=3\r\nInterp=0\r\nPreview=0\r\n");
  ScriptedUser user;
  DialogWatcher watcher(user);
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });
  EXPECT_EQ(CountOf(watcher.boxes, "Initialization error."), 1);
  EXPECT_TRUE(Has(Settings(host), "GroupNo=0\r\nFuncNo=0\r\n")) << Settings(host);
}

TEST(MainDialog, ATransformThatDoesNotCompileIsReported) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({{"Colour", "Broken", "", "R=(1;\r\n"}}));
  ScriptedUser user;
  DialogWatcher watcher(user);
  user.ClickButton(IDCANCEL);
  RunScripted(user, [&] { host.FilterProcCall(); });
  EXPECT_EQ(watcher.boxes, std::vector<std::string>{"Program compilation error."});
}

// Half a pixel off the grid, across the wrap at the right edge, the three
// interpolations give three different images.
TEST(MainDialog, BezierTakesEffectButIsStoredAsLinear) {
  const LibraryProgram halfStep = {"Deform", "Half step", "", "coord=2;\r\nx=x+0.5;\r\n"};
  std::vector<std::vector<uint8_t>> results;
  for (const char* interpolation : {"Round", "Linear", "Bezier"}) {
    FakeHost host(6, 4);
    host.WriteLibrary(LibraryText({halfStep}));
    ScriptedUser user;
    user.SelectComboText(IDC_INTERP_COMBO, interpolation);
    user.ClickButton(IDOK);
    RunScripted(user, [&] { host.FilterProcCall(); });
    std::vector<uint8_t> pixels;
    for (int32_t y = 0; y < 4; ++y) {
      for (int32_t x = 0; x < 6; ++x) pixels.push_back(host.ResultRgb(x, y, 0));
    }
    results.push_back(pixels);
    if (std::string(interpolation) == "Bezier") {
      EXPECT_TRUE(Has(Settings(host), "Interp=1\r\n")) << Settings(host);
    }
  }
  EXPECT_NE(results[0], results[1]);
  EXPECT_NE(results[1], results[2]);  // Bezier ran, not the Linear it is stored as
  EXPECT_NE(results[0], results[2]);
}

// ---------------------------------------------------------------- parameters

TEST(MainDialog, DeclaredParametersShowAsRowsWithTheirRanges) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({kLevel}));
  DialogSnapshot shot;
  ASSERT_NO_FATAL_FAILURE(LookOnceAndCancel(host, &shot));
  EXPECT_EQ(shot.labels[0], "Level");
  EXPECT_EQ(shot.labels[1], "Blue part");
  EXPECT_EQ(shot.edits[0], "10");
  EXPECT_EQ(shot.edits[1], "50");
  EXPECT_TRUE(shot.rowVisible[0]);
  EXPECT_TRUE(shot.rowVisible[1]);
  EXPECT_FALSE(shot.rowVisible[2]);
  EXPECT_EQ(shot.sliderMin[0], 0);
  EXPECT_EQ(shot.sliderMax[0], 255);
  EXPECT_EQ(shot.sliderMax[1], 100);  // xs*10 with xs 10 while evaluating
  EXPECT_EQ(shot.sliderPos[0], 10);
  EXPECT_EQ(shot.labels[2], "");
}

// The main dialog says nothing of malformed declarations: it shows no rows.
TEST(MainDialog, MalformedDeclarationsShowNoRowsAndNoMessage) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({kLevel, {"Colour", "Bad", "?level,,0,255,10;\r\n", "R=1;\r\n"}}));
  ScriptedUser user;
  DialogWatcher watcher(user);
  user.SelectComboText(IDC_FUNCTION_COMBO, "Bad");
  LookAtTheDialog(user);
  user.ClickButton(IDCANCEL);
  RunScripted(user, [&] { host.FilterProcCall(); });
  ASSERT_EQ(watcher.shots.size(), 1u);  // only the look at the dialog
  for (int32_t row = 0; row < 12; ++row) EXPECT_FALSE(watcher.shots[0].rowVisible[row]) << row;
  EXPECT_EQ(watcher.shots[0].labels[0], "");
}

// Every one of the twelve rows carries its own declaration; a thirteenth
// declaration is one too many and no row is shown.
TEST(MainDialog, TwelveDeclarationsFillEveryRowAndThirteenShowNone) {
  for (int32_t declared : {12, 13}) {
    std::string init;
    for (int32_t i = 0; i < declared; ++i) {
      const std::string n = std::to_string(i);
      init += "?p" + n + ",Row " + n + ",0," + std::to_string(100 + i) + "," + n + ";\r\n";
    }
    FakeHost host(4, 4);
    host.WriteLibrary(LibraryText({{"Many", "Rows", init, "coord=0;\r\n"}}));
    DialogSnapshot shot;
    ASSERT_NO_FATAL_FAILURE(LookOnceAndCancel(host, &shot));
    for (int32_t row = 0; row < 12; ++row) {
      if (declared > 12) {
        EXPECT_FALSE(shot.rowVisible[row]) << row;
        continue;
      }
      EXPECT_TRUE(shot.rowVisible[row]) << row;
      EXPECT_EQ(shot.labels[row], "Row " + std::to_string(row));
      EXPECT_EQ(shot.edits[row], std::to_string(row));
      EXPECT_EQ(shot.sliderMax[row], 100 + row);
      EXPECT_EQ(shot.sliderPos[row], row);
    }
  }
}

struct TypedCase {
  const char* what;
  const char* typed;
  int32_t red;
};

TEST(MainDialog, TypedValuesAreAssignedAsExpressionsUnclamped) {
  const TypedCase cases[] = {
      {"a number", "77", 77},
      {"an expression", "40+9", 49},
      {"beyond the slider's range", "300", 255},  // clamped only as a colour
      {"a fraction", "20.9", 20},
  };
  for (const TypedCase& c : cases) {
    FakeHost host(4, 4);
    host.WriteLibrary(LibraryText({kLevel}));
    ScriptedUser user;
    user.TypeText(IDC_PARAM_EDIT0, c.typed);
    user.ClickButton(IDOK);
    RunScripted(user, [&] { host.FilterProcCall(); });
    EXPECT_EQ(host.ResultRgb(1, 1, 2), c.red) << c.what;
    EXPECT_TRUE(Has(Settings(host), std::string("Param0=") + c.typed + "\r\n")) << c.what;
  }
}

TEST(MainDialog, ASlidValueIsWrittenIntoItsBoxAndApplied) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({kLevel}));
  ScriptedUser user;
  user.MoveSlider(IDC_PARAM_SLIDER_FIRST, 200);
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });
  EXPECT_EQ(host.ResultRgb(0, 0, 2), 200);
  EXPECT_TRUE(Has(Settings(host), "Param0=200\r\n")) << Settings(host);
}

TEST(MainDialog, MovingOneSliderRewritesEveryBoxFromItsOwnSlider) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({kLevel}));
  ScriptedUser user;
  user.TypeText(IDC_PARAM_EDIT0, "77");
  user.MoveSlider(IDC_PARAM_SLIDER_FIRST + 1, 20);
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });
  EXPECT_EQ(host.ResultRgb(0, 0, 2), 10);  // row 0's slider still at its default
  EXPECT_EQ(host.ResultRgb(0, 0, 0), 20);
}

TEST(MainDialog, PreviewButtonMovesSlidersToTheTypedValues) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({kLevel}));
  ScriptedUser user;
  DialogWatcher watcher(user);
  user.TypeText(IDC_PARAM_EDIT0, "30*2");
  user.TypeText(IDC_PARAM_EDIT0 + 1, "500");
  user.ClickButton(IDC_PREVIEW_BUTTON);
  LookAtTheDialog(user);
  user.ClickButton(IDCANCEL);
  RunScripted(user, [&] { host.FilterProcCall(); });
  ASSERT_EQ(watcher.shots.size(), 1u);
  EXPECT_EQ(watcher.shots[0].sliderPos[0], 60);
  EXPECT_EQ(watcher.shots[0].sliderPos[1], 100);  // the slider clamps, the text stays
  EXPECT_EQ(watcher.shots[0].edits[1], "500");
}

// The slider reads at most 126 characters of a text: a seventh of 127
// characters that would spoil the expression is not seen.
TEST(MainDialog, PreviewPlacesSlidersFromTheFirst126CharactersOfATypedValue) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({kLevel}));
  ScriptedUser user;
  DialogWatcher watcher(user);
  user.TypeText(IDC_PARAM_EDIT0, "5" + std::string(125, ' ') + "7");
  user.TypeText(IDC_PARAM_EDIT0 + 1, "6" + std::string(124, ' ') + "7");
  user.ClickButton(IDC_PREVIEW_BUTTON);
  LookAtTheDialog(user);
  user.ClickButton(IDCANCEL);
  RunScripted(user, [&] { host.FilterProcCall(); });
  ASSERT_FALSE(watcher.shots.empty());
  const DialogSnapshot& shot = watcher.shots.back();
  EXPECT_EQ(shot.sliderPos[0], 5);
  EXPECT_EQ(shot.sliderPos[1], 0);  // 126 characters: "6 ... 7" does not compile
}

TEST(MainDialog, ChoosingTheProgramAgainResetsItsParametersToDefaults) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({kLevel}));
  host.WriteFile(host.baseFolder() + "Morfel.dat", "[Default]\r\nParam0=99\r\n");
  ScriptedUser user;
  DialogWatcher watcher(user);
  LookAtTheDialog(user);
  user.SelectComboText(IDC_FUNCTION_COMBO, "Level");
  LookAtTheDialog(user);
  user.ClickButton(IDCANCEL);
  RunScripted(user, [&] { host.FilterProcCall(); });
  ASSERT_EQ(watcher.shots.size(), 2u);
  EXPECT_EQ(watcher.shots[0].edits[0], "99");  // kept from the settings
  EXPECT_EQ(watcher.shots[0].edits[1], "50");  // empty, so the default
  EXPECT_EQ(watcher.shots[1].edits[0], "10");
}

// ---------------------------------------------------------------- preview

struct PreviewGeometry {
  int32_t width;
  int32_t height;
  int32_t x;
  int32_t y;
};

PreviewGeometry Geometry(const DialogSnapshot& shot, int32_t imageWidth, int32_t imageHeight) {
  PreviewGeometry g;
  const int32_t width4 = shot.areaWidth / 4 * 4;
  if (static_cast<double>(imageWidth) / imageHeight <
      static_cast<double>(width4) / shot.areaHeight) {
    g.height = shot.areaHeight;
    g.width = (imageWidth * shot.areaHeight / imageHeight + 3) / 4 * 4;
  } else {
    g.width = width4;
    g.height = imageHeight * width4 / imageWidth;
  }
  g.x = (shot.areaWidth - g.width) / 2;
  g.y = (shot.areaHeight - g.height) / 2;
  return g;
}

TEST(MainDialog, PreviewShowsTheProgramsResultCentredInTheArea) {
  FakeHost host(6, 4);
  host.WriteLibrary(LibraryText({kInvert}));
  ScriptedUser user;
  DialogWatcher watcher(user);
  user.ClickButton(IDC_PREVIEW_BUTTON);
  LookAtTheDialog(user);
  user.ClickButton(IDCANCEL);
  RunScripted(user, [&] { host.FilterProcCall(); });
  ASSERT_EQ(watcher.shots.size(), 1u);
  const DialogSnapshot& shot = watcher.shots[0];
  ASSERT_GT(shot.areaWidth, 8);
  ASSERT_GT(shot.areaHeight, 8);
  // The dialog itself sits in the middle of the desktop.
  RECT desktop;
  GetWindowRect(GetDesktopWindow(), &desktop);
  const int32_t dialogWidth = shot.window.right - shot.window.left;
  EXPECT_EQ(shot.window.left, (desktop.right - dialogWidth) / 2);
  EXPECT_EQ(shot.window.top, (desktop.bottom - (shot.window.bottom - shot.window.top)) / 2);
  const PreviewGeometry g = Geometry(shot, 6, 4);
  // Corners of the preview: the inverted source's corners, the right way up.
  const struct {
    int32_t px, py, sx, sy;
  } corners[] = {{g.x, g.y, 0, 0},
                 {g.x + g.width - 1, g.y, 5, 0},
                 {g.x, g.y + g.height - 1, 0, 3},
                 {g.x + g.width - 1, g.y + g.height - 1, 5, 3}};
  for (const auto& c : corners) {
    for (int32_t k = 0; k < 3; ++k) {
      EXPECT_EQ(shot.Pixel(c.px, c.py)[k], 255 - FakeHost::SourceRgb(c.sx, c.sy, k))
          << c.px << "," << c.py;
    }
  }
}

// Without Auto Preview nothing runs on opening: the area shows the image
// itself, and an image without rows leaves it black, never leftover memory.
TEST(MainDialog, BeforeAnyPreviewTheAreaShowsTheUnchangedImage) {
  const struct {
    int32_t width;
    int32_t height;
  } images[] = {{6, 4}, {8, 0}};
  for (const auto& image : images) {
    FakeHost host(image.width, image.height);
    host.WriteLibrary(LibraryText({kInvert}));
    DialogSnapshot shot;
    ASSERT_NO_FATAL_FAILURE(LookOnceAndCancel(host, &shot));
    if (image.height == 0) {
      for (uint8_t byte : shot.bgr) ASSERT_EQ(byte, 0) << "an image without rows";
      continue;
    }
    const PreviewGeometry g = Geometry(shot, image.width, image.height);
    for (int32_t k = 0; k < 3; ++k) {
      EXPECT_EQ(shot.Pixel(g.x, g.y)[k], FakeHost::SourceRgb(0, 0, k));
      EXPECT_EQ(shot.Pixel(g.x + g.width - 1, g.y + g.height - 1)[k],
                FakeHost::SourceRgb(image.width - 1, image.height - 1, k));
    }
  }
}

TEST(MainDialog, AutoPreviewFollowsTheSliders) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({kLevel}));
  ScriptedUser user;
  DialogWatcher watcher(user);
  user.SetCheck(IDC_AUTO_PREVIEW, true);
  user.MoveSlider(IDC_PARAM_SLIDER_FIRST, 40);
  LookAtTheDialog(user);
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });
  ASSERT_EQ(watcher.shots.size(), 1u);
  const DialogSnapshot& shot = watcher.shots[0];
  const uint8_t* middle = shot.Pixel(shot.areaWidth / 2, shot.areaHeight / 2);
  EXPECT_EQ(middle[0], 50);  // blue: the second parameter's default
  EXPECT_EQ(middle[2], 40);
  EXPECT_TRUE(Has(Settings(host), "Preview=1\r\n")) << Settings(host);
}

TEST(MainDialog, PreviewDarkensByTheTransparencyPlaneWhenAsked) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText(
      {{"View", "Dark", "vTplane=1;\r\n", "coord=0;\r\nR=200;\r\nG=100;\r\nB=2;\r\nT=128;\r\n"}}));
  ScriptedUser user;
  DialogWatcher watcher(user);
  user.ClickButton(IDC_PREVIEW_BUTTON);
  LookAtTheDialog(user);
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });
  ASSERT_EQ(watcher.shots.size(), 1u);
  const DialogSnapshot& shot = watcher.shots[0];
  const uint8_t* middle = shot.Pixel(shot.areaWidth / 2, shot.areaHeight / 2);
  EXPECT_EQ(middle[0], 2 * 128 >> 8);
  EXPECT_EQ(middle[1], 100 * 128 >> 8);
  EXPECT_EQ(middle[2], 200 * 128 >> 8);
  // The final run is not darkened.
  EXPECT_EQ(host.ResultRgb(0, 0, 2), 200);
  EXPECT_EQ(host.ResultT(0, 0), 128);
}

TEST(MainDialog, PreviewAtFullScaleTilesTheImageAtItsRealSize) {
  FakeHost host(6, 4);
  host.WriteLibrary(LibraryText({{"View", "Real size", "vScale=1;\r\n", "coord=0;\r\nR=R;\r\n"}}));
  ScriptedUser user;
  DialogWatcher watcher(user);
  user.ClickButton(IDC_PREVIEW_BUTTON);
  LookAtTheDialog(user);
  user.ClickButton(IDCANCEL);
  RunScripted(user, [&] { host.FilterProcCall(); });
  ASSERT_EQ(watcher.shots.size(), 1u);
  const DialogSnapshot& shot = watcher.shots[0];
  const PreviewGeometry g = Geometry(shot, 6, 4);
  for (int32_t py = 0; py < 9; ++py) {
    for (int32_t px = 0; px < 13; ++px) {
      EXPECT_EQ(shot.Pixel(g.x + px, g.y + py)[0], FakeHost::SourceRgb(px % 6, py % 4, 0))
          << px << "," << py;
    }
  }
}

TEST(MainDialog, AFailedPreviewShowsTheUnchangedImage) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({kLevel}));
  ScriptedUser user;
  DialogWatcher watcher(user);
  user.TypeText(IDC_PARAM_EDIT0, "(");
  user.ClickButton(IDC_PREVIEW_BUTTON);
  LookAtTheDialog(user);
  user.ClickButton(IDCANCEL);
  RunScripted(user, [&] { host.FilterProcCall(); });
  ASSERT_EQ(watcher.boxes.size(), 2u);
  EXPECT_EQ(watcher.boxes[0], "Parameter error at Level.");
  const DialogSnapshot& shot = watcher.shots[1];
  const PreviewGeometry g = Geometry(shot, 4, 4);
  for (int32_t k = 0; k < 3; ++k) {
    EXPECT_EQ(shot.Pixel(g.x, g.y)[k], FakeHost::SourceRgb(0, 0, k));
  }
}

// ---------------------------------------------------------------- parameter sets

TEST(MainDialog, AParameterSetSavedAndLoadedRestoresGroupProgramAndValues) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({kShift, kInvert, kLevel}));
  {
    ScriptedUser user;
    user.SelectComboText(IDC_GROUP_COMBO, "Colour");
    user.SelectComboText(IDC_FUNCTION_COMBO, "Level");
    user.TypeText(IDC_PARAM_EDIT0, "33");
    user.ClickButton(IDC_SAVE_PARAMS);
    user.FillFileDialog("look");
    user.ClickButton(IDCANCEL);
    RunScripted(user, [&] { host.FilterProcCall(); });
  }
  const std::string saved = host.ReadFile(host.DataPath("Param/look.mfp"));
  EXPECT_EQ(saved,
            "#ver 0.07\r\nColour\r\nLevel\r\n33\r\n50\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n")
      << saved;
  EXPECT_FALSE(host.FileExists(host.baseFolder() + "Morfel.dat"));

  ScriptedUser user;
  user.ClickButton(IDC_LOAD_PARAMS);
  user.FillFileDialog("look.mfp");
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });
  EXPECT_TRUE(Has(Settings(host), "GroupNo=1\r\nFuncNo=1\r\n")) << Settings(host);
  EXPECT_TRUE(Has(Settings(host), "Param0=33\r\nParam1=50\r\n")) << Settings(host);
  EXPECT_EQ(host.ResultRgb(0, 0, 2), 33);
  EXPECT_EQ(host.ResultRgb(0, 0, 0), 50);
}

// What each file dialog offered when it came up: the proposed file name and
// the file types.
struct FileDialogView {
  std::string name;
  std::vector<std::string> types;
  int32_t selectedType = -1;
};

// A file dialog comes up again after each box over it: each is read once.
class FileDialogWatcher {
 public:
  FileDialogWatcher() : hook_([this](HWND window) { Read(window); }) {}

  std::vector<FileDialogView> views;

 private:
  void Read(HWND dialog) {
    if (GetDlgItem(dialog, cmb13) == nullptr) return;
    if (std::find(seen_.begin(), seen_.end(), dialog) != seen_.end()) return;
    seen_.push_back(dialog);
    FileDialogView view;
    char text[512];
    GetDlgItemTextA(dialog, cmb13, text, sizeof text);
    view.name = text;
    const LRESULT types = SendDlgItemMessageA(dialog, cmb1, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < types; ++i) {
      SendDlgItemMessageA(dialog, cmb1, CB_GETLBTEXT, static_cast<WPARAM>(i),
                          reinterpret_cast<LPARAM>(text));
      view.types.push_back(text);
    }
    view.selectedType = static_cast<int32_t>(SendDlgItemMessageA(dialog, cmb1, CB_GETCURSEL, 0, 0));
    views.push_back(view);
  }

  std::vector<HWND> seen_;
  ActivationHook hook_;
};

TEST(MainDialog, FileDialogsOfferParameterFilesAndProposeTheProgramsName) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({{"Deform", "Twirl 2 (fast)", "", "coord=2;\r\n"}}));
  FileDialogWatcher files;
  ScriptedUser user;
  DialogWatcher watcher(user);
  user.ClickButton(IDC_SAVE_PARAMS);
  user.CancelFileDialog();
  user.ClickButton(IDC_LOAD_PARAMS);
  user.FillFileDialog("missing");
  user.CancelFileDialog();
  user.ClickButton(IDCANCEL);
  RunScripted(user, [&] { host.FilterProcCall(); });
  const std::vector<std::string> types = {"Parameter (*.mfp)", "All files (*.*)"};
  ASSERT_EQ(files.views.size(), 2u);
  EXPECT_EQ(files.views[0].name, "Twirl2fast");  // blanks and brackets left out
  EXPECT_EQ(files.views[1].name, "");
  for (const FileDialogView& view : files.views) {
    EXPECT_EQ(view.types, types);
    EXPECT_EQ(view.selectedType, 0);
  }
  // The open dialog takes only a file that exists.
  ASSERT_EQ(watcher.boxes.size(), 1u);
  EXPECT_TRUE(Has(watcher.boxes[0], "File not found")) << watcher.boxes[0];
  EXPECT_FALSE(host.FileExists(host.DataPath("Param/Twirl2fast.mfp")));
}

TEST(MainDialog, SavingOverAnExistingSetAsksFirst) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({kLevel}));
  host.WriteFile(host.DataPath("Param/old.mfp"), "kept");
  ScriptedUser user;
  user.ClickButton(IDC_SAVE_PARAMS);
  user.FillFileDialog("old.mfp");
  user.AnswerMessageBox(IDNO);
  user.CancelFileDialog();
  user.ClickButton(IDCANCEL);
  RunScripted(user, [&] { host.FilterProcCall(); });
  ASSERT_EQ(user.MessageBoxes().size(), 1u);
  EXPECT_EQ(user.MessageBoxes()[0].title, "Confirm Save As");
  EXPECT_EQ(host.ReadFile(host.DataPath("Param/old.mfp")), "kept");
}

TEST(MainDialog, LoadingASetWithUnknownNamesFallsBackToTheFirstProgram) {
  FakeHost host(4, 4);
  host.WriteLibrary(LibraryText({kLevel, kInvert}));
  host.WriteFile(host.DataPath("Param/other.mfp"),
                 "#ver 0.01\r\nNo group\r\nNo program\r\n7\r\n8\r\n");
  // Lines 6 to 15 are missing: they read as empty values.
  ScriptedUser user;
  user.SelectComboText(IDC_FUNCTION_COMBO, "Invert");
  user.ClickButton(IDC_LOAD_PARAMS);
  user.FillFileDialog("other.mfp");
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });
  EXPECT_EQ(host.ResultRgb(0, 0, 2), 7);
  EXPECT_EQ(host.ResultRgb(0, 0, 0), 8);
  EXPECT_TRUE(Has(Settings(host), "FuncNo=0\r\n")) << Settings(host);
}

// ---------------------------------------------------------------- hand-edited libraries

TEST(MainDialog, OverlongNamesAreCutAndMissingKeysReadAsEmpty) {
  FakeHost host(4, 4);
  const std::string longGroup(400, 'g');
  host.WriteLibrary("[Prog000]\r\nGroup=" + longGroup + "\r\nName=" + std::string(300, 'n') +
                    "\r\nProg=coord=0;\\nR=5;\\n\r\n[Prog001]\r\nGroup=Bare\r\n");
  ScriptedUser user;
  DialogWatcher watcher(user);
  user.ClickButton(IDOK);
  RunScripted(user, [&] { host.FilterProcCall(); });
  EXPECT_TRUE(watcher.boxes.empty());
  EXPECT_EQ(host.ResultRgb(0, 0, 2), 5);
}

}  // namespace
