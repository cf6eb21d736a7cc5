// The help dialog shows the language reference, read-only and scrolling.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/editor_fixture.h"
#include "ui/editor_internal.h"
#include "ui/help_internal.h"

namespace {

// The reference as the user reads it, line by line.
const std::vector<std::string> kReferenceLines = {
    "Parameters:",
    "coord = 0:No transformation / 1:R-theta / 2:X-Y coordinate",
    "(xs,ys) = Xsize,Ysize of the image.",
    "(cx,cy) = center of the image. default: cx=xs/2, cy=ys/2",
    "(x,y) = current position (default: -cx<=x<cx, -cy<=y<cy)",
    "(r,t) = current position",
    "  r:distance from(cx,cy),0<=r   t:-pi<=t<pi",
    "(R,G,B,T) = color at current position (0<=R,G,B,T<256)",
    "pi = 3.14159",
    "",
    "Supporting functions:",
    "sin(n),cos(n),tan(n),exp(n),log(n),pow(n,m),",
    "abs(n),sqrt(n),rand(min,max),srand(n),int(n),",
    "acos(n),asin(n),atan2(y,x),min(a,b),max(a,b),",
    "sgn(n),get(x,y),R(x,y),G(x,y),B(x,y),T(x,y)",
    "exit(n),HLS(r,g,b),RGB(h,l,s) etc.",
    "",
    "Output:",
    "coord==0; R,G,B,T values are set at the current pixel.",
    "coord==1; color value at (r,t) is set at the current pixel.",
    "coord==2; color value at (x,y) is set at the current pixel.",
    "",  // after the last line break
};

std::string ExpectedReference() {
  std::string text;
  for (size_t i = 0; i + 1 < kReferenceLines.size(); ++i) text += kReferenceLines[i] + "\r\n";
  return text + kReferenceLines.back();
}

// What a user sees in the open help dialog, and how it closes it.
struct HelpVisit {
  UINT closeMessage = WM_COMMAND;
  WPARAM closeCommand = IDOK;
  std::string text;
  LONG textStyle = 0;
  bool seen = false;
};

HelpVisit* visit = nullptr;
HHOOK hook = nullptr;

void CALLBACK LookAndClose(HWND dialog, UINT, UINT_PTR id, DWORD) {
  KillTimer(dialog, id);
  char text[4096] = {};
  int length = GetDlgItemTextA(dialog, IDC_HELP_TEXT, text, sizeof text);
  visit->text.assign(text, length > 0 ? static_cast<size_t>(length) : 0);
  visit->textStyle = GetWindowLongA(GetDlgItem(dialog, IDC_HELP_TEXT), GWL_STYLE);
  PostMessageA(dialog, visit->closeMessage, visit->closeCommand, 0);
}

LRESULT CALLBACK WatchActivation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && !visit->seen) {
    visit->seen = true;
    SetTimer(reinterpret_cast<HWND>(wParam), 1, 1, LookAndClose);
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

INT_PTR OpenHelp(HelpVisit* observed) {
  visit = observed;
  hook = SetWindowsHookExA(WH_CBT, WatchActivation, nullptr, GetCurrentThreadId());
  INT_PTR result = DialogBoxParamA(Module().instance, "helpdlg", nullptr, HelpDialogProc, 0);
  UnhookWindowsHookEx(hook);
  visit = nullptr;
  return result;
}

TEST(HelpText, IsTheReferenceByteForByte) {
  std::string text(kHelpReferenceText);
  EXPECT_EQ(text.size(), 802u);
  EXPECT_EQ(text, ExpectedReference());
}

struct CloseCase {
  const char* how;
  UINT message;
  WPARAM command;
  INT_PTR result;
};

class HelpDialogTest : public EditorTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(HelpDialogTest, ShowsTheReadOnlyScrollingReference) {
  HelpVisit observed;
  observed.closeMessage = GetParam().message;
  observed.closeCommand = GetParam().command;
  EXPECT_EQ(OpenHelp(&observed), GetParam().result) << GetParam().how;
  ASSERT_TRUE(observed.seen);
  EXPECT_EQ(observed.text, ExpectedReference());
  EXPECT_TRUE(observed.textStyle & ES_READONLY);
  EXPECT_TRUE(observed.textStyle & WS_VSCROLL);
  EXPECT_TRUE(observed.textStyle & ES_MULTILINE);
}

INSTANTIATE_TEST_SUITE_P(Closing, HelpDialogTest,
                         ::testing::Values(CloseCase{"OK", WM_COMMAND, IDOK, 1},
                                           CloseCase{"Escape", WM_COMMAND, IDCANCEL, 0},
                                           CloseCase{"close box", WM_SYSCOMMAND, SC_CLOSE, 0}));

TEST_F(EditorTest, HelpOpensFromTheEditorAndLeavesItOpen) {
  WriteLibrary({Program("Deform", "Wave")});
  ScriptedUser user;
  user.ClickButton(IDC_EDIT_HELP);
  user.ClickButton(IDOK);  // closes the help dialog
  user.ClickButton(IDC_EDIT_CLEAR);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(user.WindowsSeen().size(), 2u);
  EXPECT_TRUE(user.MessageBoxes().empty());
}

}  // namespace
