#include <commdlg.h>
#include <dlgs.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "tests/platform/test_support.h"

namespace {

// Types names into file dialogs and answers boxes from a hook, in order.
std::vector<std::string> g_inputs;  // a name for a file dialog, "#6" to answer a box with 6
std::vector<std::string> g_boxes;
HHOOK g_hook;

void CALLBACK Act(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  bool isBox = GetDlgItem(window, 0xFFFF) != nullptr;
  if (isBox) {
    char text[512];
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    g_boxes.push_back(TextOf(window) + ": " + text);
  }
  if (g_inputs.empty() || !IsWindowEnabled(window)) return;
  std::string input = g_inputs.front();
  if (isBox != (input[0] == '#')) return;
  g_inputs.erase(g_inputs.begin());
  if (isBox) {
    PostMessageA(window, WM_COMMAND, std::atoi(input.c_str() + 1), 0);
  } else {
    SetDlgItemTextA(window, cmb13, input.c_str());
    PostMessageA(window, WM_COMMAND, IDOK, 0);
  }
}

LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) SetTimer(reinterpret_cast<HWND>(wParam), 1, 20, Act);
  return CallNextHookEx(g_hook, code, wParam, lParam);
}

class FileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_inputs.clear();
    g_boxes.clear();
    g_hook = SetWindowsHookExA(WH_CBT, Watch, nullptr, GetCurrentThreadId());
    char pattern[] = "/tmp/morfel_filedlg_XXXXXX";
    folder_ = mkdtemp(pattern);
    existing_ = folder_ + "/kept.mfp";
    FILE *file = std::fopen(existing_.c_str(), "w");
    std::fputs("#ver 0.07\n", file);
    std::fclose(file);
    ofn_.lStructSize = sizeof ofn_;
    ofn_.lpstrFilter = "Parameter (*.mfp)\0*.mfp\0All files (*.*)\0*.*\0";
    ofn_.nFilterIndex = 1;
    ofn_.lpstrFile = name_;
    ofn_.nMaxFile = sizeof name_;
    ofn_.lpstrDefExt = "mfp";
    // The folder as a Windows-style path, as the plug-in forms it.
    initialDir_ = folder_ + "\\";
    ofn_.lpstrInitialDir = initialDir_.c_str();
  }
  void TearDown() override {
    UnhookWindowsHookEx(g_hook);
    std::remove(existing_.c_str());
    std::remove((folder_ + "/new.mfp").c_str());
    rmdir(folder_.c_str());
  }
  std::string folder_, existing_, initialDir_;
  char name_[256] = "";
  OPENFILENAMEA ofn_ = {};
};

TEST_F(FileDialogTest, TypedNameIsResolvedInTheInitialFolder) {
  g_inputs = {"Twirl2fast"};
  ofn_.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  ASSERT_TRUE(GetSaveFileNameA(&ofn_));
  std::string expected = folder_ + "/Twirl2fast.mfp";
  EXPECT_EQ(std::string(name_), expected);
  EXPECT_EQ(ofn_.nFileOffset, folder_.size() + 1);
  EXPECT_STREQ(name_ + ofn_.nFileExtension, "mfp");
}

TEST_F(FileDialogTest, ProposedNameIsShownAndKept) {
  std::snprintf(name_, sizeof name_, "%s", "proposed");
  g_inputs = {"sub\\x.txt"};  // a name with an extension gets none added
  ASSERT_TRUE(GetSaveFileNameA(&ofn_));
  EXPECT_EQ(std::string(name_), folder_ + "/sub/x.txt");
}

TEST_F(FileDialogTest, MissingFileKeepsTheOpenDialogOpen) {
  g_inputs = {"missing", "#1", "kept"};
  ofn_.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
  ASSERT_TRUE(GetOpenFileNameA(&ofn_));
  EXPECT_EQ(std::string(name_), existing_);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "Open: missing\nFile not found.\nCheck the file name and try again.");
}

TEST_F(FileDialogTest, OverwriteIsAskedAndNoKeepsTheDialogOpen) {
  ofn_.Flags = OFN_OVERWRITEPROMPT;
  g_inputs = {"kept", "#7", "new"};
  ASSERT_TRUE(GetSaveFileNameA(&ofn_));
  EXPECT_EQ(std::string(name_), folder_ + "/new.mfp");
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "Confirm Save As: kept already exists.\nDo you want to replace it?");
  g_inputs = {"kept", "#6"};
  ASSERT_TRUE(GetSaveFileNameA(&ofn_));
  EXPECT_EQ(std::string(name_), existing_);
}

TEST_F(FileDialogTest, NoUserMeansCancelled) {
  std::snprintf(name_, sizeof name_, "%s", "unchanged");
  EXPECT_FALSE(GetOpenFileNameA(&ofn_));
  EXPECT_FALSE(GetSaveFileNameA(&ofn_));
  EXPECT_STREQ(name_, "unchanged");
}

TEST_F(FileDialogTest, ResultThatDoesNotFitFails) {
  char small[8] = "";
  ofn_.lpstrFile = small;
  ofn_.nMaxFile = sizeof small;
  g_inputs = {"kept"};
  EXPECT_FALSE(GetOpenFileNameA(&ofn_));
  EXPECT_STREQ(small, "");
}

TEST_F(FileDialogTest, BadRequestsFail) {
  OPENFILENAMEA bad = ofn_;
  bad.lStructSize = 8;
  EXPECT_FALSE(GetOpenFileNameA(&bad));
  bad = ofn_;
  bad.lpstrFile = nullptr;
  EXPECT_FALSE(GetSaveFileNameA(&bad));
  EXPECT_FALSE(GetSaveFileNameA(nullptr));
}

}  // namespace
