#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "tests/transform/run_fixture.h"

namespace {

using PixelDriver = RunFixture;

TEST_F(PixelDriver, CoordTwoAloneCopiesTheImageInEveryInterpolation) {
  for (int32_t interpolation : {0, 1, 2, 7}) {  // 7: any other value is Bezier
    MakeImages(6, 4);
    Load("", "coord=2;");
    ASSERT_EQ(Run(interpolation), 1);
    for (int32_t y = 0; y < 4; ++y) {
      for (int32_t x = 0; x < 6; ++x) {
        EXPECT_EQ(Result(x, y)[0], SourceBlue(x)) << interpolation << " " << x << "," << y;
        EXPECT_EQ(Result(x, y)[1], SourceGreen(y)) << interpolation;
        EXPECT_EQ(Result(x, y)[2], SourceRed(x, y)) << interpolation;
        EXPECT_EQ(ResultT(x, y), SourceT(x)) << interpolation;
      }
    }
  }
}

// Fetched colours between pixels: Round takes the containing pixel, Linear
// and Bezier differ on a curved source, and every mode other than 0 and 1
// interpolates as Bezier.
TEST_F(PixelDriver, EveryModeOtherThanRoundAndLinearIsBezier) {
  auto resultFor = [this](int32_t interpolation) {
    MakeImages(8, 4);
    for (int32_t y = 0; y < 4; ++y) {
      for (int32_t x = 0; x < 8; ++x) sourceRgb.PixelAddress(x, y, 0)[0] = uint8_t(3 * x * x);
    }
    Load("", "coord=2;\r\nx=x+0.5;\r\n");
    EXPECT_EQ(Run(interpolation), 1);
    return std::vector<uint8_t>(destinationRgb.data, destinationRgb.data + 8 * 4 * 3);
  };
  const std::vector<uint8_t> round = resultFor(kInterpRound);
  const std::vector<uint8_t> linear = resultFor(kInterpLinear);
  const std::vector<uint8_t> bezier = resultFor(kInterpBezier);
  EXPECT_EQ(Result(3, 1)[0], SampleBezier(sourceRgb, 3, 1, 0.5, 0.0, 0));
  EXPECT_NE(round, linear);
  EXPECT_NE(linear, bezier);
  for (int32_t other : {3, 7, -1, 1000}) EXPECT_EQ(resultFor(other), bezier) << other;
}

TEST_F(PixelDriver, ShiftedPositionsWrapAroundTheEdges) {
  struct Case {
    const char* transform;
    int32_t shift;  // result column x shows source column (x + shift) mod width
  } cases[] = {
      {"coord=2;\r\nx=x+10;\r\n", 10},
      {"coord=2;\r\nx=x-3;\r\n", -3},
      {"coord=2;\r\nx=x-16*300+5;\r\n", 5},         // beyond the 256 tiles on the left
      {"coord=2;\r\nx=x+16*1000000000+2;\r\n", 2},  // beyond int32 after the shift
      {"coord=2;\r\nx=x-16*1000000000-1;\r\n", -1},
  };
  for (const Case& c : cases) {
    MakeImages(16, 3);
    Load("", c.transform);
    ASSERT_EQ(Run(), 1);
    for (int32_t x = 0; x < 16; ++x) {
      int32_t from = ((x + c.shift) % 16 + 16) % 16;
      EXPECT_EQ(Result(x, 1)[0], SourceBlue(from)) << c.transform << " column " << x;
      EXPECT_EQ(ResultT(x, 1), SourceT(from)) << c.transform << " column " << x;
    }
  }
}

TEST_F(PixelDriver, VerticalShiftWrapsRows) {
  MakeImages(4, 5);
  Load("", "coord=2;\r\ny=y+7;\r\n");
  ASSERT_EQ(Run(), 1);
  for (int32_t y = 0; y < 5; ++y) EXPECT_EQ(Result(1, y)[1], SourceGreen((y + 7) % 5)) << y;
}

TEST_F(PixelDriver, CoordZeroClampsAndTruncatesTheColourVariables) {
  MakeImages(3, 2);
  Load("", "coord=0;\r\nR=300;\r\nG=-5;\r\nB=12.9;\r\nT=254.999;\r\n");
  ASSERT_EQ(Run(), 1);
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 3; ++x) {
      EXPECT_EQ(Result(x, y)[0], 12);
      EXPECT_EQ(Result(x, y)[1], 0);
      EXPECT_EQ(Result(x, y)[2], 255);
      EXPECT_EQ(ResultT(x, y), 254);
    }
  }
}

TEST_F(PixelDriver, CoordZeroSeesTheSourcePixelInItsVariables) {
  MakeImages(5, 3);
  Load("", "coord=0;\r\nB=B+1;\r\nG=G+2;\r\nR=R+3;\r\nT=T+4;\r\n");
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(Result(4, 2)[0], SourceBlue(4) + 1);
  EXPECT_EQ(Result(4, 2)[1], SourceGreen(2) + 2);
  EXPECT_EQ(Result(4, 2)[2], SourceRed(4, 2) + 3);
  EXPECT_EQ(ResultT(4, 2), SourceT(4) + 4);
}

