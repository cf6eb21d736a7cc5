#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "script/script.h"

namespace {

TEST(BuiltinTable, HasFortyNineRowsAndAClosingRow) {
  int32_t rows = 0;
  while (BuiltinTable[rows].name != nullptr) ++rows;
  EXPECT_EQ(rows, 49);
  EXPECT_EQ(BuiltinTable[49].code, 0);
  EXPECT_EQ(BuiltinTable[49].argCount, 0);
  EXPECT_EQ(BuiltinTable[49].stackArgs, 0);
}

struct RowCase {
  int32_t row;
  const char* name;
  int32_t code;
  int32_t argCount;
};

TEST(BuiltinTable, RowsInLookUpOrder) {
  const RowCase cases[] = {
      {0, "sin", 0x73, 1},          {5, "pow", 0x70, 2},      {10, "int", 0x69, 1},
      {13, "atan2", 0x174, 2},      {17, "exit", 0x71, 1},    {18, "get", 0x50, 2},
      {19, "_get", 0x250, 2},       {22, "getb", 0x450, 3},   {23, "R", 0x32, 2},
      {30, "_T", 0x38, 2},          {32, "RGB", 0x148, 3},    {33, "SetMatrix3", 0x5A, 11},
      {34, "SetMatrix5", 0x59, 27}, {35, "LoadBmp", 0x49, 2}, {36, "LoadBmpNum", 0x4A, 3},
      {38, "_Conv", 0x5F78, 3},     {46, "xs", 0x7873, 1},    {47, "ys", 0x7973, 1},
      {48, "clean", 0x43, 1},
  };
  for (const RowCase& c : cases) {
    const BuiltinEntry& row = BuiltinTable[c.row];
    EXPECT_STREQ(row.name, c.name);
    EXPECT_EQ(row.code, c.code) << c.name;
    EXPECT_EQ(row.argCount, c.argCount) << c.name;
  }
}

TEST(BuiltinTable, StringArgumentsTakeNoStackEntry) {
  for (const BuiltinEntry* row = BuiltinTable; row->name != nullptr; ++row) {
    bool loader = strcmp(row->name, "LoadBmp") == 0 || strcmp(row->name, "LoadBmpNum") == 0;
    EXPECT_EQ(row->stackArgs, row->argCount - (loader ? 1 : 0)) << row->name;
    // exit is carried out by the execution loop itself.
    EXPECT_EQ(row->handler == nullptr, row->code == OP_EXIT) << row->name;
  }
}

TEST(BuiltinTable, CodesAreDistinctFromEachOtherAndFromOperators) {
  const int32_t operatorCodes[] = {
      OP_END, OP_IF_TEST, OP_ELSE, OP_IF_END, OP_LOOP_START, OP_LOOP_TEST, OP_LOOP_END, OP_ADD,
      OP_SUB, OP_MUL,     OP_DIV,  OP_MOD,    OP_LT,         OP_GT,        OP_LE,       OP_GE,
      OP_EQ,  OP_NE,      OP_AND,  OP_OR,     OP_ASSIGN,     OP_NEG};
  std::set<int32_t> seen(std::begin(operatorCodes), std::end(operatorCodes));
  ASSERT_EQ(seen.size(), 22u);
  for (const BuiltinEntry* row = BuiltinTable; row->name != nullptr; ++row) {
    EXPECT_NE(row->code, 0) << row->name;
    EXPECT_TRUE(seen.insert(row->code).second) << row->name << " shares its code";
  }
}

TEST(BuiltinTable, FindByCodeReturnsTheRow) {
  for (const BuiltinEntry* row = BuiltinTable; row->name != nullptr; ++row)
    EXPECT_EQ(FindBuiltinByCode(row->code), row) << row->name;
  const int32_t notCalls[] = {0, -1, OP_ADD, OP_END, 0x7FFF, 0x8000, INT32_MAX, INT32_MIN};
  for (int32_t code : notCalls) EXPECT_EQ(FindBuiltinByCode(code), nullptr) << code;
}

}  // namespace
