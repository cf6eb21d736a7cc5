#include "core/value_list.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

TEST(ValueList, EmptyListAnswersAbsence) {
  ValueList list;
  EXPECT_EQ(list.IndexOf("x"), -1);
  EXPECT_EQ(list.NameAt(0), nullptr);
  EXPECT_EQ(list.ValueAt(0), nullptr);
  EXPECT_EQ(list.TypeOf("x", 0), 0);
  EXPECT_EQ(list.TypeOf("x", -1), 0);
  list.Remove("x");
  list.Clear();
  EXPECT_EQ(list.count(), 0);
}

TEST(ValueList, StoreOfExistingNameReplacesInPlace) {
  ValueList list;
  list.SetNumber("a", 1);
  list.SetNumber("b", 2);
  list.SetNumber("c", 3);
  list.SetNumber("b", 20);
  EXPECT_EQ(list.count(), 3);
  EXPECT_EQ(list.IndexOf("b"), 1);
  EXPECT_STREQ(list.NameAt(2), "c");
  double value = 0;
  EXPECT_EQ(list.GetNumber("b", &value), 1);
  EXPECT_EQ(value, 20);
}

TEST(ValueList, ChangingTypeReleasesOldValue) {
  ValueList nested;
  nested.SetString("k", "v");
  ValueList list;
  list.SetList("s", nested);
  EXPECT_EQ(list.TypeOf("s", 0), kList);
  list.SetString("s", "text");
  EXPECT_EQ(list.TypeOf("s", 0), kString);
  list.SetList("s", nested);
  EXPECT_EQ(list.TypeOf("s", 0), kList);
  list.SetInteger("s", 7);
  EXPECT_EQ(*static_cast<int32_t*>(list.FindValue("s")), 7);
}

TEST(ValueList, TypedReadsReportWrongTypes) {
  ValueList list;
  list.SetString("s", "text");
  list.SetNumber("n", 2.5);
  double number = 9;
  EXPECT_EQ(list.GetNumber("s", &number), 0);
  EXPECT_EQ(number, 0.0);
  const char* text = "unchanged";
  EXPECT_EQ(list.GetString("n", &text), 0);
  EXPECT_EQ(text, nullptr);
  ValueList marker;
  ValueList* out = &marker;
  EXPECT_EQ(list.GetList("s", &out), 0);
  EXPECT_EQ(out, &marker) << "a name of another type leaves the output alone";
  EXPECT_EQ(list.GetList("absent", &out), 0);
  EXPECT_EQ(out, nullptr);
}

TEST(ValueList, TypeOfFallsBackToIndex) {
  ValueList list;
  list.SetString("a", "1");
  list.SetNumber("b", 2);
  EXPECT_EQ(list.TypeOf("absent", 0), kString);
  EXPECT_EQ(list.TypeOf("absent", -1), kNumber);
  EXPECT_EQ(list.TypeOf("absent", 5), 0);
}

TEST(ValueList, NumberCellKeepsItsAddressWhileListGrows) {
  ValueList list;
  list.SetNumber("x", 1);
  double* cell = static_cast<double*>(list.FindValue("x"));
  for (int i = 0; i < 1000; ++i) list.SetNumber(("v" + std::to_string(i)).c_str(), i);
  EXPECT_EQ(cell, list.FindValue("x"));
  list.SetNumber("x", 42);
  EXPECT_EQ(*cell, 42);
  list.Remove("v3");
  EXPECT_EQ(cell, list.ValueAt(0));
}

TEST(ValueList, NamesAreCaseSensitive) {
  ValueList list;
  list.SetNumber("R", 1);
  list.SetNumber("r", 2);
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(list.IndexOf("r"), 1);
}

