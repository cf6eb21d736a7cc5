#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "session/session.h"

namespace {

TEST(NameList, KeepsPositionsAndDuplicates) {
  auto list = std::make_unique<NameList>();
  EXPECT_EQ(AppendName(*list, "Deform"), 1);
  EXPECT_EQ(AppendName(*list, "Colour"), 1);
  EXPECT_EQ(AppendName(*list, "Deform"), 1);
  EXPECT_EQ(list->count, 3);
  EXPECT_STREQ(NameAt(*list, 2), "Deform");
  EXPECT_EQ(FindName(*list, "Deform"), 0);
  EXPECT_EQ(FindName(*list, "Colour"), 1);
}

TEST(NameList, LookupsAreExactAndOutOfRangeIsEmpty) {
  auto list = std::make_unique<NameList>();
  AppendName(*list, "Colour");
  EXPECT_EQ(FindName(*list, "colour"), -1);
  EXPECT_EQ(FindName(*list, ""), -1);
  EXPECT_STREQ(NameAt(*list, -1), "");
  EXPECT_STREQ(NameAt(*list, 1), "");
  EXPECT_STREQ(NameAt(*list, 1000000), "");
}

TEST(NameList, CutsLongNamesToTheDialogBuffer) {
  auto list = std::make_unique<NameList>();
  const std::string longName(300, 'n');
  AppendName(*list, longName.c_str());
  EXPECT_EQ(std::string(NameAt(*list, 0)), longName.substr(0, kNameTextSize - 1));
  // A long name is found by its cut form, as the dialogs hold it.
  EXPECT_EQ(FindName(*list, longName.substr(0, kNameTextSize - 1).c_str()), 0);
}

TEST(NameList, RefusesMoreThanTheLibraryCanHold) {
  auto list = std::make_unique<NameList>();
  for (int i = 0; i < kMaxPrograms; ++i) ASSERT_EQ(AppendName(*list, "p"), 1);
  EXPECT_EQ(AppendName(*list, "one too many"), 0);
  EXPECT_EQ(list->count, kMaxPrograms);
}

}  // namespace
