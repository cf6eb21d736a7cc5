#include <gtest/gtest.h>

#include "script/script.h"

namespace {

struct GrowCase {
  int32_t startCapacity;  // reached by growing with index startCapacity - 1
  int32_t index;
  int32_t capacity;
  int32_t size;
};

TEST(GrowArray, GrowsByItsRule) {
  const GrowCase cases[] = {
      {0, 0, 20, 1},        // first element
      {0, 19, 20, 20},      // still below 20
      {20, 20, 42, 21},     // twice plus two
      {42, 100, 101, 101},  // far beyond twice: exactly enough
      {20, 39, 42, 40},     // just below twice the capacity
      {20, 40, 41, 41},     // twice the capacity: exactly enough
  };
  for (const GrowCase& c : cases) {
    GrowArray<double> array;
    if (c.startCapacity > 0) {
      // Build the starting capacity through the rule itself.
      array.SetAtGrow(0);
      if (c.startCapacity == 42) array.SetAtGrow(20);
    }
    ASSERT_EQ(array.capacity, c.startCapacity);
    double* element = array.SetAtGrow(c.index);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(array.capacity, c.capacity) << "index " << c.index;
    EXPECT_EQ(element, &array.data[c.index]);
  }
}

TEST(GrowArray, KeepsElementsAndSizeWhenGrowing) {
  GrowArray<double> array;
  for (int32_t i = 0; i < 50; ++i) *array.SetAtGrow(i) = i * 1.5;
  EXPECT_EQ(array.size, 50);
  for (int32_t i = 0; i < 50; ++i) EXPECT_EQ(array.data[i], i * 1.5);
  // An index inside the capacity but beyond the size extends the size only.
  int32_t capacity = array.capacity;
  array.SetAtGrow(capacity - 1);
  EXPECT_EQ(array.size, capacity);
  EXPECT_EQ(array.capacity, capacity);
}

TEST(GrowArray, RefusesNegativeIndex) {
  GrowArray<double> array;
  array.SetAtGrow(3);
  EXPECT_EQ(array.SetAtGrow(-1), nullptr);
  EXPECT_EQ(array.size, 4);
  EXPECT_EQ(array.capacity, 20);
}

TEST(GrowArray, NewInstructionsAreConstants) {
  GrowArray<Instruction> code;
  code.Allocate(5);
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(code.data[i].kind, KIND_CONST);
  code.Release();
  code.SetAtGrow(30);
  for (int32_t i = 0; i < code.capacity; ++i) EXPECT_EQ(code.data[i].kind, KIND_CONST);
}

TEST(GrowArray, AllocateZeroLeavesItEmpty) {
  GrowArray<double*> array;
  array.Allocate(0);
  EXPECT_EQ(array.data, nullptr);
  EXPECT_EQ(array.size, 0);
  EXPECT_EQ(array.capacity, 0);
}

TEST(GrowArray, ResizeKeepsEntriesAndCapacity) {
  GrowArray<double> array;
  array.Resize(200);
  array.data[199] = 7.0;
  array.Resize(500);  // grows: entries kept
  EXPECT_EQ(array.size, 500);
  EXPECT_EQ(array.data[199], 7.0);
  array.Resize(100);  // shrinks: storage kept
  EXPECT_EQ(array.size, 100);
  EXPECT_EQ(array.capacity, 500);
  EXPECT_EQ(array.Resize(-1), 0);
  EXPECT_EQ(array.size, 100);
}

TEST(GrowArray, HugeIndexFailsCleanly) {
  GrowArray<Instruction> code;
  code.SetAtGrow(0);
  // The rule would ask for 2^31 records; the array refuses beyond its limit
  // instead of attempting the allocation.
  EXPECT_EQ(code.SetAtGrow(INT32_MAX), nullptr);
  EXPECT_EQ(code.size, 1);
  EXPECT_EQ(code.capacity, 20);
}

}  // namespace