TEST(ValueList, CopyFromMakesIndependentDeepCopies) {
  ValueList inner;
  inner.SetString("key", "value");
  ValueList outer;
  outer.SetList("section", inner);
  outer.SetString("root", "r");
  outer.SetInteger("i", 3);
  ValueList copy;
  copy.SetNumber("stale", 1);
  copy.CopyFrom(outer);
  EXPECT_EQ(copy.count(), 3);
  EXPECT_EQ(copy.IndexOf("stale"), -1);
  ValueList* copied = nullptr;
  ASSERT_EQ(copy.GetList("section", &copied), 1);
  copied->SetString("key", "changed");
  ValueList* original = nullptr;
  ASSERT_EQ(outer.GetList("section", &original), 1);
  const char* text = nullptr;
  original->GetString("key", &text);
  EXPECT_STREQ(text, "value");
  EXPECT_NE(copy.FindValue("root"), outer.FindValue("root"));
}

TEST(ValueList, SetListAndSetStringAcceptTheirOwnStoredValues) {
  ValueList list;
  list.SetString("s", "self");
  list.SetString("s", static_cast<const char*>(list.FindValue("s")));
  const char* text = nullptr;
  list.GetString("s", &text);
  EXPECT_STREQ(text, "self");
  ValueList inner;
  inner.SetNumber("n", 1);
  list.SetList("l", inner);
  ValueList* stored = nullptr;
  list.GetList("l", &stored);
  list.SetList("l", *stored);
  list.GetList("l", &stored);
  EXPECT_EQ(stored->IndexOf("n"), 0);
}

TEST(ValueList, RemoveClosesTheGapAndKeepsAppending) {
  ValueList list;
  list.SetNumber("a", 1);
  list.SetNumber("b", 2);
  list.SetNumber("c", 3);
  list.Remove("c");
  list.Remove("a");
  list.SetNumber("d", 4);
  EXPECT_EQ(list.count(), 2);
  EXPECT_STREQ(list.NameAt(0), "b");
  EXPECT_STREQ(list.NameAt(1), "d");
}

TEST(ValueList, LongNamesAreSignificantTo255Characters) {
  ValueList list;
  std::string name(300, 'n');
  list.SetNumber(name.c_str(), 1);
  EXPECT_EQ(std::string(list.NameAt(0)).size(), 255u);
  EXPECT_EQ(list.IndexOf(name.c_str()), 0);
  std::string other = std::string(255, 'n') + "different tail";
  list.SetNumber(other.c_str(), 2);
  EXPECT_EQ(list.count(), 1) << "names equal in their first 255 characters are one entry";
}

// The indexed list against a plain model (a vector of name and value pairs)
// under a random mix of stores, removals and reads in random order, so that
// the name index and the walking cursor never disagree with the list itself.
TEST(ValueList, AgreesWithAPlainModelUnderRandomEdits) {
  std::mt19937 random(7);
  ValueList list;
  std::vector<std::pair<std::string, double>> model;
  auto modelIndex = [&](const std::string& name) {
    for (size_t i = 0; i < model.size(); ++i) {
      if (model[i].first == name) return static_cast<int>(i);
    }
    return -1;
  };
  for (int step = 0; step < 4000; ++step) {
    const std::string name = "n" + std::to_string(random() % 40);
    const int found = modelIndex(name);
    switch (random() % 4) {
      case 0:
      case 1:
        list.SetNumber(name.c_str(), step);
        if (found < 0) model.emplace_back(name, step);
        if (found >= 0) model[found].second = step;
        break;
      case 2:
        list.Remove(name.c_str());
        if (found >= 0) model.erase(model.begin() + found);
        break;
      default: {
        const int index = static_cast<int>(random() % (model.size() + 2));
        const char* listName = list.NameAt(index);
        if (index < static_cast<int>(model.size())) {
          ASSERT_NE(listName, nullptr);
          EXPECT_EQ(listName, model[index].first);
          EXPECT_EQ(*static_cast<double*>(list.ValueAt(index)), model[index].second);
        } else {
          EXPECT_EQ(listName, nullptr);
        }
      }
    }
    ASSERT_EQ(list.count(), static_cast<int>(model.size()));
    ASSERT_EQ(list.IndexOf(name.c_str()), modelIndex(name));
  }
}
