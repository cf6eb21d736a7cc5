#include <gtest/gtest.h>

#include "core/value_list.h"
#include "library/library.h"

namespace {

TEST(KeyValueAccess, SetAppendsSectionsAndReplacesInPlace) {
  KeyValueDocument document;
  document.Set("k1", "a", "s");
  document.Set("r", "root");
  document.Set("k2", "b", "s");
  document.Set("k1", "c", "s");
  const ValueList& root = document.root();
  ASSERT_EQ(root.count(), 2);
  EXPECT_STREQ(root.NameAt(0), "s");
  EXPECT_STREQ(root.NameAt(1), "r");
  EXPECT_STREQ(document.Get("k1", "s"), "c");
  EXPECT_STREQ(document.Get("r"), "root");
  EXPECT_EQ(document.Get("r", "s"), nullptr);
  EXPECT_EQ(document.Get("k1"), nullptr);
  EXPECT_EQ(document.Get("k1", "missing"), nullptr);
}

TEST(KeyValueAccess, SectionsAreNotTextValues) {
  KeyValueDocument document;
  document.Set("k", "v", "s");
  EXPECT_EQ(document.Get("s"), nullptr);
}

TEST(KeyValueAccess, RemoveDropsEmptiedSections) {
  KeyValueDocument document;
  document.Set("a", "1", "s");
  document.Set("b", "2", "s");
  EXPECT_EQ(document.Remove("a", "s"), 1);
  EXPECT_EQ(document.root().count(), 1);
  EXPECT_EQ(document.Remove("b", "s"), 1);
  EXPECT_EQ(document.root().count(), 0);
  EXPECT_EQ(document.Remove("b", "s"), 1);  // missing section is no error
  document.Set("r", "1");
  EXPECT_EQ(document.Remove("r"), 1);
  EXPECT_EQ(document.Get("r"), nullptr);
}

TEST(KeyValueAccess, CopyValueIsBoundedAndReportsTheFullLength) {
  KeyValueDocument document;
  document.Set("k", "abcdef", "s");
  char small[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(document.CopyValue("k", "s", small, sizeof small), 6);
  EXPECT_STREQ(small, "abc");
  char room[16];
  EXPECT_EQ(document.CopyValue("k", "s", room, sizeof room), 6);
  EXPECT_STREQ(room, "abcdef");
  EXPECT_EQ(document.CopyValue("nope", "s", room, sizeof room), -1);
  EXPECT_STREQ(room, "");
}

}  // namespace
