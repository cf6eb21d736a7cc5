#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/scripted_user/scripted_user.h"
#include "platform/internal.h"
#include "tests/platform/test_support.h"

namespace {

// The test dialog as a small application: the combo holds three items, Ask
// asks a question, Open opens a file dialog, and OK ends with 1.
struct Recorded {
  std::string combo, edit, answer, file;
  int slider = -1;
  bool checked = false;
};

INT_PTR RunApplication(Recorded* recorded) {
  TestDialog dialog;
  dialog.onInit = [](HWND window) {
    for (const char* item : {"Round", "Linear", "Bezier"})
      SendDlgItemMessageA(window, IDC_TEST_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SendDlgItemMessageA(window, IDC_TEST_SLIDER, TBM_SETRANGE, TRUE, MAKELONG(0, 100));
    SendDlgItemMessageA(window, IDC_TEST_EDIT, EM_LIMITTEXT, 6, 0);
  };
  dialog.onCommand = [recorded](HWND window, int id, int code) {
    char text[256];
    if (id == IDC_TEST_COMBO && code == CBN_SELCHANGE) {
      LRESULT index = SendDlgItemMessageA(window, id, CB_GETCURSEL, 0, 0);
      SendDlgItemMessageA(window, id, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
      recorded->combo = text;
    } else if (id == IDC_TEST_EDIT && code == EN_CHANGE) {
      GetDlgItemTextA(window, id, text, sizeof text);
      recorded->edit = text;
    } else if (id == IDC_TEST_ASK) {
      int answer = MessageBoxA(window, "Do you overwrite?", "message",
                               MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
      recorded->answer = answer == IDYES ? "yes" : "no";
    } else if (id == IDC_TEST_OPEN) {
      char name[256] = "";
      OPENFILENAMEA ofn = {};
      ofn.lStructSize = sizeof ofn;
      ofn.hwndOwner = window;
      ofn.lpstrFile = name;
      ofn.nMaxFile = sizeof name;
      ofn.lpstrInitialDir = "/tmp";
      if (GetSaveFileNameA(&ofn)) recorded->file = name;
    } else if (id == IDOK) {
      recorded->slider =
          static_cast<int>(SendDlgItemMessageA(window, IDC_TEST_SLIDER, TBM_GETPOS, 0, 0));
      recorded->checked = IsDlgButtonChecked(window, IDC_TEST_CHECK) == BST_CHECKED;
      MessageBoxA(window, "Done.", "message", MB_OK);
      EndDialog(window, 1);
    } else {
      return false;
    }
    return true;
  };
  return RunTestDialog(&dialog);
}

TEST(ScriptedUserTest, DrivesADialogEndToEnd) {
  ScriptedUser user;
  user.SelectComboText(IDC_TEST_COMBO, "linear");
  user.TypeText(IDC_TEST_EDIT, "12345678");
  user.MoveSlider(IDC_TEST_SLIDER, 150);
  user.SetCheck(IDC_TEST_CHECK, true);
  user.ClickButton(IDC_TEST_ASK);
  user.AnswerMessageBox(IDYES);
  user.ClickButton(IDC_TEST_OPEN);
  user.FillFileDialog("params.mfp");
  user.ClickButton(IDOK);
  ASSERT_TRUE(user.Start());
  Recorded recorded;
  EXPECT_EQ(RunApplication(&recorded), 1);
  user.Stop();

  EXPECT_TRUE(user.Finished());
  EXPECT_TRUE(user.Failures().empty()) << user.Failures()[0];
  EXPECT_EQ(recorded.combo, "Linear");
  EXPECT_EQ(recorded.edit, "123456");  // the box's limit of 6
  EXPECT_EQ(recorded.slider, 100);
  EXPECT_TRUE(recorded.checked);
  EXPECT_EQ(recorded.answer, "yes");
  EXPECT_EQ(recorded.file, "/tmp/params.mfp");
  ASSERT_EQ(user.MessageBoxes().size(), 2u);
  EXPECT_EQ(user.MessageBoxes()[0].title, "message");
  EXPECT_EQ(user.MessageBoxes()[0].text, "Do you overwrite?");
  EXPECT_EQ(user.MessageBoxes()[0].action, 4);  // while clicking Ask
  EXPECT_EQ(user.MessageBoxes()[1].text, "Done.");
  // The dialog, the box, the file dialog and the last box; the dialog's
  // returns to the front are recognized, not counted again.
  EXPECT_EQ(user.WindowsSeen().size(), 4u);
}

TEST(ScriptedUserTest, SliderMoveNotifiesTheDialog) {
  ScriptedUser user;
  user.MoveSlider(IDC_TEST_SLIDER, 30);
  ASSERT_TRUE(user.Start());
  TestDialog dialog;
  RunTestDialog(&dialog);
  user.Stop();
  ASSERT_FALSE(dialog.notifications.empty());
  EXPECT_EQ(dialog.notifications[0], (Notification{WM_HSCROLL, IDC_TEST_SLIDER, TB_THUMBPOSITION}));
}

TEST(ScriptedUserTest, UnansweredBoxesEndWithTheirDefaultAndAreRecorded) {
  ScriptedUser user;
  user.ClickButton(IDC_TEST_ASK);
  ASSERT_TRUE(user.Start());
  Recorded recorded;
  EXPECT_EQ(RunApplication(&recorded), IDCANCEL);  // nobody clicks OK
  EXPECT_EQ(recorded.answer, "no");
  ASSERT_EQ(user.MessageBoxes().size(), 1u);
  EXPECT_EQ(user.MessageBoxes()[0].text, "Do you overwrite?");
}

TEST(ScriptedUserTest, UnansweredBoxGetsItsDefaultWithoutWaitingForIdle) {
  // A timer that never stops keeps the loop busy, as a real system always is:
  // the box must not wait for the loop to run dry.
  ScriptedUser user;
  user.ClickButton(IDC_TEST_ASK);
  ASSERT_TRUE(user.Start());
  TestDialog dialog;
  DWORD waited = 0;
  int answer = 0;
  dialog.onInit = [](HWND window) { SetTimer(window, 9, 100, nullptr); };
  dialog.onCommand = [&](HWND window, int id, int) {
    if (id != IDC_TEST_ASK) return false;
    DWORD start = GetTickCount();
    answer =
        MessageBoxA(window, "Do you delete this program?", "message", MB_YESNO | MB_DEFBUTTON2);
    waited = GetTickCount() - start;
    KillTimer(window, 9);  // and now let the dialog run dry
    return true;
  };
  RunTestDialog(&dialog);
  user.Stop();
  EXPECT_EQ(answer, IDNO);
  EXPECT_LT(waited, 1000u);
}

TEST(ScriptedUserTest, BoxAnswererAnswersQuestions) {
  ScriptedUser user;
  user.ClickButton(IDC_TEST_ASK);
  user.ClickButton(IDOK);
  user.SetBoxAnswerer(
      [](const MessageBoxRecord& box) { return box.text == "Do you overwrite?" ? IDYES : 0; });
  ASSERT_TRUE(user.Start());
  Recorded recorded;
  EXPECT_EQ(RunApplication(&recorded), 1);
  EXPECT_EQ(recorded.answer, "yes");
}

TEST(ScriptedUserTest, ImpossibleActionsAreReportedAndSkipped) {
  ScriptedUser user;
  user.SelectComboText(IDC_TEST_COMBO, "Cubic");
  user.SelectComboIndex(IDC_TEST_COMBO, 7);
  user.ClickButton(4242);
  user.TypeText(IDC_TEST_EDIT, "ok");
  user.ClickButton(IDOK);
  ASSERT_TRUE(user.Start());
  Recorded recorded;
  EXPECT_EQ(RunApplication(&recorded), 1);
  EXPECT_EQ(recorded.edit, "ok");
  ASSERT_EQ(user.Failures().size(), 3u);
  EXPECT_NE(user.Failures()[0].find("has no item \"Cubic\""), std::string::npos)
      << user.Failures()[0];
  EXPECT_NE(user.Failures()[1].find("has no item 7"), std::string::npos) << user.Failures()[1];
  EXPECT_NE(user.Failures()[2].find("no control 4242"), std::string::npos);
}

// A dialog whose file name box holds "Round" and "Linear"; OK records the
// chosen item.
INT_PTR RunNameDialog(std::string* chosen) {
  TestDialog dialog;
  dialog.onInit = [](HWND window) {
    for (const char* item : {"Round", "Linear"})
      SendDlgItemMessageA(window, cmb13, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  };
  dialog.onCommand = [chosen](HWND window, int id, int) {
    if (id != IDOK) return false;
    char text[64] = "";
    GetDlgItemTextA(window, cmb13, text, sizeof text);
    *chosen = text;
    EndDialog(window, IDOK);
    return true;
  };
  return RunTestDialog(&dialog, "namedlg");
}

TEST(ScriptedUserTest, FileNameBoxMakesAFileDialogWhateverElseItHolds) {
  ScriptedUser user;
  user.FillFileDialog("linear");
  ASSERT_TRUE(user.Start());
  std::string chosen;
  EXPECT_EQ(RunNameDialog(&chosen), IDOK);
  user.Stop();
  EXPECT_EQ(chosen, "Linear");
  EXPECT_TRUE(user.Finished());
  EXPECT_TRUE(user.MessageBoxes().empty());
  EXPECT_TRUE(user.Failures().empty());
}

TEST(ScriptedUserTest, RefusedFileNameIsReported) {
  ScriptedUser user;
  user.FillFileDialog("Cubic");
  ASSERT_TRUE(user.Start());
  std::string chosen;
  EXPECT_EQ(RunNameDialog(&chosen), IDCANCEL);  // nobody chose: no user left
  user.Stop();
  EXPECT_EQ(chosen, "");
  ASSERT_EQ(user.Failures().size(), 1u);
  EXPECT_NE(user.Failures()[0].find("refused \"Cubic\""), std::string::npos) << user.Failures()[0];
}

TEST(ScriptedUserTest, ReadOnlyBoxCannotBeTypedInto) {
  ScriptedUser user;
  user.TypeText(IDC_TEST_READONLY, "typed");
  ASSERT_TRUE(user.Start());
  TestDialog dialog;
  std::string text = "unchanged";
  dialog.onCommand = [&text](HWND window, int id, int) {
    if (id == IDCANCEL) text = TextOf(GetDlgItem(window, IDC_TEST_READONLY));
    return false;
  };
  RunTestDialog(&dialog);
  user.Stop();
  EXPECT_EQ(text, "");
  ASSERT_EQ(user.Failures().size(), 1u);
  EXPECT_NE(user.Failures()[0].find("edit box 303 is read-only"), std::string::npos)
      << user.Failures()[0];
}

TEST(ScriptedUserTest, HiddenControlsAreOutOfReach) {
  ScriptedUser user;
  user.TypeText(IDC_TEST_EDIT, "typed");
  ASSERT_TRUE(user.Start());
  TestDialog dialog;
  std::string text = "unchanged";
  dialog.onInit = [](HWND window) { ShowWindow(GetDlgItem(window, IDC_TEST_EDIT), SW_HIDE); };
  dialog.onCommand = [&text](HWND window, int id, int) {
    if (id == IDCANCEL) text = TextOf(GetDlgItem(window, IDC_TEST_EDIT));
    return false;
  };
  RunTestDialog(&dialog);
  user.Stop();
  EXPECT_EQ(text, "");
  ASSERT_EQ(user.Failures().size(), 1u);
  EXPECT_NE(user.Failures()[0].find("control 301 is hidden"), std::string::npos)
      << user.Failures()[0];
}

TEST(ScriptedUserTest, CallWithDialogSeesTheDialogAsTheActionsBeforeLeftIt) {
  ScriptedUser user;
  std::string typed, caption;
  HWND called = nullptr;
  user.TypeText(IDC_TEST_EDIT, "abc");
  user.CallWithDialog([&](HWND dialog) {
    called = dialog;
    typed = TextOf(GetDlgItem(dialog, IDC_TEST_EDIT));
    caption = TextOf(dialog);
  });
  user.ClickButton(IDOK);
  ASSERT_TRUE(user.Start());
  Recorded recorded;
  EXPECT_EQ(RunApplication(&recorded), 1);
  user.Stop();
  EXPECT_TRUE(user.Finished());
  EXPECT_TRUE(user.Failures().empty()) << user.Failures()[0];
  ASSERT_FALSE(user.WindowsSeen().empty());
  EXPECT_EQ(called, user.WindowsSeen()[0]);
  EXPECT_EQ(typed, "abc");
  EXPECT_FALSE(caption.empty());
}

// Give-up: a dialog left open is cancelled and reported, one ended in time is
// not. Times are measured from Start.
struct GiveUpCase {
  const char* what;
  bool clickOk;
  int expectedResult;
  size_t expectedFailures;
};

const GiveUpCase kGiveUpCases[] = {
    {"left open after the last action", false, IDCANCEL, 1},
    {"ended by the last action", true, IDOK, 0},
};

TEST(ScriptedUserTest, GiveUpCancelsOnlyDialogsLeftOpen) {
  for (const GiveUpCase& test : kGiveUpCases) {
    ScriptedUser user;
    user.GiveUpAfter(300);
    user.TypeText(IDC_TEST_EDIT, "abc");
    if (test.clickOk) user.ClickButton(IDOK);
    ASSERT_TRUE(user.Start());
    DWORD started = GetTickCount(), cancelled = 0;
    TestDialog dialog;
    dialog.onCommand = [&](HWND, int id, int) {
      if (id == IDCANCEL && !cancelled) cancelled = GetTickCount() - started;
      return false;
    };
    EXPECT_EQ(RunTestDialog(&dialog), test.expectedResult) << test.what;
    user.Stop();
    ASSERT_EQ(user.Failures().size(), test.expectedFailures) << test.what;
    if (test.expectedFailures == 0) continue;
    EXPECT_NE(user.Failures()[0].find("still open 300 ms after the last action, cancelled"),
              std::string::npos)
        << user.Failures()[0];
    EXPECT_GE(cancelled, 300u) << "cancelled before its time";
  }
}

TEST(ScriptedUserTest, GiveUpWaitsForTheCallInProgress) {
  // The call runs a second modal dialog, whose loop runs the first dialog's
  // timers: the first must not be cancelled under the running call.
  ScriptedUser user;
  user.GiveUpAfter(300);
  user.ClickButton(IDC_TEST_CHECK);  // ends a turn: the give-up is armed
  DWORD callEnded = 0, cancelled = 0;
  user.CallWithDialog([&](HWND) {
    TestDialog inner;
    RunTestDialog(&inner);
    callEnded = GetTickCount();
  });
  ASSERT_TRUE(user.Start());
  TestDialog outer;
  outer.onCommand = [&](HWND, int id, int) {
    if (id == IDCANCEL && !cancelled) cancelled = GetTickCount();
    return false;
  };
  EXPECT_EQ(RunTestDialog(&outer), IDCANCEL);
  user.Stop();
  ASSERT_NE(callEnded, 0u);
  EXPECT_GE(cancelled, callEnded + 300) << "cancelled while the call still ran";
  EXPECT_EQ(user.Failures().size(), 2u);  // the inner dialog was left open too
}

TEST(ScriptedUserTest, OnlyOneUserAtATime) {
  ScriptedUser first, second;
  ASSERT_TRUE(first.Start());
  EXPECT_FALSE(second.Start());
  first.Stop();
  EXPECT_TRUE(second.Start());
}

}  // namespace

// Wine reports to a thread's hook a window of another process that one of
// the thread's own closing windows hands the activation to: such a window is
// none of the user's, and it must neither be recorded nor played.
TEST(ScriptedUserTest, WindowsOfOtherThreadsAreLeftAlone) {
  auto makeDialog = [](const char* caption) {
    return CreateWindowExA(0, "#32770", caption, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                           nullptr);
  };
  HWND foreign = nullptr;
  std::thread([&] { foreign = makeDialog("other"); }).join();
  HWND own = makeDialog("own");
  ScriptedUser user;
  ASSERT_TRUE(user.Start());
  morfel_platform::ActivateWindow(foreign);
  morfel_platform::ActivateWindow(own);
  user.Stop();
  EXPECT_EQ(user.WindowsSeen(), std::vector<HWND>{own});
  DestroyWindow(foreign);
  DestroyWindow(own);
}
