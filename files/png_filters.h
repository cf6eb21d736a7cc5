// The row filters of the PNG writer: each row is replaced by its difference
// from a prediction (left, above, their mean or the Paeth guess), chosen per
// row as the one whose differences add up smallest, which is what leaves the
// compressor the most alike, small numbers. Private to the PNG writer.
#ifndef MORFEL_FILES_PNG_FILTERS_H
#define MORFEL_FILES_PNG_FILTERS_H

#include <cstddef>
#include <cstdint>
#include <vector>

// A row handed to the filters is preceded by this many zero bytes, so that
// the left neighbours of the first pixel read as zero without a test.
constexpr size_t kPngRowPad = 16;

enum class PngFilter : uint8_t { kNone, kSub, kUp, kAverage, kPaeth };
constexpr int kPngFilterCount = 5;

// Room for one row of each filter's differences.
struct PngFilterScratch {
  std::vector<uint8_t> candidates;
};

// Writes the filter byte and the filtered row (size + 1 bytes) to `out`:
// the filter with the smallest sum of differences when `choose`, else none.
// `row` and `above` hold `size` bytes of pixelBytes (3 or 4) each, preceded
// by kPngRowPad zero bytes; `above` is all zero for the first row.
void FilterPngRow(const uint8_t* row, const uint8_t* above, size_t size, int pixelBytes,
                  bool choose, PngFilterScratch* scratch, uint8_t* out);

#endif
