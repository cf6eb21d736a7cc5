// Fetching the source colour at a computed position, with the pass's
// interpolation. T is never interpolated: it always comes from the pixel
// whose cell contains the position.
#include "transform/pass.h"
#include "transform/transform.h"

namespace transform_pass {
namespace {

// All three channels in one kernel call, which finds the neighbours once.
void FetchInterpolated(const PassSource& source, WrappedAxis x, WrappedAxis y, uint8_t* rgbOut) {
  const RgbtImage& image = *source.rgb;
  if (source.interpolation == kInterpLinear)
    SampleLinearPixel(image, x.index, y.index, x.fraction, y.fraction, rgbOut);
  else
    SampleBezierPixel(image, x.index, y.index, x.fraction, y.fraction, rgbOut);
}

}  // namespace

void FetchSourcePixel(const PassSource& source, double posX, double posY, uint8_t* rgbOut,
                      uint8_t* tOut) {
  const RgbtImage& rgb = *source.rgb;
  const RgbtImage& transparency = *source.transparency;
  WrappedAxis x = WrapAxis(posX, source.tileOffsetX, rgb.width);
  WrappedAxis y = WrapAxis(posY, source.tileOffsetY, rgb.height);
  if (source.interpolation == kInterpRound) {
    const uint8_t* pixel =
        rgb.data + static_cast<size_t>(y.index) * rgb.rowLength + static_cast<size_t>(x.index) * 3;
    rgbOut[0] = pixel[0];
    rgbOut[1] = pixel[1];
    rgbOut[2] = pixel[2];
  } else {
    FetchInterpolated(source, x, y, rgbOut);
  }
  *tOut = transparency.data[static_cast<size_t>(y.index) * transparency.rowLength + x.index];
}

}  // namespace transform_pass
