// Row exchange with the host: straight into and out of the images' own rows.
#include "plugin/plugin.h"

namespace {

uint8_t* RowStart(RgbtImage& image, int32_t y) {
  return image.data + static_cast<int64_t>(y) * image.rowLength;
}

}  // namespace

void ReadHostRows(const RowCallbackTable* readTable, const int32_t* imageSize, RgbtImage& rgb,
                  RgbtImage& t) {
  const int32_t width = imageSize != nullptr ? imageSize[0] : 0;
  const int32_t height = imageSize != nullptr ? imageSize[1] : 0;
  // A size the images refuse (empty, negative, too large) leaves them empty;
  // reading then stops before any row, so no callback writes through null.
  if (readTable == nullptr || rgb.Create(width, height, 3) == 0 ||
      t.Create(width, height, 1) == 0) {
    rgb.Create(0, 0, 3);
    t.Create(0, 0, 1);
    return;
  }
  for (int32_t y = 0; y < height; ++y) {
    readTable->rgbRow(y, 0, width - 1, RowStart(rgb, y), -1);
    readTable->tRow(y, 0, width - 1, RowStart(t, y), -1, 1);
  }
}

void WriteHostImage(const RowCallbackTable* writeTable, RgbtImage& rgb, RgbtImage& t) {
  const int32_t width = rgb.width;
  // Both planes come from the same host image; the shorter one bounds the
  // rows so a mismatch can never read past a buffer.
  int32_t height = rgb.height < t.height ? rgb.height : t.height;
  if (writeTable == nullptr) height = 0;
  for (int32_t y = 0; y < height; ++y) {
    writeTable->rgbRow(y, 0, width - 1, RowStart(rgb, y), -1);
    writeTable->tRow(y, 0, width - 1, RowStart(t, y), -1, 1);
  }
  SendMessageA(Module().hostWindow, kHostMessage, kRunCompleted, 0);
}

void ReportProgress(int32_t row, int32_t total) {
  if (total <= 0) return;
  // 64-bit product: row * 100 overflows 32 bits for images taller than
  // about 21 million rows.
  const int64_t percent = static_cast<int64_t>(row) * 100 / total;
  SendMessageA(Module().hostWindow, kHostMessage, kProgressReport,
               static_cast<LPARAM>(percent));
}
