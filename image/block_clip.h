// Clipping of a pixel block copied between two images (private to image/).
#pragma once

#include <cstdint>

#include "image/image.h"

// A block that lies wholly inside both images once clipped.
struct ClippedBlock {
  int32_t sx, sy, sc;
  int32_t dx, dy, dc;
  int32_t w, h, n;
};

// Clips the block of Blit's arguments against source and destination, in the
// order the copy operations rely on (destination offsets first, then source
// offsets, then the far edges, then the channel ranges). Returns 0 when
// nothing is left to copy, else 1 with `out` filled.
int32_t ClipBlock(const RgbtImage& source, const RgbtImage& destination, int32_t sx, int32_t sy,
                  int32_t sc, int32_t w, int32_t h, int32_t dx, int32_t dy, int32_t dc, int32_t n,
                  ClippedBlock* out);
