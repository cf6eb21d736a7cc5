#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "script/script.h"
#include "transform/transform.h"

namespace {

// Records the row updates the main dialog would make.
class RecordingRows : public ParamRowView {
 public:
  void ResetRow(int32_t row) override { resets.push_back(row); }
  void ShowRow(int32_t row, const ParamSlot& slot, int32_t sliderPosition) override {
    shown.push_back(row);
    shownValues.push_back(slot.value);
    positions.push_back(sliderPosition);
  }
  std::vector<int32_t> resets;
  std::vector<int32_t> shown;
  std::vector<std::string> shownValues;
  std::vector<int32_t> positions;
};

class Declarations : public ::testing::Test {
 protected:
  int32_t Parse(const char* initText, DeclarationMode mode = kDeclareDefaults) {
    return ParseParamDeclarations(engine, initText, {slots, &paramCount}, mode, &rows);
  }

  ScriptEngine engine;
  ParamSlot slots[kParamSlotCount] = {};
  int32_t paramCount = -7;
  RecordingRows rows;
};

std::string Declarations12(int count) {
  std::string text = "coord=0;\r\n";
  for (int i = 0; i < count; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "?p%d,Message %d,0,%d,%d;\r\n", i, i, 10 * i, i);
    text += line;
  }
  return text;
}

TEST_F(Declarations, ReadsOneDeclaration) {
  ASSERT_EQ(Parse("coord=2;\r\n?param,message,0,100,50;\r\nx=x+param;\r\n"), 1);
  EXPECT_STREQ(slots[0].name, "param");
  EXPECT_STREQ(slots[0].message, "message");
  EXPECT_EQ(slots[0].minimum, 0);
  EXPECT_EQ(slots[0].maximum, 100);
  EXPECT_STREQ(slots[0].value, "50");
  EXPECT_EQ(paramCount, 1);
  EXPECT_EQ(rows.resets.size(), 12u);
  EXPECT_EQ(rows.shown, std::vector<int32_t>{0});
  EXPECT_EQ(rows.positions, std::vector<int32_t>{50});
}

TEST_F(Declarations, FieldsAreTakenAsTheyStand) {
  struct Case {
    const char* line;
    const char* name;
    const char* message;
    int32_t minimum, maximum;
    const char* value;
  } cases[] = {
      {"?p,m,0,10,x,y;\r\n", "p", "m", 0, 10, "x,y"},
      {"?p,m,0,xs*10,5;\r\n", "p", "m", 0, 100, "5"},
      {"?p,m,-2.9,2.9,0;\r\n", "p", "m", -2, 2, "0"},
      {"? p , a message ,1,2, 3 ;\r\n", " p ", " a message ", 1, 2, " 3 "},
      {"?p,m,0,10,7;X", "p", "m", 0, 10, "7"},   // the last character is dropped whatever it is
      {"?p,m,(,),1;\r\n", "p", "m", 0, 0, "1"},  // ranges that do not compile read 0
      // A comment may follow the ";"; "//" elsewhere is taken as it stands.
      {"?p,m,0,10,7; // seven\r\n", "p", "m", 0, 10, "7"},
      {"?p,m,0,10,7;/* seven */ \r\n", "p", "m", 0, 10, "7"},
      {"?p,see http://x,0,10,\"a//b\";\r\n", "p", "see http://x", 0, 10, "\"a//b\""},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Parse(c.line), 1) << c.line;
    EXPECT_STREQ(slots[0].name, c.name) << c.line;
    EXPECT_STREQ(slots[0].message, c.message) << c.line;
    EXPECT_EQ(slots[0].minimum, c.minimum) << c.line;
    EXPECT_EQ(slots[0].maximum, c.maximum) << c.line;
    EXPECT_STREQ(slots[0].value, c.value) << c.line;
  }
}

TEST_F(Declarations, MalformedDeclarationsFail) {
  const std::string longName(kNameTextSize, 'n');
  const std::string longDefault(kNameTextSize, '1');
  const std::string longMessageLine = "?p," + std::string(kNameTextSize, 'm') + ",0,1,2;\r\n";
  const std::string longNameLine = "?" + longName + ",m,0,1,2;\r\n";
  const std::string longDefaultLine = "?p,m,0,1," + longDefault + ";\r\n";
  const std::string overlongLine = "?p,m,0,1," + std::string(250, '1') + ";\r\n";
  const char* cases[] = {
      "?param,message,0,100,50;",    // last line without CR LF
      "?param,message,0,100,50;\n",  // LF only: the ";" is the last character
      "?param,message,0,100,50; \r\n",
      "?param,message,0,100,50; /* open\r\n",
      "?,m,0,1,2;\r\n",
      "?p,,0,1,2;\r\n",
      "?p,m,,1,2;\r\n",
      "?p,m,0,,2;\r\n",
      "?p,m,0,1,;\r\n",
      "?p,m,0,1\r\n",
      "?p\r\n",
      "?\r\n",
      longNameLine.c_str(),
      longMessageLine.c_str(),
      longDefaultLine.c_str(),
      overlongLine.c_str(),
  };
  for (const char* text : cases) {
    paramCount = 3;
    rows = RecordingRows();
    EXPECT_EQ(Parse(text), 0) << text;
    EXPECT_EQ(paramCount, 3) << text;
    EXPECT_EQ(rows.resets.size(), 12u) << text;
    EXPECT_TRUE(rows.shown.empty()) << text;
  }
}

