// The line drawing and line reading slots of RgbtImage.
#include <cstdlib>
#include <cstring>

#include "image/image.h"
#include "image/line_walk.h"

namespace {

bool Inside(const RgbtImage& image, int32_t x, int32_t y) {
  return x >= 0 && y >= 0 && x < image.width && y < image.height;
}

uint8_t* PixelAt(RgbtImage& image, int32_t x, int32_t y) {
  return image.data + static_cast<size_t>(y) * image.rowLength +
         static_cast<size_t>(x) * image.channels;
}

}  // namespace

void RgbtImage::DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t channel,
                         int32_t value) {
  if (channel == -1) channel = defaultChannel;
  if (value == -1) value = defaultValue;
  if (channel < 0 || channel >= channels) return;
  if (!Inside(*this, x0, y0) || !Inside(*this, x1, y1)) return;
  const LineWalk walk(x0, y0, x1, y1);
  const uint8_t byte = static_cast<uint8_t>(value & 0xFF);
  for (int32_t i = 0; i < walk.Count(); ++i) PixelAt(*this, walk.X(i), walk.Y(i))[channel] = byte;
}

void RgbtImage::DrawLineFromPen(int32_t x, int32_t y, int32_t channel, int32_t value) {
  DrawLine(penX, penY, x, y, channel, value);
}

void RgbtImage::LineTo(int32_t x, int32_t y, int32_t channel, int32_t value) {
  DrawLineFromPen(x, y, channel, value);
  penX = x;
  penY = y;
}

void RgbtImage::DrawRectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t channel,
                              int32_t value) {
  DrawLine(x0, y0, x1, y0, channel, value);
  DrawLine(x1, y0, x1, y1, channel, value);
  DrawLine(x1, y1, x0, y1, channel, value);
  DrawLine(x0, y1, x0, y0, channel, value);
}

int32_t RgbtImage::ReadAlongLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                                 uint8_t* buffer, int32_t capacity) {
  if (buffer == nullptr || channels < 1) return 0;
  if (!Inside(*this, x0, y0) || !Inside(*this, x1, y1)) return 0;
  const LineWalk walk(x0, y0, x1, y1);
  int32_t copied = 0;
  for (; copied < walk.Count(); ++copied) {
    if (int64_t{copied + 1} * channels > capacity) break;  // the buffer is full
    std::memcpy(buffer + static_cast<size_t>(copied) * channels,
                PixelAt(*this, walk.X(copied), walk.Y(copied)), static_cast<size_t>(channels));
  }
  return copied;
}

int32_t RgbtImage::ReadAlongLineFromPen(int32_t x, int32_t y, uint8_t* buffer,
                                        int32_t capacity) {
  return ReadAlongLine(penX, penY, x, y, buffer, capacity);
}

int32_t RgbtImage::ReadAlongLineTo(int32_t x, int32_t y, uint8_t* buffer, int32_t capacity) {
  const int32_t count = ReadAlongLineFromPen(x, y, buffer, capacity);
  penX = x;
  penY = y;
  return count;
}

namespace {

int32_t SaturateToInt32(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

}  // namespace

void RgbtImage::StepTowards(int32_t x, int32_t y, int32_t distance, int32_t* outX,
                            int32_t* outY) {
  const int64_t dx = int64_t{x} - penX;
  const int64_t dy = int64_t{y} - penY;
  const int64_t longer = std::llabs(dx) > std::llabs(dy) ? std::llabs(dx) : std::llabs(dy);
  int64_t stepX = 0, stepY = 0;
  if (longer != 0) {
    stepX = dx * distance / longer;
    stepY = dy * distance / longer;
  }
  if (outX != nullptr) *outX = SaturateToInt32(penX + stepX);
  if (outY != nullptr) *outY = SaturateToInt32(penY + stepY);
}
