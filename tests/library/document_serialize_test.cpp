#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/library.h"

namespace {

std::string SerializeToString(const KeyValueDocument& document) {
  std::vector<char> buffer(document.SerializedLength() + 1);
  long length = document.Serialize(buffer.data(), buffer.size());
  EXPECT_EQ(length, static_cast<long>(document.SerializedLength()));
  return std::string(buffer.data());
}

TEST(KeyValueSerialize, WritesRootKeysSectionsAndCrLf) {
  KeyValueDocument document;
  document.Set("top", "1");
  document.Set("Group", "Deform", "Prog000");
  document.Set("Name", "Sample", "Prog000");
  EXPECT_EQ(SerializeToString(document), "top=1\r\n[Prog000]\r\nGroup=Deform\r\nName=Sample\r\n");
  KeyValueDocument empty;
  EXPECT_EQ(SerializeToString(empty), "");
}

TEST(KeyValueSerialize, RootKeysSetAfterASectionStayAtTheRoot) {
  KeyValueDocument document;
  document.Set("Group", "g", "Prog000");
  document.Set("top", "1");
  EXPECT_EQ(SerializeToString(document), "top=1\r\n[Prog000]\r\nGroup=g\r\n");
  KeyValueDocument reread;
  EXPECT_EQ(reread.Parse(SerializeToString(document).c_str()), 0);
  EXPECT_STREQ(reread.Get("top"), "1");
  EXPECT_EQ(reread.Get("top", "Prog000"), nullptr);
}

struct RoundTripCase {
  const char* stored;
  const char* readBack;
};

TEST(KeyValueSerialize, MultiLineValuesRoundTrip) {
  const RoundTripCase cases[] = {
      {"coord=2;\r\n?param,message,0,100,50;\r\n", "coord=2;\r\n?param,message,0,100,50;\r\n"},
      {"a\nb", "a\r\nb"},  // a lone LF reads back as CR LF
      {"a\rb", "a\r\nb"},  // a lone CR is a line break too
      {"\r\n\r\n", "\r\n\r\n"},
      {"", ""},
      {"c:\\\r\nnew", "c:\\\r\nnew"},  // a backslash before a break stays a backslash
  };
  for (const RoundTripCase& c : cases) {
    KeyValueDocument document;
    document.Set("Init", c.stored, "Prog000");
    KeyValueDocument reread;
    EXPECT_EQ(reread.Parse(SerializeToString(document).c_str()), 0);
    ASSERT_NE(reread.Get("Init", "Prog000"), nullptr);
    EXPECT_STREQ(reread.Get("Init", "Prog000"), c.readBack);
  }
}

TEST(KeyValueSerialize, EscapedBreakTakesTwoCharacters) {
  KeyValueDocument document;
  document.Set("k", "x\r\ny", "s");
  EXPECT_EQ(SerializeToString(document), "[s]\r\nk=x\\ny\r\n");
}

TEST(KeyValueSerialize, RefusesABufferTooSmallInsteadOfCutting) {
  KeyValueDocument document;
  document.Set("k", "value", "s");
  size_t length = document.SerializedLength();
  std::vector<char> buffer(length, 'x');  // one byte short for the NUL
  EXPECT_EQ(document.Serialize(buffer.data(), buffer.size()), -1);
  EXPECT_EQ(buffer[0], '\0');
  buffer.resize(length + 1);
  EXPECT_EQ(document.Serialize(buffer.data(), buffer.size()), static_cast<long>(length));
  EXPECT_EQ(document.Serialize(nullptr, 0), -1);
}

// What would read back changed is never written: Serialize refuses the
// document and FindUnstorable says where.
TEST(KeyValueSerialize, RefusesNamesAndValuesThatWouldReadBackChanged) {
  struct Case {
    const char* section;
    const char* key;
    const char* value;
    bool named;  // FindUnstorable names the key (else the section)
  } cases[] = {
      {"Prog000", "Prog", "LoadBmp(\"sub\\new\",0);", true},
      {nullptr, "k", "\\n", true},
      {"s", "a=b", "v", true},
      {"s", "", "v", true},
      {"s", "a\nb", "v", true},
      {"a]b", "k", "v", false},
      {"a=b", "k", "v", false},
  };
  for (const Case& c : cases) {
    KeyValueDocument document;
    document.Set("fine", "1", "first");
    document.Set(c.key, c.value, c.section);
    std::vector<char> buffer(document.SerializedLength() + 1, 'x');
    EXPECT_EQ(document.Serialize(buffer.data(), buffer.size()), -1) << c.key;
    EXPECT_EQ(buffer[0], '\0');
    const char* section = nullptr;
    const char* key = nullptr;
    ASSERT_EQ(document.FindUnstorable(&section, &key), 1) << c.key;
    EXPECT_STREQ(section, c.section);
    if (c.named) {
      EXPECT_STREQ(key, c.key);
    } else {
      EXPECT_EQ(key, nullptr);
    }
  }
}

}  // namespace
