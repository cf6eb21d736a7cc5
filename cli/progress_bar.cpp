#include "cli/progress_bar.h"

#include <cstdio>

namespace {

// The percentage shown last; -1 when no bar of the present run is drawn.
int shownPercent = -1;

}  // namespace

void DrawProgressBar(int percent) {
  const int width = 40;
  int filled = percent * width / 100;
  std::fprintf(stderr, "\r[");
  for (int i = 0; i < width; ++i) std::fputc(i < filled ? '#' : ' ', stderr);
  std::fprintf(stderr, "] %3d%%", percent);
  std::fflush(stderr);
  shownPercent = percent;
}

void DrawRunProgress(int32_t row, int32_t total) {
  if (total <= 0) return;
  // 64-bit product: row * 100 overflows 32 bits for very tall images.
  const int percent = static_cast<int>(static_cast<int64_t>(row) * 100 / total);
  if (percent != shownPercent) DrawProgressBar(percent);
}

void EndProgressBar() {
  DrawProgressBar(100);
  std::fputc('\n', stderr);
  shownPercent = -1;
}