TEST_F(PixelDriver, CoordOutsideZeroToTwoSkipsOnlyThatPixel) {
  struct Case {
    const char* coordForColumnTwo;
    bool skipped;
  } cases[] = {
      {"3", true}, {"-1", true}, {"2.5", true}, {"-0.001", true}, {"2", false}, {"1.5", false},
  };
  for (const Case& c : cases) {
    MakeImages(5, 2);
    std::string transform = "coord=0;\r\nB=9;\r\nif (x+cx==2) coord=";
    transform += c.coordForColumnTwo;
    transform += ";\r\n";
    Load("", transform.c_str());
    ASSERT_EQ(Run(), 1);
    for (int32_t x = 0; x < 5; ++x) {
      if (x == 2) {
        // 1.5 and 2 fetch the pixel's own position (X-Y).
        uint8_t expected = c.skipped ? kUntouched : SourceBlue(2);
        EXPECT_EQ(Result(x, 0)[0], expected) << c.coordForColumnTwo;
        EXPECT_EQ(ResultT(x, 0), c.skipped ? 255 : SourceT(2)) << c.coordForColumnTwo;
      } else {
        EXPECT_EQ(Result(x, 0)[0], 9) << c.coordForColumnTwo << " column " << x;
      }
    }
  }
}

// Only a "coord" of exactly 1 fetches at (r, t); every other value above 0
// up to 2 fetches at (x, y). The program moves x and leaves r and t, so the
// two rules land on different pixels. At (4, 1) the pixel's own polar form is
// exact (r = 1, t = 0), so the polar fetch must return the pixel itself.
TEST_F(PixelDriver, OnlyCoordExactlyOneFetchesAtThePolarPosition) {
  struct Case {
    const char* coord;
    int32_t fetchedColumn;  // -1: skipped
  } cases[] = {
      {"1", 4},
      {"1.0000001", 5},
      {"0.9999999", 5},
      {"0.5", 5},
      {"1.5", 5},
      {"2", 5},
      {"exp(1000)-exp(1000)", -1},  // NaN is skipped
  };
  for (const Case& c : cases) {
    MakeImages(6, 2);
    std::string transform = "x=x+1;\r\ncoord=";
    transform += c.coord;
    transform += ";\r\n";
    Load("", transform.c_str());
    ASSERT_EQ(Run(), 1);
    const uint8_t expected = c.fetchedColumn < 0 ? kUntouched : SourceBlue(c.fetchedColumn);
    EXPECT_EQ(Result(4, 1)[0], expected) << c.coord;
  }
}

TEST_F(PixelDriver, PolarFetchUsesRadiusAndAngle) {
  MakeImages(16, 8);
  Load("", "coord=1;\r\nr=0;\r\n");
  ASSERT_EQ(Run(), 1);
  // Radius 0 is the centre (8, 4) for every pixel.
  EXPECT_EQ(Result(0, 0)[0], SourceBlue(8));
  EXPECT_EQ(Result(15, 7)[1], SourceGreen(4));
  EXPECT_EQ(ResultT(3, 5), SourceT(8));
}

TEST_F(PixelDriver, PolarFetchAgreesWhetherOrNotTheProgramNamesRAndT) {
  std::vector<uint8_t> results[2];
  const char* programs[] = {"coord=1;\r\n", "coord=1;\r\nr=r;\r\nt=t;\r\n"};
  for (int k = 0; k < 2; ++k) {
    MakeImages(9, 7);
    Load("", programs[k]);
    ASSERT_EQ(Run(), 1);
    results[k].assign(destinationRgb.data, destinationRgb.data + 9 * 7 * 3);
    results[k].insert(results[k].end(), destinationT.data, destinationT.data + 9 * 7);
  }
  EXPECT_EQ(results[0], results[1]);
}

TEST_F(PixelDriver, VariablesKeepTheLastPixelsValues) {
  for (const char* transform : {"coord=0;\r\n", "coord=0;\r\nu=r+t;\r\n"}) {
    MakeImages(5, 3);
    Load("", transform);
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(Variable("x"), 1.5) << transform;
    EXPECT_EQ(Variable("y"), 0.5) << transform;
    EXPECT_DOUBLE_EQ(Variable("r"), std::sqrt(2.5)) << transform;
    EXPECT_DOUBLE_EQ(Variable("t"), std::atan2(0.5, 1.5)) << transform;
  }
}

TEST_F(PixelDriver, PositionVariablesFollowTheCentre) {
  MakeImages(5, 3);
  // An odd width gives cx 2.5: x runs -2.5 .. 1.5.
  Load("", "coord=0;\r\nB=x*10+100;\r\nG=y*10+100;\r\nR=r*10;\r\n");
  ASSERT_EQ(Run(), 1);
  const uint8_t expectedBlue[] = {75, 85, 95, 105, 115};
  for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(Result(x, 0)[0], expectedBlue[x]) << x;
  EXPECT_EQ(Result(0, 0)[1], 85);  // y = 0 - 1.5
  EXPECT_EQ(Result(2, 1)[2], 7);   // r = sqrt(0.5)
}

