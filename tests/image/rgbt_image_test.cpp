#include <climits>
#include <cstring>

#include <gtest/gtest.h>

#include "image/image.h"

namespace {

// Fills every byte with a value that encodes its position, so misplaced
// copies show up.
void Number(RgbtImage& image) {
  for (int32_t i = 0; i < image.rowLength * image.height; ++i) image.data[i] = static_cast<uint8_t>(i);
}

TEST(RgbtImageCreate, NewImageIsEmptyWithDefaults) {
  RgbtImage image;
  EXPECT_EQ(image.width, 0);
  EXPECT_EQ(image.data, nullptr);
  EXPECT_EQ(image.defaultChannel, 0);
  EXPECT_EQ(image.defaultValue, 255);
  EXPECT_EQ(image.multiplier, 0);
  ProgressImage progress;
  EXPECT_EQ(progress.progress, nullptr);
}

TEST(RgbtImageCreate, PacksRowsAndReturnsByteCount) {
  RgbtImage image;
  EXPECT_EQ(image.Create(5, 3, 3, 0), 45);
  EXPECT_EQ(image.rowLength, 15);
  RgbtImage sized(4, 2, 1);
  EXPECT_EQ(sized.rowLength * sized.height, 8);
}

TEST(RgbtImageCreate, TotalSizeChoosesRowLength) {
  RgbtImage image;
  EXPECT_EQ(image.Create(5, 3, 3, 48), 48);
  EXPECT_EQ(image.rowLength, 16);
}

TEST(RgbtImageCreate, KeepsContentOnlyForUnchangedFormat) {
  RgbtImage image(4, 4, 3);
  image.Fill(77, -1);
  EXPECT_EQ(image.Create(4, 4, 3, 0), 48);
  EXPECT_EQ(image.data[47], 77);
  EXPECT_EQ(image.Create(4, 5, 3, 0), 60);
  EXPECT_EQ(image.height, 5);
  EXPECT_EQ(image.Create(4, 5, 1, 0), 20);
  EXPECT_EQ(image.channels, 1);
}

TEST(RgbtImageCreate, RefusesImpossibleSizes) {
  struct Case {
    const char* what;
    int32_t width, height, channels, totalSize;
  } cases[] = {
      {"zero width", 0, 5, 3, 0},
      {"negative height", 5, -1, 3, 0},
      {"zero channels", 5, 5, 0, 0},
      {"too many channels", 5, 5, 5, 0},
      {"product wraps 32 bits", 65536, 65536, 1, 0},
      {"product wraps to small", 0x10001, 0x10000, 3, 0},
      {"over the limit", 40000, 40000, 1, 0},
      {"extremes", INT_MAX, INT_MAX, 4, 0},
      {"total size shorter than a row", 5, 3, 3, 30},
      {"negative total size", 5, 3, 3, -48},
  };
  for (const Case& c : cases) {
    RgbtImage image(2, 2, 1);
    EXPECT_EQ(image.Create(c.width, c.height, c.channels, c.totalSize), 0) << c.what;
    EXPECT_EQ(image.data, nullptr) << c.what;
    EXPECT_EQ(image.width, 0) << c.what;
    EXPECT_EQ(image.height, 0) << c.what;
    EXPECT_EQ(image.channels, 0) << c.what;
  }
}

TEST(RgbtImageCreate, CreateLikeCopiesFormatOrSize) {
  RgbtImage other;
  other.Create(5, 3, 3, 48);
  RgbtImage same;
  EXPECT_EQ(same.CreateLike(other, -1), 48);
  EXPECT_EQ(same.rowLength, 16);
  EXPECT_EQ(same.channels, 3);
  RgbtImage plane;
  EXPECT_EQ(plane.CreateLike(other, 1), 15);
  EXPECT_EQ(plane.rowLength, 5);
  RgbtImage empty, fromEmpty(3, 3, 3);
  EXPECT_EQ(fromEmpty.CreateLike(empty, -1), 0);
  EXPECT_EQ(fromEmpty.data, nullptr);
}

TEST(RgbtImagePixelAddress, ClampsPositionAndChannel) {
  RgbtImage image(4, 3, 3);
  struct Case {
    int32_t x, y, k;
    size_t offset;
  } cases[] = {
      {1, 1, 2, 12 + 3 + 2},
      {-5, 3 + 3, 0, 2 * 12},
      {INT_MAX, INT_MIN, 1, 3 * 3 + 1},
      {0, 0, 7, 2},
      {0, 0, -3, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(image.PixelAddress(c.x, c.y, c.k), image.data + c.offset)
        << c.x << "," << c.y << "," << c.k;
  }
  RgbtImage empty;
  EXPECT_EQ(empty.PixelAddress(0, 0, 0), nullptr);
}

TEST(RgbtImageFill, WholeBufferOrOneChannel) {
  RgbtImage image;
  image.Create(2, 2, 3, 16);  // two filler bytes per row
  image.Fill(0x1FF, -1);
  for (int32_t i = 0; i < 16; ++i) EXPECT_EQ(image.data[i], 0xFF);
  image.Fill(7, 1);
  const uint8_t row[8] = {0xFF, 7, 0xFF, 0xFF, 7, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(std::memcmp(image.data, row, 8), 0);
  EXPECT_EQ(std::memcmp(image.data + 8, row, 8), 0);
  image.Fill(1, 3);  // no such channel
  image.Fill(1, -2);
  EXPECT_EQ(std::memcmp(image.data, row, 8), 0);
}

TEST(RgbtImageMirror, VerticalSwapsRowsAroundMiddle) {
  RgbtImage image(2, 3, 1);
  Number(image);
  image.Mirror(false, true);
  const uint8_t expected[] = {4, 5, 2, 3, 0, 1};
  EXPECT_EQ(std::memcmp(image.data, expected, 6), 0);
}

TEST(RgbtImageMirror, HorizontalSwapsWholePixels) {
  RgbtImage image(3, 1, 2);
  Number(image);
  image.Mirror(true, false);
  const uint8_t expected[] = {4, 5, 2, 3, 0, 1};
  EXPECT_EQ(std::memcmp(image.data, expected, 6), 0);
  image.Mirror(false, false);
  EXPECT_EQ(std::memcmp(image.data, expected, 6), 0);
}

TEST(RgbtImageResample, NearestColumnsAndRows) {
  RgbtImage source(10, 5, 1);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 10; ++x) source.data[y * 10 + x] = static_cast<uint8_t>(y * 16 + x);
  RgbtImage target(4, 2, 1);
  target.ResampleNearest(source);
  const uint8_t expected[] = {0, 2, 5, 7, 32 + 0, 32 + 2, 32 + 5, 32 + 7};
  EXPECT_EQ(std::memcmp(target.data, expected, 8), 0);
}

TEST(RgbtImageResample, MissingSourceChannelsBecomeZero) {
  RgbtImage source(2, 1, 1);
  source.data[0] = 9;
  source.data[1] = 8;
  RgbtImage target(2, 1, 3);
  target.Fill(0xAA, -1);
  target.ResampleNearest(source);
  const uint8_t expected[] = {9, 0, 0, 8, 0, 0};
  EXPECT_EQ(std::memcmp(target.data, expected, 6), 0);
}

TEST(RgbtImageExchange, SwapsContentsNotBuffers) {
  RgbtImage a(2, 2, 1), b(2, 2, 1);
  a.Fill(1, -1);
  b.Fill(2, -1);
  uint8_t* bufferA = a.data;
  EXPECT_EQ(a.Exchange(b), 1);
  EXPECT_EQ(a.data, bufferA);
  EXPECT_EQ(a.data[3], 2);
  EXPECT_EQ(b.data[3], 1);
}

TEST(RgbtImageExchange, RefusesDifferentFormats) {
  RgbtImage a(2, 2, 1);
  a.Fill(1, -1);
  RgbtImage differentChannels(2, 2, 3), differentHeight(2, 3, 1), padded;
  padded.Create(2, 2, 1, 8);
  for (RgbtImage* other : {&differentChannels, &differentHeight, &padded}) {
    other->Fill(2, -1);
    EXPECT_EQ(a.Exchange(*other), 0);
    EXPECT_EQ(a.data[0], 1);
    EXPECT_EQ(other->data[0], 2);
  }
}

TEST(RgbtImageDescribeBitmap, PlaneAndRgbHeaders) {
  uint32_t header[kBitmapDescriptionValues];
  RgbtImage plane(4, 2, 1);
  EXPECT_EQ(plane.DescribeBitmap(header), 52);
  const uint32_t planeExpected[] = {1086, 0, 1078, 40, 4, 2, 1 | (8u << 16), 0, 8, 2835, 2835, 256, 256};
  for (int i = 0; i < kBitmapDescriptionValues; ++i) EXPECT_EQ(header[i], planeExpected[i]) << i;
  RgbtImage rgb(3, 2, 3);
  rgb.DescribeBitmap(header);
  const uint32_t rgbExpected[] = {72, 0, 54, 40, 3, 2, 1 | (24u << 16), 0, 18, 2835, 2835, 0, 0};
  for (int i = 0; i < kBitmapDescriptionValues; ++i) EXPECT_EQ(header[i], rgbExpected[i]) << i;
}

}  // namespace
