#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "image/image.h"

namespace {

// Builds a one-channel image from rows of digits.
void FromRows(RgbtImage& image, std::initializer_list<const char*> rows) {
  const int32_t width = static_cast<int32_t>(std::strlen(*rows.begin()));
  image.Create(width, static_cast<int32_t>(rows.size()), 1, 0);
  int32_t y = 0;
  for (const char* row : rows) {
    for (int32_t x = 0; x < width; ++x) image.data[y * width + x] = static_cast<uint8_t>(row[x] - '0');
    ++y;
  }
}

std::string Rows(const RgbtImage& image) {
  std::string out;
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) out += static_cast<char>('0' + image.data[y * image.width + x]);
    out += '\n';
  }
  return out;
}

TEST(RgbtImageFloodFill, FillsFourConnectedRegionWithStatistics) {
  RgbtImage image;
  FromRows(image, {"00100",
                   "01100",
                   "00010",
                   "11110"});
  EXPECT_EQ(image.FloodFill(0, 0, 0, 7), 6);
  // The zeros on the right touch this region only diagonally, so stay apart.
  EXPECT_EQ(Rows(image), "77100\n71100\n77710\n11110\n");
  EXPECT_EQ(image.region.count, 6);
}

TEST(RgbtImageFloodFill, RegionStatistics) {
  RgbtImage image;
  FromRows(image, {"0000",
                   "0110",
                   "0110",
                   "0000"});
  EXPECT_EQ(image.FloodFill(2, 2, 0, 5), 4);
  EXPECT_EQ(image.region.minX, 1);
  EXPECT_EQ(image.region.minY, 1);
  EXPECT_EQ(image.region.maxX, 2);
  EXPECT_EQ(image.region.maxY, 2);
  EXPECT_EQ(image.region.meanX, 1);  // (1 + 2 + 1 + 2) / 4, truncated
  EXPECT_EQ(image.region.meanY, 1);
  EXPECT_EQ(image.region.count, 4);
}

TEST(RgbtImageFloodFill, SameValueStillTerminatesAndCounts) {
  RgbtImage image;
  FromRows(image, {"000", "000"});
  EXPECT_EQ(image.FloodFill(1, 1, 0, 0), 6);
  EXPECT_EQ(Rows(image), "000\n000\n");
}

TEST(RgbtImageFloodFill, RefusesOutsideStartAndBadChannel) {
  RgbtImage image;
  FromRows(image, {"00", "00"});
  image.region.count = 99;
  EXPECT_EQ(image.FloodFill(2, 0, 0, 1), 0);
  EXPECT_EQ(image.FloodFill(-1, 0, 0, 1), 0);
  EXPECT_EQ(image.FloodFill(0, 0, 1, 1), 0);
  EXPECT_EQ(image.region.count, 0);
  EXPECT_EQ(Rows(image), "00\n00\n");
  RgbtImage empty;
  EXPECT_EQ(empty.FloodFill(0, 0, -1, -1), 0);
  EXPECT_EQ(empty.FloodFillWith(0, 0, nullptr), 0);
}

TEST(RgbtImageFloodFill, DefaultsForChannelAndValue) {
  RgbtImage image(2, 1, 2);
  image.Fill(0, -1);
  image.defaultChannel = 1;
  image.defaultValue = 4;
  EXPECT_EQ(image.FloodFill(0, 0, -1, -1), 2);
  const uint8_t expected[] = {0, 4, 0, 4};
  EXPECT_EQ(std::memcmp(image.data, expected, 4), 0);
}

TEST(RgbtImageFloodFill, FullWorkStackEndsTheTraversal) {
  // Row 0 is one open span; row 1 alternates, so that span seeds 5000
  // separate runs at once, more than the work stack holds.
  const int32_t width = 10000;
  RgbtImage image(width, 3, 1);
  image.Fill(0, -1);
  for (int32_t x = 1; x < width; x += 2) image.data[width + x] = 1;
  const int32_t zeros = width + width / 2 + width;
  const int32_t count = image.FloodFill(0, 0, 0, 2);
  EXPECT_GE(count, width);
  EXPECT_LT(count, zeros);
  EXPECT_EQ(image.region.count, count);
  // Everything painted was counted, nothing else was touched.
  int32_t painted = 0;
  for (int32_t i = 0; i < width * 3; ++i) painted += image.data[i] == 2;
  EXPECT_EQ(painted, count);
}

TEST(RgbtImageFloodFill, RegionLargerThanTheStackFillsCompletely) {
  // A serpentine corridor of more pixels than stack entries, each span
  // seeding little: rows of zeros joined alternately at the right and left.
  const int32_t side = 128;
  RgbtImage image(side, side, 1);
  image.Fill(1, -1);
  for (int32_t y = 0; y < side; y += 2) {
    for (int32_t x = 0; x < side; ++x) image.data[y * side + x] = 0;
    image.data[(y + 1) * side + ((y / 2) % 2 ? 0 : side - 1)] = 0;
  }
  const int32_t zeros = side / 2 * side + side / 2;
  ASSERT_GT(zeros, kFloodStackSize);
  EXPECT_EQ(image.FloodFill(0, 0, 0, 2), zeros);
}

TEST(RgbtImageFloodFill, WholeImageOpenRegion) {
  RgbtImage image(300, 200, 1);
  image.Fill(3, -1);
  EXPECT_EQ(image.FloodFill(150, 100, 0, 4), 300 * 200);
  EXPECT_EQ(image.region.meanX, 149);
  EXPECT_EQ(image.region.maxY, 199);
}

TEST(RgbtImageFloodFillWith, DefaultTestPaintsNonZero) {
  RgbtImage image;
  FromRows(image, {"1103",
                   "0102",
                   "2200"});
  image.defaultValue = 9;
  EXPECT_EQ(image.FloodFillWith(1, 0, nullptr), 5);
  EXPECT_EQ(Rows(image), "9903\n0902\n9900\n");
  EXPECT_EQ(image.FloodFillWith(0, 1, nullptr), 0);  // a zero start is not a member
}

struct Budget {
  int32_t left;
};

// Accepts pixels while its budget lasts; never paints, so only the visit
// record can stop a revisit.
int32_t AcceptWithBudget(RgbtImage&, uint8_t*, void* context) {
  Budget* budget = static_cast<Budget*>(context);
  if (budget->left == 0) return 0;
  --budget->left;
  return 1;
}

TEST(RgbtImageFloodFillWith, AsksTheTestOncePerPixel) {
  RgbtImage image(5, 5, 1);
  image.Fill(0, -1);
  Budget budget{100};
  EXPECT_EQ(image.FloodFillWith(2, 2, AcceptWithBudget, &budget), 25);
  EXPECT_EQ(budget.left, 75);
  budget.left = 3;
  EXPECT_EQ(image.FloodFillWith(0, 0, AcceptWithBudget, &budget), 3);
}

}  // namespace
