#include <gtest/gtest.h>

#include <string>

#include "core/value_list.h"
#include "library/library.h"

namespace {

// One expected key, or a section order check, after parsing.
struct ParseCase {
  const char* name;
  const char* text;
  int result;
  const char* section;  // null: the root
  const char* key;
  const char* value;  // null: expected missing
};

TEST(KeyValueParse, ReadsKeysSectionsAndStops) {
  const ParseCase cases[] = {
      {"empty text", "", 0, nullptr, "a", nullptr},
      {"root key", "a=1\n", 0, nullptr, "a", "1"},
      {"root key before header", "a=1\n[s]\nb=2\n", 0, nullptr, "a", "1"},
      {"key in section", "a=1\n[s]\nb=2\n", 0, "s", "b", "2"},
      {"section key not at root", "[s]\nb=2\n", 0, nullptr, "b", nullptr},
      {"spaces belong to the key", "[s]\n k = v \n", 0, "s", " k ", " v "},
      {"value cut at CR", "[s]\nk=v\r\n", 0, "s", "k", "v"},
      {"value cut at lone CR", "[s]\nk=ab\rcd\n", 0, "s", "k", "ab"},
      {"escaped break", "[s]\nk=a\\nb\n", 0, "s", "k", "a\r\nb"},
      {"only first = splits", "[s]\nk=a=b\n", 0, "s", "k", "a=b"},
      {"empty value", "[s]\nk=\n", 0, "s", "k", ""},
      {"stray ] in header", "[a]b]\nk=1\n", 0, "ab", "k", "1"},
      {"stray [ in header", "[a[b]\nk=1\n", 0, "ab", "k", "1"},
      {"header keeps blanks", "[a b]\nk=1\n", 0, "a b", "k", "1"},
      {"CR LF header", "[s]\r\nk=1\r\n", 0, "s", "k", "1"},
      {"no final line break", "[s]\nk=last", 0, "s", "k", "last"},
      {"bad line keeps earlier keys", "[s]\nk=1\nbad\nj=2\n", 3, "s", "k", "1"},
      {"bad line drops later keys", "[s]\nk=1\nbad\nj=2\n", 3, "s", "j", nullptr},
      {"= first stops", "[s]\n=v\n", 2, "s", "=v", nullptr},
      {"empty lines not counted", "\n\n[s]\n\n\nbad\n", 2, "s", "k", nullptr},
      {"lone CR lines counted", "[s]\r\n\r\n\r\nbad\r\n", 4, "s", "k", nullptr},
      {"header with = is a key", "[a=b]\n", 0, nullptr, "[a", "b]"},
  };
  for (const ParseCase& c : cases) {
    KeyValueDocument document;
    EXPECT_EQ(document.Parse(c.text), c.result) << c.name;
    const char* value = document.Get(c.key, c.section);
    if (c.value == nullptr) {
      EXPECT_EQ(value, nullptr) << c.name;
    } else {
      ASSERT_NE(value, nullptr) << c.name;
      EXPECT_STREQ(value, c.value) << c.name;
    }
  }
}

// A NUL byte would cut a name or value short (a key line starting with one
// read as an empty key, written back as "=value", which no reader accepts):
// such a line is malformed, and reading stops there.
TEST(KeyValueParse, LineHoldingANulByteStopsReading) {
  struct Case {
    std::string text;
    int stoppedAt;
  } cases[] = {
      {std::string("\0note=hand edited\r\n[Prog000]\r\nGroup=Deform\r\n", 44), 1},
      {std::string("[Prog000]\nGroup=De\0form\nName=x\n", 31), 2},
      {std::string("[Prog\0]\nGroup=x\n", 16), 1},
      {std::string("[Prog000]\nGroup=x\n\0\n", 20), 3},
  };
  for (const Case& c : cases) {
    KeyValueDocument document;
    EXPECT_EQ(document.Parse(c.text.data(), c.text.size()), c.stoppedAt);
    EXPECT_EQ(document.Get(""), nullptr);
  }
}

TEST(KeyValueParse, RepeatedHeaderMergesIntoTheFirstSection) {
  KeyValueDocument document;
  EXPECT_EQ(document.Parse("[a]\nx=1\ny=2\n[b]\nz=3\n[a]\nw=4\nx=5\n"), 0);
  const ValueList& root = document.root();
  ASSERT_EQ(root.count(), 2);
  EXPECT_STREQ(root.NameAt(0), "a");
  EXPECT_STREQ(root.NameAt(1), "b");
  ValueList* a = nullptr;
  ASSERT_TRUE(root.GetList("a", &a));
  // The repeated key keeps its first position with the last value.
  ASSERT_EQ(a->count(), 3);
  EXPECT_STREQ(a->NameAt(0), "x");
  EXPECT_STREQ(a->NameAt(1), "y");
  EXPECT_STREQ(a->NameAt(2), "w");
  EXPECT_STREQ(document.Get("x", "a"), "5");
}

TEST(KeyValueParse, EmptiesTheDocumentFirst) {
  KeyValueDocument document;
  document.Set("old", "1", "s");
  EXPECT_EQ(document.Parse("[t]\nk=1\n"), 0);
  EXPECT_EQ(document.Get("old", "s"), nullptr);
  EXPECT_EQ(document.root().count(), 1);
  EXPECT_EQ(document.Parse(""), 0);
  EXPECT_EQ(document.root().count(), 0);
}

TEST(KeyValueParse, HeaderAloneCreatesAnEmptySection) {
  KeyValueDocument document;
  EXPECT_EQ(document.Parse("[s]\n"), 0);
  ValueList* section = nullptr;
  ASSERT_TRUE(document.root().GetList("s", &section));
  EXPECT_EQ(section->count(), 0);
}

TEST(KeyValueParse, LongValueLineIsReadWhole) {
  std::string value(5000, 'v');
  std::string text = "[s]\nk=" + value + "\nnext=1\n";
  KeyValueDocument document;
  EXPECT_EQ(document.Parse(text.c_str()), 0);
  ASSERT_NE(document.Get("k", "s"), nullptr);
  EXPECT_EQ(std::string(document.Get("k", "s")), value);
  EXPECT_STREQ(document.Get("next", "s"), "1");
}

TEST(KeyValueParse, LengthBoundedTextNeedsNoTerminator) {
  const char text[] = {'[', 's', ']', '\n', 'k', '=', 'a', 'b', 'X', 'X'};
  KeyValueDocument document;
  EXPECT_EQ(document.Parse(text, 8), 0);
  EXPECT_STREQ(document.Get("k", "s"), "ab");
}

TEST(KeyValueParse, CrLfAndLfTextsReadAlike) {
  KeyValueDocument lf;
  KeyValueDocument crlf;
  EXPECT_EQ(lf.Parse("a=1\n[s]\nk=x\\ny\n"), 0);
  EXPECT_EQ(crlf.Parse("a=1\r\n[s]\r\nk=x\\ny\r\n"), 0);
  EXPECT_STREQ(lf.Get("a"), crlf.Get("a"));
  EXPECT_STREQ(lf.Get("k", "s"), crlf.Get("k", "s"));
}

}  // namespace
