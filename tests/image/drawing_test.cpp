#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/image.h"

namespace {

// Renders a one-channel image as rows of '#' (non-zero) and '.'.
std::string Picture(const RgbtImage& image) {
  std::string out;
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) out += image.data[y * image.rowLength + x] ? '#' : '.';
    out += '\n';
  }
  return out;
}

RgbtImage* Blank(RgbtImage& image, int32_t width, int32_t height) {
  image.Create(width, height, 1, 0);
  image.Fill(0, -1);
  return &image;
}

TEST(RgbtImageDrawLine, StepsAlongLongerAxis) {
  struct Case {
    const char* what;
    int32_t x0, y0, x1, y1;
    const char* picture;
  } cases[] = {
      {"single point", 2, 1, 2, 1, ".....\n..#..\n.....\n"},
      {"horizontal", 0, 1, 4, 1, ".....\n#####\n.....\n"},
      {"vertical backwards", 3, 2, 3, 0, "...#.\n...#.\n...#.\n"},
      {"shallow", 0, 0, 4, 2, "#....\n.##..\n...##\n"},
      {"shallow reversed", 4, 2, 0, 0, "#....\n.##..\n...##\n"},
      {"diagonal", 0, 2, 2, 0, "..#..\n.#...\n#....\n"},
      {"end point outside", 0, 0, 5, 0, ".....\n.....\n.....\n"},
      {"start point outside", -1, 0, 3, 0, ".....\n.....\n.....\n"},
      {"extreme points", INT_MIN, INT_MIN, INT_MAX, INT_MAX, ".....\n.....\n.....\n"},
  };
  for (const Case& c : cases) {
    RgbtImage image;
    Blank(image, 5, 3)->DrawLine(c.x0, c.y0, c.x1, c.y1, 0, 1);
    EXPECT_EQ(Picture(image), c.picture) << c.what;
  }
}

TEST(RgbtImageDrawLine, DefaultsAndChannels) {
  RgbtImage image(2, 1, 3);
  image.Fill(0, -1);
  image.defaultChannel = 2;
  image.defaultValue = 300;  // low 8 bits
  image.DrawLine(0, 0, 1, 0, -1, -1);
  EXPECT_EQ(image.data[2], 44);
  EXPECT_EQ(image.data[5], 44);
  image.DrawLine(0, 0, 1, 0, 1, 9);
  EXPECT_EQ(image.data[4], 9);
  image.DrawLine(0, 0, 1, 0, 3, 9);  // no such channel
  image.defaultChannel = 7;
  image.DrawLine(0, 0, 1, 0, -1, 9);
  EXPECT_EQ(image.data[0], 0);
  EXPECT_EQ(image.data[3], 0);
}

TEST(RgbtImageDrawLine, PenAndRectangle) {
  RgbtImage image;
  Blank(image, 5, 4);
  image.penX = 0;
  image.penY = 0;
  image.LineTo(4, 0, 0, 1);
  image.LineTo(4, 3, 0, 1);
  EXPECT_EQ(image.penX, 4);
  EXPECT_EQ(image.penY, 3);
  image.DrawLineFromPen(0, 3, 0, 1);
  EXPECT_EQ(image.penX, 4);  // only LineTo moves the pen
  EXPECT_EQ(Picture(image), "#####\n....#\n....#\n#####\n");
  Blank(image, 5, 4)->DrawRectangle(1, 0, 3, 2, 0, 1);
  EXPECT_EQ(Picture(image), ".###.\n.#.#.\n.###.\n.....\n");
}

TEST(RgbtImageReadAlongLine, CopiesEveryChannelInOrder) {
  RgbtImage image(3, 1, 2);
  for (int i = 0; i < 6; ++i) image.data[i] = static_cast<uint8_t>(i + 1);
  uint8_t buffer[8] = {};
  EXPECT_EQ(image.ReadAlongLine(2, 0, 0, 0, buffer, sizeof buffer), 3);
  EXPECT_EQ(std::vector<int>(buffer, buffer + 6), (std::vector<int>{5, 6, 3, 4, 1, 2}));
  EXPECT_EQ(image.ReadAlongLine(0, 0, 3, 0, buffer, sizeof buffer), 0);
}

TEST(RgbtImageReadAlongLine, StopsWhenBufferIsFull) {
  RgbtImage image(3, 1, 2);
  image.Fill(9, -1);
  uint8_t buffer[5] = {0, 0, 0, 0, 0};
  EXPECT_EQ(image.ReadAlongLine(0, 0, 2, 0, buffer, 5), 2);
  EXPECT_EQ(buffer[4], 0);
  EXPECT_EQ(image.ReadAlongLine(0, 0, 2, 0, nullptr, 100), 0);
  EXPECT_EQ(image.ReadAlongLine(0, 0, 2, 0, buffer, -1), 0);
}

TEST(RgbtImageReadAlongLine, PenVariants) {
  RgbtImage image(4, 1, 1);
  for (int i = 0; i < 4; ++i) image.data[i] = static_cast<uint8_t>(i);
  uint8_t buffer[4];
  image.penX = 1;
  image.penY = 0;
  EXPECT_EQ(image.ReadAlongLineFromPen(3, 0, buffer, 4), 3);
  EXPECT_EQ(image.penX, 1);
  EXPECT_EQ(image.ReadAlongLineTo(0, 0, buffer, 4), 2);
  EXPECT_EQ(buffer[0], 1);
  EXPECT_EQ(buffer[1], 0);
  EXPECT_EQ(image.penX, 0);
}

TEST(RgbtImageStepTowards, MeasuresAlongLongerAxis) {
  struct Case {
    int32_t penX, penY, x, y, distance, outX, outY;
  } cases[] = {
      {0, 0, 10, 0, 3, 3, 0},
      {0, 0, 10, 5, 4, 4, 2},
      {5, 5, 5, -5, 2, 5, 3},
      {5, 5, 5, 5, 9, 5, 5},
      {0, 0, -8, 4, 8, -8, 4},
      {INT_MIN, 0, INT_MAX, 0, INT_MAX, -1, 0},
      {0, 0, 1, 0, INT_MAX, INT_MAX, 0},
      {0, 0, -1, 0, INT_MAX, -INT_MAX, 0},
  };
  RgbtImage image;
  for (const Case& c : cases) {
    image.penX = c.penX;
    image.penY = c.penY;
    int32_t outX = 0, outY = 0;
    image.StepTowards(c.x, c.y, c.distance, &outX, &outY);
    EXPECT_EQ(outX, c.outX) << c.penX << " to " << c.x;
    EXPECT_EQ(outY, c.outY) << c.penY << " to " << c.y;
  }
}

}  // namespace
