// The DLL as a host's loader finds it: exports by plain name, the dialog
// templates as named resources, the title export's exact output.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/windows/support/plugin_dll.h"

namespace {

TEST(WindowsExports, ResolveByPlainName) {
  PluginDll plugin;
  ASSERT_EQ(plugin.Load("morfel.dll"), 1) << plugin.error();
}

TEST(WindowsExports, TitleWritesSevenBytesAndTheTwoCounts) {
  PluginDll plugin;
  ASSERT_EQ(plugin.Load("morfel.dll"), 1) << plugin.error();
  char title[16];
  std::memset(title, 'x', sizeof title);
  int32_t a = -5;
  int32_t b = -5;
  EXPECT_EQ(plugin.getTitle(reinterpret_cast<void*>(0x1234), title, &a, &b), 1);
  EXPECT_EQ(std::memcmp(title, "Morfel", 7), 0);
  EXPECT_EQ(title[7], 'x') << "wrote past the title's zero byte";
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 10);
}

TEST(WindowsExports, DialogTemplatesAreResourcesOfTheirNames) {
  PluginDll plugin;
  ASSERT_EQ(plugin.Load("morfel.dll"), 1) << plugin.error();
  for (const char* name : {"sampledlg", "editdlg", "helpdlg"}) {
    EXPECT_NE(FindResourceA(plugin.module(), name, RT_DIALOG), nullptr) << name;
  }
}

}  // namespace
