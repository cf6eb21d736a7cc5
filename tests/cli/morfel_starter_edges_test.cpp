// The starter programs that read their neighbours keep each edge to itself:
// a white patch at the top-left corner never shows at the opposite edges,
// and the patch itself is not darkened by the far side of the image.
#include <gtest/gtest.h>

#ifndef _WIN32

#include "tests/cli/morfel_runner.h"

TEST_F(MorfelProgram, NeighbourhoodStartersDoNotBleedAcrossEdges) {
  constexpr int kWidth = 8;
  constexpr int kHeight = 6;
  Picture patch;
  patch.width = kWidth;
  patch.height = kHeight;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const uint8_t level = x < 2 && y < 2 ? 255 : 0;
      patch.bgr.insert(patch.bgr.end(), {level, level, level});
      patch.t.push_back(255);
    }
  }
  std::string error;
  ASSERT_EQ(WritePicture(Path("patch.png"), patch, &error), 1) << error;
  for (const char* program : {"Filter/Box blur", "Filter/Repeated blur", "Filter/Melt"}) {
    SCOPED_TRACE(program);
    ASSERT_EQ(Run({"apply", "--quiet", "--base", base_, "--program", program, Path("patch.png"),
                   Path("out.png")})
                  .status,
              0);
    const Picture out = Read("out.png");
    auto level = [&](int x, int y) { return out.bgr[(static_cast<size_t>(y) * kWidth + x) * 3]; };
    for (int x = 0; x < kWidth; ++x) EXPECT_EQ(level(x, kHeight - 1), 0) << "bottom row, " << x;
    for (int y = 0; y < kHeight; ++y) EXPECT_EQ(level(kWidth - 1, y), 0) << "right column, " << y;
    EXPECT_GE(level(0, 0), 100) << "the corner keeps its own light";
  }
}

#endif
