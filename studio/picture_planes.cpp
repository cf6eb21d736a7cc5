#include "studio/picture_planes.h"

#include <cstring>

namespace {

// Copies rows of rowBytes bytes between buffers of their own strides.
void CopyRows(uint8_t* to, int64_t toStride, const uint8_t* from, int64_t fromStride,
              int64_t rowBytes, int32_t rows) {
  for (int32_t y = 0; y < rows; ++y) {
    std::memcpy(to + y * toStride, from + y * fromStride, static_cast<size_t>(rowBytes));
  }
}

QImage RowsToImage(const uint8_t* rows, int32_t width, int32_t height, int64_t stride) {
  if (rows == nullptr || width <= 0 || height <= 0) return QImage();
  QImage image(width, height, QImage::Format_RGB888);
  if (image.isNull()) return image;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* bgr = rows + y * stride;
    uchar* rgb = image.scanLine(y);
    for (int32_t x = 0; x < width; ++x) {
      rgb[3 * x] = bgr[3 * x + 2];
      rgb[3 * x + 1] = bgr[3 * x + 1];
      rgb[3 * x + 2] = bgr[3 * x];
    }
  }
  return image;
}

}  // namespace

bool LoadSourcePlanes(FilterContext& context, const Picture& picture) {
  const int32_t width = picture.width;
  const int32_t height = picture.height;
  if (picture.bgr.size() < static_cast<size_t>(width) * height * 3 ||
      context.sourceRgb.Create(width, height, 3) == 0 ||
      context.sourceT.Create(width, height, 1) == 0) {
    context.sourceRgb.Create(0, 0, 0);
    context.sourceT.Create(0, 0, 0);
    return false;
  }
  CopyRows(context.sourceRgb.data, context.sourceRgb.rowLength, picture.bgr.data(),
           int64_t{width} * 3, int64_t{width} * 3, height);
  if (picture.t.size() >= static_cast<size_t>(width) * height) {
    CopyRows(context.sourceT.data, context.sourceT.rowLength, picture.t.data(), width, width,
             height);
  } else {
    context.sourceT.Fill(255, -1);  // no transparency read: opaque
  }
  return true;
}

Picture PlanesToPicture(const RgbtImage& rgb, const RgbtImage& t) {
  Picture picture;
  if (rgb.data == nullptr || t.data == nullptr || rgb.width != t.width || rgb.height != t.height) {
    return picture;
  }
  picture.width = rgb.width;
  picture.height = rgb.height;
  picture.bgr.resize(static_cast<size_t>(rgb.width) * rgb.height * 3);
  picture.t.resize(static_cast<size_t>(rgb.width) * rgb.height);
  CopyRows(picture.bgr.data(), int64_t{rgb.width} * 3, rgb.data, rgb.rowLength,
           int64_t{rgb.width} * 3, rgb.height);
  CopyRows(picture.t.data(), rgb.width, t.data, t.rowLength, rgb.width, rgb.height);
  return picture;
}

QImage PlaneToImage(const RgbtImage& rgb) {
  if (rgb.channels != 3) return QImage();
  return RowsToImage(rgb.data, rgb.width, rgb.height, rgb.rowLength);
}

QImage PictureToImage(const Picture& picture) {
  if (picture.bgr.size() < static_cast<size_t>(picture.width) * picture.height * 3) {
    return QImage();
  }
  return RowsToImage(picture.bgr.data(), picture.width, picture.height, int64_t{picture.width} * 3);
}
