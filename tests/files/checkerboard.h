// A small picture whose every pixel differs from its neighbours: blue and
// green count columns and rows, red alternates, T counts columns (or is
// opaque), so a swapped, shifted or dropped byte shows.
#pragma once

#include <cstdint>

#include "files/files.h"

inline Picture Checkerboard(int width, int height, bool transparent = true) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      picture.bgr.push_back(static_cast<uint8_t>(x * 10));
      picture.bgr.push_back(static_cast<uint8_t>(y * 10));
      picture.bgr.push_back(static_cast<uint8_t>((x + y) % 2 ? 255 : 0));
      picture.t.push_back(transparent ? static_cast<uint8_t>(x * 20) : 255);
    }
  }
  return picture;
}
