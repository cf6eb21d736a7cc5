#include <gtest/gtest.h>

#include <cstring>

#include "script/script.h"
#include "script_helpers.h"

namespace {

TEST(BuiltinVariables, StartValuesForTheImageSize) {
  ScriptEngine engine;
  RgbtImage image(640, 480, 3);
  engine.InstallBuiltinVariables(image);
  const struct {
    const char* name;
    double value;
  } expected[] = {{"x", 0},        {"y", 0},     {"r", 0},    {"t", 0},        {"xs", 640},
                  {"ys", 480},     {"cx", 320},  {"cy", 240}, {"pi", 3.14159}, {"R", 0},
                  {"G", 0},        {"B", 0},     {"T", 255},  {"H", 0},        {"L", 0},
                  {"S", 0},        {"coord", 1}, {"loop", 1}, {"vTplane", 0},  {"vScale", 0},
                  {"keepImage", 0}};
  ASSERT_EQ(engine.variableTable.count(), 21);
  for (int32_t k = 0; k < 21; ++k) {
    EXPECT_STREQ(engine.variableTable.NameAt(k), expected[k].name);
    EXPECT_EQ(Variable(engine, expected[k].name), expected[k].value) << expected[k].name;
  }
}

TEST(BuiltinVariables, OddSizesGiveExactHalves) {
  ScriptEngine engine;
  RgbtImage image(5, 3, 1);
  engine.InstallBuiltinVariables(image);
  EXPECT_EQ(Variable(engine, "cx"), 2.5);
  EXPECT_EQ(Variable(engine, "cy"), 1.5);
}

TEST(BuiltinVariables, ReinstallKeepsCellsAndResetsValues) {
  ScriptEngine engine;
  RgbtImage small(10, 10, 3);
  RgbtImage large(100, 50, 3);
  engine.DefineVariable("mine", 7.0);
  engine.InstallBuiltinVariables(small);
  double* cx = engine.VariableCell("cx");
  ASSERT_EQ(engine.Compile("cx = 99; mine = mine + 1;", ProgramSlot::kInit).length, 25);
  EXPECT_EQ(engine.Run(ProgramSlot::kInit).status, RunOutcome::Status::kFinished);
  EXPECT_EQ(*cx, 99.0);
  engine.InstallBuiltinVariables(large);
  EXPECT_EQ(engine.VariableCell("cx"), cx);
  EXPECT_EQ(*cx, 50.0);
  EXPECT_EQ(Variable(engine, "mine"), 8.0);  // user variables are kept
  EXPECT_EQ(engine.variableTable.IndexOf("mine"), 0);
  EXPECT_EQ(engine.variableTable.count(), 22);
}

TEST(Variables, CaseMatters) {
  ScriptEngine engine;
  RgbtImage image(4, 4, 3);
  engine.InstallBuiltinVariables(image);
  EXPECT_NE(engine.VariableCell("r"), engine.VariableCell("R"));
  EXPECT_NE(engine.VariableCell("t"), engine.VariableCell("T"));
  EXPECT_EQ(Variable(engine, "T"), 255.0);
  EXPECT_EQ(Variable(engine, "t"), 0.0);
}

TEST(Variables, LookupOfAbsentNames) {
  ScriptEngine engine;
  EXPECT_EQ(engine.VariableCell("nothing"), nullptr);
  double value = 5.0;
  EXPECT_EQ(engine.LookupNumber("nothing", &value), 0);
  EXPECT_EQ(value, 0.0);
  engine.DefineVariable("some", 2.5);
  EXPECT_EQ(engine.LookupNumber("some", &value), 1);
  EXPECT_EQ(value, 2.5);
  EXPECT_EQ(*engine.VariableCell("some"), 2.5);
}

TEST(Variables, CompilingTwiceReusesCells) {
  ScriptEngine engine;
  ASSERT_GT(engine.Compile("alpha = beta + 1;", ProgramSlot::kInit).length, 0);
  ASSERT_GT(engine.Compile("alpha = beta + 1;", ProgramSlot::kTransform).length, 0);
  EXPECT_EQ(engine.variableTable.count(), 2);
  EXPECT_EQ(engine.programSlots[0].data[0].cell, engine.programSlots[1].data[0].cell);
  EXPECT_EQ(engine.programSlots[0].data[1].cell, engine.VariableCell("beta"));
}

TEST(Variables, FailedCompileStillCreatesNames) {
  ScriptEngine engine;
  EXPECT_EQ(engine.Compile("fresh = ;", ProgramSlot::kScratch).length, 0);
  EXPECT_NE(engine.VariableCell("fresh"), nullptr);
}

TEST(Variables, ValuesSurviveBetweenRuns) {
  ScriptEngine engine;
  ASSERT_GT(engine.Compile("n = n + 1;", ProgramSlot::kInit).length, 0);
  engine.Run(ProgramSlot::kInit);
  engine.Run(ProgramSlot::kInit);
  engine.Run(ProgramSlot::kInit);
  EXPECT_EQ(Variable(engine, "n"), 3.0);
}

TEST(BindRun, FillsBoundCellsAndImages) {
  ScriptEngine engine;
  RgbtImage srcRgb(4, 4, 3), srcT(4, 4, 1), dstRgb(4, 4, 3), dstT(4, 4, 1);
  engine.InstallBuiltinVariables(srcRgb);
  engine.BindRun(&srcRgb, &srcT, &dstRgb, &dstT);
  const char* names[] = {"cx", "cy", "R", "G", "B", "T", "H", "L", "S"};
  for (int32_t k = 0; k < kBoundCells; ++k) {
    EXPECT_NE(engine.boundCells[k], nullptr);
    EXPECT_EQ(engine.boundCells[k], engine.VariableCell(names[k])) << names[k];
  }
  EXPECT_EQ(engine.srcRgb, &srcRgb);
  EXPECT_EQ(engine.srcT, &srcT);
  EXPECT_EQ(engine.dstRgb, &dstRgb);
  EXPECT_EQ(engine.dstT, &dstT);
}

TEST(PrepareRun, SizesBothStacks) {
  ScriptEngine engine;
  EXPECT_EQ(engine.valueStack.size, kResetStackSize);
  EXPECT_EQ(engine.addressStack.size, kResetStackSize);
  EXPECT_EQ(engine.PrepareRun(kRunStackSize), 1);
  EXPECT_EQ(engine.valueStack.size, 500);
  EXPECT_EQ(engine.addressStack.size, 500);
  EXPECT_EQ(engine.PrepareRun(50), 1);
  EXPECT_EQ(engine.valueStack.size, 50);
  EXPECT_EQ(engine.valueStack.capacity, 500);
}

TEST(Engine, StartsEmptyAndResets) {
  ScriptEngine engine;
  EXPECT_EQ(engine.errorLine, 0);
  ASSERT_NE(engine.programSlots, nullptr);
  EXPECT_EQ(engine.programSlots[0].size, 0);
  EXPECT_EQ(engine.programSlots[1].size, 0);
  // An empty program runs nothing.
  EXPECT_EQ(engine.Run(ProgramSlot::kInit).status, RunOutcome::Status::kFinished);
  EXPECT_EQ(engine.baseFolder[0], '\0');

  for (int32_t m = 0; m < kMatrixSlots; ++m) {
    for (int32_t k = 0; k < kMatrixCells; ++k) engine.matrixSlot[m][k] = 1.0;
    engine.matrixSize[m] = 5;
  }
  ASSERT_GT(engine.Compile("x = 1;", ProgramSlot::kTransform).length, 0);
  engine.PrepareRun(500);
  engine.Reset();
  EXPECT_EQ(engine.programSlots[1].size, 0);
  EXPECT_EQ(engine.valueStack.size, 200);
  for (int32_t m = 0; m < kMatrixSlots; ++m) {
    EXPECT_EQ(engine.matrixSize[m], 0);
    EXPECT_EQ(engine.matrixSlot[m][8], 0.0);
    EXPECT_EQ(engine.matrixSlot[m][9], 1.0);  // only the 3x3 part is cleared
  }
}

TEST(Engine, BaseFolderIsBounded) {
  ScriptEngine engine;
  engine.SetBaseFolder("/data/");
  EXPECT_STREQ(engine.baseFolder, "/data/");
  char longFolder[600];
  memset(longFolder, 'a', sizeof(longFolder) - 1);
  longFolder[sizeof(longFolder) - 1] = '\0';
  engine.SetBaseFolder(longFolder);
  EXPECT_EQ(strlen(engine.baseFolder), sizeof(engine.baseFolder) - 1);
  engine.SetBaseFolder(nullptr);
  EXPECT_STREQ(engine.baseFolder, "");
}

}  // namespace
