#include <commctrl.h>
#include <morfel_platform_ext.h>

#include <gtest/gtest.h>

#include "tests/platform/test_support.h"
#include "ui/resource.h"

namespace {

// Runs a dialog that only looks at itself when it opens, then ends with OK.
template <class Look>
void LookAtDialog(const char *name, HINSTANCE instance, Look look) {
  TestDialog dialog;
  dialog.onInit = [&](HWND window) {
    look(window);
    EndDialog(window, IDOK);
  };
  EXPECT_EQ(RunTestDialog(&dialog, name, nullptr, instance), IDOK);
}

TEST(DialogTest, ControlsComeFromTheTemplate) {
  LookAtDialog("testdlg", TestDialogsInstance(), [](HWND window) {
    EXPECT_EQ(TextOf(window), "Test \"dialog\"");
    char name[32];
    struct Case {
      int id;
      const char *className;
      const char *text;
    } cases[] = {
        {IDOK, "Button", "OK"},           {IDCANCEL, "Button", "Cancel"},
        {IDC_TEST_COMBO, "ComboBox", ""}, {IDC_TEST_EDIT, "Edit", ""},
        {IDC_TEST_SLIDER, "msctls_trackbar32", ""}, {IDC_TEST_AREA, "Static", ""},
        {IDC_TEST_LABEL, "Static", "Label"},
    };
    for (const Case &c : cases) {
      HWND control = GetDlgItem(window, c.id);
      ASSERT_NE(control, nullptr) << c.id;
      GetClassNameA(control, name, sizeof name);
      EXPECT_STREQ(name, c.className);
      EXPECT_EQ(TextOf(control), c.text);
      EXPECT_EQ(GetDlgCtrlID(control), c.id);
    }
    EXPECT_EQ(GetDlgItem(window, 9999), nullptr);
  });
}

TEST(DialogTest, StylesFollowTheResourceScriptRules) {
  LookAtDialog("testdlg", TestDialogsInstance(), [](HWND window) {
    auto style = [&](int id) { return static_cast<DWORD>(GetWindowLongA(GetDlgItem(window, id), GWL_STYLE)); };
    EXPECT_EQ(style(IDOK), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON);
    EXPECT_EQ(style(IDCANCEL), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON);  // NOT WS_TABSTOP
    EXPECT_EQ(style(IDC_TEST_CHECK), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | BS_LEFTTEXT);
    EXPECT_EQ(style(IDC_TEST_EDIT), WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL);
    EXPECT_EQ(style(IDC_TEST_AREA), WS_CHILD | WS_VISIBLE | SS_BLACKFRAME);
    EXPECT_EQ(style(IDC_TEST_COMBO) & 3, static_cast<DWORD>(CBS_DROPDOWNLIST));
  });
}

TEST(DialogTest, DialogUnitsMapToFixedFontMetrics) {
  LookAtDialog("testdlg", TestDialogsInstance(), [](HWND window) {
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 300);  // 200 units
    EXPECT_EQ(client.bottom, 225);  // 150 units
    RECT label;
    GetWindowRect(GetDlgItem(window, IDC_TEST_LABEL), &label);
    EXPECT_EQ(label.right - label.left, 62);  // 41 units: 61.5 rounds up
    EXPECT_EQ(label.bottom - label.top, 12);
  });
}

TEST(DialogTest, PluginPreviewAreaIs164By120) {
  LookAtDialog("SampleDlg", PluginDialogsInstance(), [](HWND window) {
    RECT area;
    ASSERT_TRUE(GetClientRect(GetDlgItem(window, IDC_PREVIEW_AREA), &area));
    EXPECT_EQ(area.right, 164);
    EXPECT_EQ(area.bottom, 120);
    EXPECT_EQ(TextOf(window), "Morfel v0.08");
    EXPECT_NE(GetDlgItem(window, IDC_PARAM_SLIDER11), nullptr);
  });
}

TEST(DialogTest, EachModuleFindsOnlyItsOwnTemplates) {
  TestDialog dialog;
  EXPECT_EQ(RunTestDialog(&dialog, "testdlg", nullptr, PluginDialogsInstance()), -1);
  EXPECT_EQ(RunTestDialog(&dialog, "nosuchdlg"), -1);
  EXPECT_EQ(DialogBoxParamA(TestDialogsInstance(), MAKEINTRESOURCEA(5), nullptr, nullptr, 0), -1);
}

TEST(DialogTest, UnregisteredModuleIsForgotten) {
  static const MorfelDialogTemplate kTemplates[] = {
      {"tempdlg", "Temp", DS_MODALFRAME | WS_POPUP | WS_CAPTION, 0, 0, 0, 50, 20, "MS Sans Serif", 8, nullptr, 0}};
  HINSTANCE instance = MorfelRegisterModule(kTemplates, 1);
  ASSERT_NE(instance, nullptr);
  TestDialog dialog;
  dialog.onInit = [](HWND window) { EndDialog(window, IDOK); };
  EXPECT_EQ(RunTestDialog(&dialog, "tempdlg", nullptr, instance), IDOK);
  EXPECT_TRUE(MorfelUnregisterModule(instance));
  EXPECT_EQ(RunTestDialog(&dialog, "tempdlg", nullptr, instance), -1);
  EXPECT_EQ(RunTestDialog(&dialog, "tempdlg"), -1);
  EXPECT_FALSE(MorfelUnregisterModule(instance));
}