TEST_F(Declarations, OnlyLinesStartingWithTheMarkAreDeclarations) {
  ASSERT_EQ(Parse(" ?p,m,0,1,2;\r\nx=1;\r\n\r\n\n"), 1);
  EXPECT_EQ(paramCount, 0);
  EXPECT_STREQ(slots[0].name, "");
}

TEST_F(Declarations, RemainderOfALongLineIsNotADeclaration) {
  std::string text = std::string(kDeclarationLineMax, 'a') + "?p,m,0,1,2;\r\n?q,m,0,1,2;\r\n";
  ASSERT_EQ(Parse(text.c_str()), 1);
  EXPECT_EQ(paramCount, 1);
  EXPECT_STREQ(slots[0].name, "q");
}

TEST_F(Declarations, TwelveSucceedThirteenFail) {
  ASSERT_EQ(Parse(Declarations12(12).c_str()), 1);
  EXPECT_EQ(paramCount, 12);
  EXPECT_STREQ(slots[11].name, "p11");
  EXPECT_EQ(slots[11].maximum, 110);
  EXPECT_EQ(rows.shown.size(), 12u);

  rows = RecordingRows();
  EXPECT_EQ(Parse(Declarations12(13).c_str()), 0);
  EXPECT_EQ(paramCount, 12);  // kept from the last good parse
  EXPECT_STREQ(slots[11].name, "p11");
  EXPECT_TRUE(rows.shown.empty());
}

TEST_F(Declarations, EarlierSlotsKeepWhatAFailedParseGaveThem) {
  EXPECT_EQ(Parse("?a,A,0,9,1;\r\n?b,B,0,9\r\n"), 0);
  EXPECT_STREQ(slots[0].name, "a");
  EXPECT_STREQ(slots[0].value, "1");
  EXPECT_STREQ(slots[1].name, "");
}

TEST_F(Declarations, ModesDecideWhoseValueTextsWin) {
  const char* text = "?a,A,0,100,10;\r\n?b,B,0,100,20;\r\n";
  std::snprintf(slots[0].value, sizeof slots[0].value, "77");
  std::snprintf(slots[5].name, sizeof slots[5].name, "stale");
  ASSERT_EQ(Parse(text, kDeclareKeepValues), 1);
  EXPECT_STREQ(slots[0].value, "77");
  EXPECT_STREQ(slots[1].value, "20");  // was empty, takes its default
  EXPECT_STREQ(slots[5].name, "");     // reset
  EXPECT_EQ(rows.positions, (std::vector<int32_t>{77, 20}));

  ASSERT_EQ(Parse(text, kDeclareDefaults), 1);
  EXPECT_STREQ(slots[0].value, "10");
  EXPECT_STREQ(slots[1].value, "20");
}

TEST_F(Declarations, CheckOnlyLeavesRowsCountAndLaterSlots) {
  std::snprintf(slots[0].value, sizeof slots[0].value, "77");
  std::snprintf(slots[3].name, sizeof slots[3].name, "later");
  paramCount = 5;
  ASSERT_EQ(Parse("?a,A,0,100,10;\r\n", kDeclareCheckOnly), 1);
  EXPECT_STREQ(slots[0].value, "10");
  EXPECT_STREQ(slots[0].name, "a");
  EXPECT_STREQ(slots[3].name, "later");
  EXPECT_EQ(paramCount, 5);
  EXPECT_TRUE(rows.resets.empty());
  EXPECT_TRUE(rows.shown.empty());
}

TEST_F(Declarations, SliderPositionIsTheEvaluatedValueText) {
  ASSERT_EQ(Parse("?a,A,0,100,2.9;\r\n?b,B,0,100,xs*3;\r\n?c,C,0,100,1,2;\r\n"), 1);
  EXPECT_EQ(rows.positions, (std::vector<int32_t>{2, 30, 2}));
  EXPECT_EQ(rows.shownValues, (std::vector<std::string>{"2.9", "xs*3", "1,2"}));
}

TEST_F(Declarations, WorksWithoutAViewOrCount) {
  ParamTable table{slots, nullptr};
  EXPECT_EQ(ParseParamDeclarations(engine, "?a,A,0,1,1;\r\n", table, kDeclareDefaults, nullptr), 1);
  EXPECT_STREQ(slots[0].name, "a");
  EXPECT_EQ(ParseParamDeclarations(engine, nullptr, table, kDeclareDefaults, nullptr), 1);
  EXPECT_EQ(ParseParamDeclarations(engine, "x", {nullptr, nullptr}, kDeclareDefaults, nullptr), 0);
}

}  // namespace
