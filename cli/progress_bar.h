// The progress bar morfel apply draws on standard error (a terminal) while
// a picture is run: "[####    ]  50%", redrawn in place.
#ifndef MORFEL_CLI_PROGRESS_BAR_H
#define MORFEL_CLI_PROGRESS_BAR_H

#include <cstdint>

// Draws the bar at percent (0 to 100).
void DrawProgressBar(int percent);
// The bar for row of total finished rows, redrawn only when its percentage
// changes; the first row of a run always draws it.
void DrawRunProgress(int32_t row, int32_t total);
// Draws the bar full and ends its line.
void EndProgressBar();

#endif