TEST(DialogTest, EndsAsCancelWithoutAUser) {
  TestDialog dialog;
  EXPECT_EQ(RunTestDialog(&dialog), IDCANCEL);
  ASSERT_FALSE(dialog.notifications.empty());
  EXPECT_EQ(dialog.notifications.back(), (Notification{WM_COMMAND, IDCANCEL, 0}));
}

TEST(DialogTest, DialogThatIgnoresCancelStillEnds) {
  TestDialog dialog;
  dialog.onCommand = [](HWND, int, int) { return true; };  // ignores everything
  EXPECT_EQ(RunTestDialog(&dialog), IDCANCEL);
}

TEST(DialogTest, EmptyDialogEndsAndCancelReachesItsProcedure) {
  TestDialog dialog;
  dialog.onCommand = [](HWND window, int id, int) {
    if (id == IDCANCEL) EndDialog(window, 77);
    return true;
  };
  EXPECT_EQ(RunTestDialog(&dialog, "emptydlg"), 77);
}

TEST(DialogTest, ClosingIsCancel) {
  TestDialog dialog;
  dialog.onInit = [](HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); };
  EXPECT_EQ(RunTestDialog(&dialog), IDCANCEL);
  EXPECT_EQ(dialog.notifications.size(), 1u);  // the close, not the idle cancel
}

TEST(DialogTest, OwnerIsDisabledWhileTheDialogRuns) {
  PlainWindow owner;
  TestDialog dialog;
  BOOL ownerEnabled = TRUE;
  dialog.onCommand = [&](HWND window, int, int) {
    ownerEnabled = IsWindowEnabled(owner.handle());
    EXPECT_EQ(GetParent(window), owner.handle());
    return false;
  };
  RunTestDialog(&dialog, "testdlg", owner.handle());
  EXPECT_FALSE(ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(owner.handle()));
  EXPECT_FALSE(IsWindow(dialog.window));
}

TEST(DialogTest, DialogItemHelpers) {
  LookAtDialog("testdlg", TestDialogsInstance(), [](HWND window) {
    EXPECT_TRUE(SetDlgItemTextA(window, IDC_TEST_EDIT, "123456789"));
    char text[5];
    EXPECT_EQ(GetDlgItemTextA(window, IDC_TEST_EDIT, text, sizeof text), 4u);
    EXPECT_STREQ(text, "1234");
    EXPECT_EQ(GetDlgItemTextA(window, 4242, text, sizeof text), 0u);
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(SetDlgItemTextA(window, 4242, "x"));
    EXPECT_TRUE(CheckDlgButton(window, IDC_TEST_CHECK, BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(window, IDC_TEST_CHECK), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(SendDlgItemMessageA(window, IDC_TEST_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a")), 0);
    EXPECT_EQ(SendDlgItemMessageA(window, 4242, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a")), 0);
  });
}

TEST(DialogTest, CenteringMovesTheWindowOnTheDesktop) {
  LookAtDialog("testdlg", TestDialogsInstance(), [](HWND window) {
    RECT desktop, rect;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    SetWindowPos(window, HWND_TOP, (desktop.right - width) / 2, (desktop.bottom - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_SHOWWINDOW);
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, (1024 - width) / 2);
    EXPECT_EQ(rect.right - rect.left, width);
    EXPECT_TRUE(IsWindowVisible(window));
  });
}

// A dialog keeps one value of the application's own (DWLP_USER), as a
// dialog procedure keeps the state it works on; plain windows have none.
TEST(DialogTest, KeepsAValueOfItsOwnAndKnowsItsModule) {
  LookAtDialog("testdlg", TestDialogsInstance(), [](HWND window) {
    EXPECT_EQ(GetWindowLongPtrA(window, DWLP_USER), 0);
    EXPECT_EQ(SetWindowLongPtrA(window, DWLP_USER, 1234), 0);
    EXPECT_EQ(SetWindowLongPtrA(window, DWLP_USER, -5), 1234);
    EXPECT_EQ(GetWindowLongPtrA(window, DWLP_USER), -5);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_HINSTANCE),
              reinterpret_cast<LONG_PTR>(TestDialogsInstance()));
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE),
              static_cast<LONG_PTR>(GetWindowLongA(window, GWL_STYLE)));
    HWND control = GetDlgItem(window, IDOK);
    EXPECT_EQ(SetWindowLongPtrA(control, DWLP_USER, 7), 0);
    EXPECT_EQ(GetWindowLongPtrA(control, DWLP_USER), 0);
    EXPECT_EQ(SetWindowLongPtrA(window, 4242, 7), 0);
    EXPECT_EQ(GetWindowLongPtrA(nullptr, DWLP_USER), 0);
  });
}

}  // namespace
