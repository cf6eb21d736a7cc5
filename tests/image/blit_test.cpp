#include <climits>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "image/image.h"

namespace {

// One-channel image whose pixel (x, y) holds 10 * y + x.
void Grid(RgbtImage& image, int32_t width, int32_t height) {
  image.Create(width, height, 1, 0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) image.data[y * width + x] = static_cast<uint8_t>(10 * y + x);
}

std::vector<int> Pixels(const RgbtImage& image) {
  return std::vector<int>(image.data, image.data + image.rowLength * image.height);
}

TEST(RgbtImageBlit, ClipsInStatedOrder) {
  struct Case {
    const char* what;
    int32_t sx, sy, w, h, dx, dy;
    std::vector<int> expected;  // destination 3 x 2, cleared to 0 first
  } cases[] = {
      {"whole source fits where it can", 0, 0, 0, 0, 0, 0, {0, 1, 2, 10, 11, 12}},
      {"negative dx skips source columns", 0, 0, 0, 0, -2, 0, {2, 3, 0, 12, 13, 0}},
      {"negative dy skips source rows", 0, 0, 0, 0, 0, -1, {10, 11, 12, 20, 21, 22}},
      {"negative sx shifts destination", -1, 0, 3, 1, 0, 0, {0, 0, 1, 0, 0, 0}},
      {"dx then sx: moves cancel", -1, 0, 4, 1, -1, 0, {0, 1, 2, 0, 0, 0}},
      {"offset block", 2, 1, 2, 2, 1, 0, {0, 12, 13, 0, 22, 23}},
      {"source start past edge", 4, 0, 0, 0, 0, 0, {0, 0, 0, 0, 0, 0}},
      {"destination start past edge", 0, 0, 0, 0, 3, 0, {0, 0, 0, 0, 0, 0}},
      {"clipped to nothing", 0, 0, 2, 2, -2, 0, {0, 0, 0, 0, 0, 0}},
      {"negative width", 0, 0, -3, 0, 0, 0, {0, 0, 0, 0, 0, 0}},
      {"extreme offsets", INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MAX, {0, 0, 0, 0, 0, 0}},
      {"extreme negative destination", 0, 0, INT_MAX, INT_MAX, INT_MIN, INT_MIN, {0, 0, 0, 0, 0, 0}},
  };
  RgbtImage source;
  Grid(source, 4, 3);
  for (const Case& c : cases) {
    RgbtImage destination(3, 2, 1);
    destination.Fill(0, -1);
    destination.Blit(source, c.sx, c.sy, 0, c.w, c.h, c.dx, c.dy, 0, 0);
    EXPECT_EQ(Pixels(destination), c.expected) << c.what;
  }
}

TEST(RgbtImageBlit, ChannelRanges) {
  RgbtImage rgb(2, 1, 3);
  const uint8_t colours[] = {1, 2, 3, 4, 5, 6};
  std::memcpy(rgb.data, colours, 6);
  RgbtImage plane(2, 1, 1);
  plane.Blit(rgb, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(Pixels(plane), (std::vector<int>{1, 4}));  // only blue
  plane.Blit(rgb, 0, 0, 2, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(Pixels(plane), (std::vector<int>{3, 6}));
  plane.Blit(rgb, 0, 0, 3, 0, 0, 0, 0, 0, 0);  // no such channel: nothing
  EXPECT_EQ(Pixels(plane), (std::vector<int>{3, 6}));

  RgbtImage target(2, 1, 3);
  target.Fill(0, -1);
  target.Blit(plane, 0, 0, -4, 0, 0, 0, 0, 1, 9);  // negative sc is 0, n clipped to 1
  EXPECT_EQ(Pixels(target), (std::vector<int>{0, 3, 0, 0, 6, 0}));
  target.Blit(rgb, 0, 0, 0, 0, 0, 0, 0, 2, 0);  // n reduced to the room after dc
  EXPECT_EQ(Pixels(target), (std::vector<int>{0, 3, 1, 0, 6, 4}));
}

TEST(RgbtImageBlit, OverlappingCopyWithinOneImage) {
  RgbtImage image;
  Grid(image, 4, 1);
  image.Blit(image, 0, 0, 0, 3, 1, 1, 0, 0, 0);
  EXPECT_EQ(Pixels(image), (std::vector<int>{0, 0, 1, 2}));
}

TEST(RgbtImageBlit, EmptyImagesCopyNothing) {
  RgbtImage empty, image(2, 2, 1);
  image.Fill(5, -1);
  image.Blit(empty, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  empty.Blit(image, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(Pixels(image), (std::vector<int>{5, 5, 5, 5}));
}

TEST(RgbtImageCombine, ModesClampAndReset) {
  struct Case {
    const char* what;
    int32_t mode, absolute, multiplier, divisor;
    int source, destination, expected;
  } cases[] = {
      {"add", 1, 0, 0, 0, 200, 100, 255},
      {"add small", 1, 0, 0, 0, 20, 100, 120},
      {"subtract", 2, 0, 0, 0, 200, 100, 0},
      {"subtract absolute", 2, 1, 0, 0, 200, 100, 100},
      {"reverse subtract", 3, 0, 0, 0, 200, 100, 100},
      {"multiply scaled", 4, 0, 1, 255, 255, 77, 77},
      {"multiply black", 4, 0, 1, 255, 0, 77, 0},
      {"multiply truncates", 4, 0, 1, 255, 128, 128, 64},
      {"multiply without divisor clamps", 4, 0, 0, 0, 2, 3, 6},
      {"multiply without divisor large", 4, 0, 0, 0, 20, 30, 255},
      {"copy", 7, 0, 0, 0, 9, 100, 9},
      {"copy ignores absolute", 5, 1, 0, 0, 9, 100, 9},
  };
  for (const Case& c : cases) {
    RgbtImage source(2, 1, 1), destination(2, 1, 1);
    source.Fill(c.source, -1);
    destination.Fill(c.destination, -1);
    destination.absoluteFlag = c.absolute;
    destination.SetScale(c.multiplier, c.divisor);
    destination.CombineFrom(source, c.mode);
    EXPECT_EQ(destination.data[1], c.expected) << c.what;
    EXPECT_EQ(destination.absoluteFlag, 0) << c.what;
    EXPECT_EQ(destination.multiplier, 0) << c.what;
    EXPECT_EQ(destination.divisor, 0) << c.what;
  }
}

TEST(RgbtImageCombine, ClipsToTheSmallerImage) {
  RgbtImage source(3, 1, 1), destination(2, 2, 1);
  source.Fill(10, -1);
  destination.Fill(1, -1);
  destination.CombineFrom(source, 1);
  EXPECT_EQ(Pixels(destination), (std::vector<int>{11, 11, 1, 1}));
  RgbtImage empty;
  destination.absoluteFlag = 1;
  destination.CombineFrom(empty, 1);  // nothing to combine, options still cleared
  EXPECT_EQ(destination.absoluteFlag, 0);
}

}  // namespace
