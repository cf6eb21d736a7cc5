// One pass of a transform: every destination pixel, in row order, gets its
// position and source colour loaded into the script's variables, the
// Transform program run, and its result written by "coord".
#include <cmath>

#include "script/script.h"
#include "transform/pass.h"
#include "transform/transform.h"

namespace {

using transform_pass::ColourByte;
using transform_pass::FetchSourcePixel;
using transform_pass::PassSource;

// The wrap offset is the image size shifted left by 8 bits: 256 tiles.
constexpr double kTilesBeforeOrigin = 256.0;

// The variables a pass writes before and reads after each program run,
// bound by address once per pass so no pixel pays for a name lookup.
struct PixelCells {
  double* x;
  double* y;
  double* r;
  double* t;
  double* cx;
  double* cy;
  double* red;
  double* green;
  double* blue;
  double* alpha;
  double* coord;
};

struct PixelCellName {
  const char* name;
  double* PixelCells::*field;
};

constexpr PixelCellName kPixelCellNames[] = {
    {"x", &PixelCells::x},     {"y", &PixelCells::y},         {"r", &PixelCells::r},
    {"t", &PixelCells::t},     {"cx", &PixelCells::cx},       {"cy", &PixelCells::cy},
    {"R", &PixelCells::red},   {"G", &PixelCells::green},     {"B", &PixelCells::blue},
    {"T", &PixelCells::alpha}, {"coord", &PixelCells::coord},
};

int32_t BindPixelCells(ScriptEngine& engine, PixelCells* cells) {
  for (const PixelCellName& entry : kPixelCellNames) {
    double* cell = engine.VariableCell(entry.name);
    if (cell == nullptr) return 0;
    cells->*entry.field = cell;
  }
  return 1;
}

// The position a pixel started with, before its program changed x and y.
struct PixelPosition {
  double x;
  double y;
};

struct Pass {
  ScriptEngine* engine;
  PixelCells cells;
  PassSource source;
  // r and t cost a square root and an arc tangent per pixel; when the
  // Transform program never names them nothing can see them (built-ins
  // reach only cx, cy and the colour variables), so they are worked out
  // only where a polar fetch or the end of the pass needs them.
  bool polarNamed;
  PixelPosition last;
  bool interrupted;
  StopRecord firstStop;
};

// 1 when the Transform program reads or writes r or t.
bool ProgramNamesPolar(ScriptEngine& engine, const PixelCells& cells) {
  const GrowArray<Instruction>* code = engine.ProgramAt(ProgramSlot::kTransform);
  if (code == nullptr) return false;
  for (int32_t i = 0; i < code->size; ++i) {
    const Instruction& instruction = code->data[i];
    if (instruction.kind != KIND_VAR) continue;
    if (instruction.cell == cells.r || instruction.cell == cells.t) return true;
  }
  return false;
}

void StorePolar(const PixelCells& cells, PixelPosition position) {
  *cells.r = std::sqrt(position.x * position.x + position.y * position.y);
  *cells.t = std::atan2(position.y, position.x);
}

// Position and colour of the pixel at (column, row) into the variables.
PixelPosition LoadPixelVariables(const Pass& pass, int32_t column, int32_t row,
                                 const uint8_t* sourceRgb, const uint8_t* sourceT) {
  const PixelCells& cells = pass.cells;
  PixelPosition position{column - *cells.cx, row - *cells.cy};
  *cells.x = position.x;
  *cells.y = position.y;
  if (pass.polarNamed) StorePolar(cells, position);
  *cells.blue = sourceRgb[0];
  *cells.green = sourceRgb[1];
  *cells.red = sourceRgb[2];
  *cells.alpha = sourceT[0];
  return position;
}

// Writes the destination pixel as "coord" says; a "coord" outside 0..2
// (NaN included) leaves it as it was.
void StorePixelResult(const Pass& pass, PixelPosition loaded, uint8_t* destinationRgb,
                      uint8_t* destinationT) {
  const PixelCells& cells = pass.cells;
  double coord = *cells.coord;
  if (!(coord >= 0.0 && coord <= 2.0)) return;
  if (coord == 0.0) {
    destinationRgb[0] = ColourByte(*cells.blue);
    destinationRgb[1] = ColourByte(*cells.green);
    destinationRgb[2] = ColourByte(*cells.red);
    *destinationT = ColourByte(*cells.alpha);
    return;
  }
  double posX;
  double posY;
  if (coord == 1.0) {
    if (!pass.polarNamed) StorePolar(cells, loaded);
    posX = *cells.r * std::cos(*cells.t) + *cells.cx;
    posY = *cells.r * std::sin(*cells.t) + *cells.cy;
  } else {
    posX = *cells.x + *cells.cx;
    posY = *cells.y + *cells.cy;
  }
  FetchSourcePixel(pass.source, posX, posY, destinationRgb, destinationT);
}

// Notes a stopped program run; true when it ends the pass: the budget's
// check stopped it, or exit with a negative argument.
bool EndsPass(Pass& pass, const RunOutcome& outcome, int32_t column, int32_t row) {
  if (outcome.Exited()) return outcome.exitCode < 0;
  if (!outcome.Stopped()) return false;
  if (outcome.stopReason == StopReason::kInterrupted) {
    pass.interrupted = true;
    return true;
  }
  if (pass.firstStop.reason == StopReason::kNone) pass.firstStop = {outcome.stopReason, column, row};
  return false;
}

// Runs every pixel of one row. 0 when the pass ends there.
int32_t TransformRow(Pass& pass, int32_t row, RgbtImage& destinationRgb, RgbtImage& destinationT) {
  const RgbtImage& sourceRgb = *pass.source.rgb;
  const RgbtImage& sourceT = *pass.source.transparency;
  const uint8_t* sourceRgbPixel = sourceRgb.data + static_cast<size_t>(row) * sourceRgb.rowLength;
  const uint8_t* sourceTPixel = sourceT.data + static_cast<size_t>(row) * sourceT.rowLength;
  uint8_t* destinationRgbPixel =
      destinationRgb.data + static_cast<size_t>(row) * destinationRgb.rowLength;
  uint8_t* destinationTPixel =
      destinationT.data + static_cast<size_t>(row) * destinationT.rowLength;
  for (int32_t column = 0; column < sourceRgb.width; ++column) {
    if (!pass.engine->SpendWork(1)) {
      pass.interrupted = true;
      return 0;
    }
    pass.last = LoadPixelVariables(pass, column, row, sourceRgbPixel, sourceTPixel);
    if (EndsPass(pass, pass.engine->Run(ProgramSlot::kTransform), column, row)) return 0;
    StorePixelResult(pass, pass.last, destinationRgbPixel, destinationTPixel);
    sourceRgbPixel += 3;
    sourceTPixel += 1;
    destinationRgbPixel += 3;
    destinationTPixel += 1;
  }
  return 1;
}

// Runs the rows in order, telling progress after each. Rows finished.
int32_t TransformRows(Pass& pass, const ResultPlanes& destination) {
  const int32_t height = pass.source.rgb->height;
  for (int32_t row = 0; row < height; ++row) {
    if (!TransformRow(pass, row, destination.rgb, destination.t)) return row;
    if (destination.rgb.progress != nullptr) destination.rgb.progress(row, height);
  }
  return height;
}

int32_t PlaneFits(const RgbtImage& plane, const RgbtImage& shape, int32_t channels) {
  return plane.data != nullptr && plane.channels == channels && plane.width == shape.width &&
         plane.height == shape.height && plane.width >= 1 && plane.height >= 1 &&
         static_cast<int64_t>(plane.rowLength) >= static_cast<int64_t>(plane.width) * channels;
}

}  // namespace