TEST_F(PixelDriver, InitMayMoveTheCentre) {
  MakeImages(4, 4);
  Load("cx=0;\r\ncy=0;\r\n", "coord=0;\r\nB=x;\r\nG=y;\r\n");
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(Result(3, 2)[0], 3);
  EXPECT_EQ(Result(3, 2)[1], 2);
}

TEST_F(PixelDriver, TIsNeverInterpolated) {
  for (int32_t interpolation : {1, 2}) {
    MakeImages(8, 2);
    Load("", "coord=2;\r\nx=x+0.5;\r\n");
    ASSERT_EQ(Run(interpolation), 1);
    for (int32_t x = 1; x < 6; ++x) {
      // Blue rises by 10 a column, so the half-way colour lies between.
      EXPECT_NEAR(Result(x, 0)[0], SourceBlue(x) + 5, 1) << interpolation << " column " << x;
      EXPECT_EQ(ResultT(x, 0), SourceT(x)) << interpolation << " column " << x;
    }
  }
}

std::vector<int32_t> progressRows;
std::vector<int32_t> progressTotals;

void RecordProgress(int32_t row, int32_t total) {
  progressRows.push_back(row);
  progressTotals.push_back(total);
}

TEST_F(PixelDriver, NegativeExitEndsThePassAndItsProgress) {
  MakeImages(4, 8);
  destinationRgb.progress = RecordProgress;
  progressRows.clear();
  progressTotals.clear();
  Load("", "coord=0;\r\nB=1;\r\nif (y+cy==5) exit(-1);\r\n");
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(progressRows, (std::vector<int32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(progressTotals, std::vector<int32_t>(5, 8));
  for (int32_t y = 0; y < 8; ++y) {
    EXPECT_EQ(Result(0, y)[0], y < 5 ? 1 : kUntouched) << y;
    EXPECT_EQ(ResultT(3, y), y < 5 ? SourceT(3) : 255) << y;
  }
}

TEST_F(PixelDriver, ExitZeroEndsOnlyThePixelsProgram) {
  MakeImages(4, 3);
  destinationRgb.progress = RecordProgress;
  progressRows.clear();
  Load("", "coord=0;\r\nB=1;\r\nexit(0);\r\nB=2;\r\n");
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(progressRows, (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(Result(3, 2)[0], 1);
}

TEST_F(PixelDriver, ReturnsRowsFinished) {
  MakeImages(3, 6);
  ASSERT_EQ(engine.PrepareRun(kRunStackSize), 1);
  engine.InstallBuiltinVariables(sourceRgb);
  Load("", "coord=0;\r\nif (y+cy==4) exit(-2);\r\n");
  EXPECT_EQ(
      TransformPixels({sourceRgb, sourceT}, {destinationRgb, destinationT}, engine, kInterpRound)
          .rows,
      4);
  Load("", "coord=0;\r\n");
  EXPECT_EQ(
      TransformPixels({sourceRgb, sourceT}, {destinationRgb, destinationT}, engine, kInterpRound)
          .rows,
      6);
}

TEST_F(PixelDriver, RefusesImagesThatDoNotFitTogether) {
  struct Case {
    const char* what;
    int32_t width, height, channels;
    int which;  // 0 source T, 1 destination RGB, 2 destination T
  } cases[] = {
      {"source T wider", 5, 3, 1, 0},
      {"destination RGB shorter", 4, 2, 3, 1},
      {"destination RGB one channel", 4, 3, 1, 1},
      {"destination T three channels", 4, 3, 3, 2},
      {"destination T empty", 0, 0, 0, 2},
  };
  for (const Case& c : cases) {
    MakeImages(4, 3);
    Load("", "coord=0;\r\nB=1;\r\n");
    RgbtImage* images[] = {&sourceT, &destinationRgb, &destinationT};
    images[c.which]->Create(c.width, c.height, c.channels);
    if (images[c.which]->data != nullptr) images[c.which]->Fill(kUntouched, -1);
    EXPECT_EQ(Run(), 0) << c.what;
    EXPECT_EQ(
        TransformPixels({sourceRgb, sourceT}, {destinationRgb, destinationT}, engine, kInterpRound)
            .rows,
        0)
        << c.what;
    if (destinationRgb.data != nullptr) {
      EXPECT_EQ(destinationRgb.data[0], kUntouched) << c.what;
    }
  }
}

TEST_F(PixelDriver, PaddedRowsAreWalkedRowByRow) {
  MakeImages(3, 2);
  // Same width and height, rows padded to 16 bytes.
  destinationRgb.Create(3, 1, 1);  // a new format, so the next Create takes the row length
  ASSERT_GT(destinationRgb.Create(3, 2, 3, 32), 0);
  ASSERT_EQ(destinationRgb.rowLength, 16);
  destinationRgb.Fill(kUntouched, -1);
  Load("", "coord=0;\r\nB=x+cx;\r\nG=y+cy;\r\n");
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(Result(2, 1)[0], 2);
  EXPECT_EQ(Result(2, 1)[1], 1);
  EXPECT_EQ(destinationRgb.data[9], kUntouched);  // padding of row 0
}

}  // namespace
