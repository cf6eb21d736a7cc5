#include "plugin_host/plugin_host.h"

#include <chrono>
#include <cstring>

#include "image/image.h"

namespace {

// The callbacks are plain functions: one exchange is active at a time.
struct ActiveExchange {
  const Picture* source = nullptr;
  Picture* result = nullptr;
  long rgbWritten = 0;
  long tWritten = 0;
  long refused = 0;
  RowExchange::Times times;
};
ActiveExchange active;

double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void NoteRead() {
  double now = Now();
  if (active.times.firstRead == 0) active.times.firstRead = now;
  active.times.lastRead = now;
}

void NoteWrite() {
  double now = Now();
  if (active.times.firstWrite == 0) active.times.firstWrite = now;
  active.times.lastWrite = now;
}

bool RowFits(const Picture* picture, int32_t y, int32_t first, int32_t last, uint8_t* buffer) {
  return picture != nullptr && buffer != nullptr && y >= 0 && y < picture->height && first == 0 &&
         last == picture->width - 1;
}

// The row y of a plane with bytesPerPixel bytes per pixel.
uint8_t* PlaneRow(std::vector<uint8_t>& plane, int32_t width, int32_t y, int bytesPerPixel) {
  return &plane[static_cast<size_t>(y) * static_cast<size_t>(width) * bytesPerPixel];
}

// Copies one row between the host's picture and the plug-in's buffer.
int MoveRow(bool reading, bool rgb, int32_t y, int32_t first, int32_t last, uint8_t* buffer) {
  Picture* picture = reading ? const_cast<Picture*>(active.source) : active.result;
  if (!RowFits(picture, y, first, last, buffer)) return ++active.refused, 0;
  int bytesPerPixel = rgb ? 3 : 1;
  uint8_t* row = PlaneRow(rgb ? picture->bgr : picture->t, picture->width, y, bytesPerPixel);
  size_t bytes = static_cast<size_t>(picture->width) * bytesPerPixel;
  if (reading) {
    std::memcpy(buffer, row, bytes);
    NoteRead();
  } else {
    std::memcpy(row, buffer, bytes);
    ++(rgb ? active.rgbWritten : active.tWritten);
    NoteWrite();
  }
  return 1;
}

int MORFEL_CDECL ReadRgbRow(int32_t y, int32_t first, int32_t last, uint8_t* buffer, int32_t) {
  return MoveRow(true, true, y, first, last, buffer);
}

int MORFEL_CDECL ReadTRow(int32_t y, int32_t first, int32_t last, uint8_t* buffer, int32_t,
                          int32_t) {
  return MoveRow(true, false, y, first, last, buffer);
}

int MORFEL_CDECL WriteRgbRow(int32_t y, int32_t first, int32_t last, uint8_t* buffer, int32_t) {
  return MoveRow(false, true, y, first, last, buffer);
}

int MORFEL_CDECL WriteTRow(int32_t y, int32_t first, int32_t last, uint8_t* buffer, int32_t,
                           int32_t) {
  return MoveRow(false, false, y, first, last, buffer);
}

}  // namespace

RowExchange::RowExchange(const Picture& source, Picture* result) {
  active = ActiveExchange();
  active.source = &source;
  active.result = result;
  result->width = source.width;
  result->height = source.height;
  result->bgr.clear();
  result->t.clear();
  result->bgr.reserve(source.bgr.size());
  result->t.reserve(source.t.size());
  AdviseHugePages(result->bgr.data(), source.bgr.size());
  AdviseHugePages(result->t.data(), source.t.size());
  result->bgr.assign(source.bgr.size(), 0);
  result->t.assign(source.t.size(), 255);
  readTable_ = {ReadRgbRow, ReadTRow};
  writeTable_ = {WriteRgbRow, WriteTRow};
}

RowExchange::~RowExchange() { active = ActiveExchange(); }

long RowExchange::rgbRowsWritten() const { return active.rgbWritten; }
long RowExchange::tRowsWritten() const { return active.tWritten; }
long RowExchange::refused() const { return active.refused; }

RowExchange::Times RowExchange::times() const { return active.times; }