int32_t ImagesFitForRun(const Planes& source, const Planes& destination) {
  const RgbtImage& shape = source.rgb;
  return PlaneFits(source.rgb, shape, 3) && PlaneFits(source.t, shape, 1) &&
         PlaneFits(destination.rgb, shape, 3) && PlaneFits(destination.t, shape, 1);
}

PassOutcome TransformPixels(const Planes& source, const ResultPlanes& destination,
                            ScriptEngine& engine, Interpolation interpolation) {
  PassOutcome outcome{0, false, {}};
  if (!ImagesFitForRun(source, destination)) return outcome;
  Pass pass;
  pass.engine = &engine;
  if (!BindPixelCells(engine, &pass.cells)) return outcome;
  pass.source = {&source.rgb, &source.t, source.rgb.width * kTilesBeforeOrigin,
                 source.rgb.height * kTilesBeforeOrigin, interpolation};
  pass.polarNamed = ProgramNamesPolar(engine, pass.cells);
  pass.last = {0.0, 0.0};
  pass.interrupted = false;
  outcome.rows = TransformRows(pass, destination);
  // The variables keep the last pixel's values, r and t included.
  if (!pass.polarNamed) StorePolar(pass.cells, pass.last);
  outcome.interrupted = pass.interrupted;
  outcome.firstStop = pass.firstStop;
  return outcome;
}
