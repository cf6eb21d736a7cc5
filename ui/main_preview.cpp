// The live preview: a reduced copy of the image, run through the current
// program with Round interpolation and drawn into the preview area.
#include <cstring>

#include "ui/main_dialog_internal.h"
#include "ui/ui.h"

namespace {

constexpr int32_t kRowAlignment = 4;

RECT PreviewArea(HWND dialog) {
  RECT area = {0, 0, 0, 0};
  GetClientRect(GetDlgItem(dialog, kMainPreviewArea), &area);
  return area;
}

// Top-left corner that centres the preview images in the preview area.
POINT PreviewOrigin(HWND dialog, const RgbtImage& preview) {
  const RECT area = PreviewArea(dialog);
  POINT origin;
  origin.x = (area.right - preview.width) / 2;
  origin.y = (area.bottom - preview.height) / 2;
  return origin;
}

// Shows the image's real pixels: copies of the full-size source laid side
// by side from the top-left corner, as many as start inside the area.
void TileFullScale(FilterContext& context, HWND dialog) {
  const RgbtImage& source = *context.sourceRgb;
  if (source.width <= 0 || source.height <= 0) return;
  const RECT area = PreviewArea(dialog);
  for (int32_t y = 0; y < area.bottom; y += source.height) {
    for (int32_t x = 0; x < area.right; x += source.width) {
      context.previewSourceRgb->Blit(source, 0, 0, 0, 0, 0, x, y, 0, 0);
    }
  }
}

// Shows transparency as darkening: each colour byte scaled by the pixel's T.
void DarkenByTransparency(RgbtImage& rgb, const RgbtImage& t) {
  if (rgb.width != t.width || rgb.height != t.height) return;
  for (int32_t y = 0; y < rgb.height; ++y) {
    uint8_t* colour = rgb.data + static_cast<int64_t>(y) * rgb.rowLength;
    const uint8_t* alpha = t.data + static_cast<int64_t>(y) * t.rowLength;
    for (int32_t x = 0; x < rgb.width; ++x) {
      for (int32_t k = 0; k < 3; ++k) {
        colour[3 * x + k] = static_cast<uint8_t>((colour[3 * x + k] * alpha[x]) >> 8);
      }
    }
  }
}

// Fresh images hold leftover memory; an image without pixels leaves the
// preview black instead.
void ClearImage(RgbtImage& image) {
  if (image.data == nullptr) return;
  std::memset(image.data, 0, static_cast<size_t>(image.rowLength) * image.height);
}

// Until a preview has run, the area shows the reduced image unchanged, as
// after a failed run, never the result images' leftover memory.
void ShowReducedImage(FilterContext& context) {
  ClearImage(*context.previewSourceRgb);
  ClearImage(*context.previewSourceT);
  ClearImage(*context.previewResultT);
  context.previewSourceRgb->ResampleNearest(*context.sourceRgb);
  context.previewSourceT->ResampleNearest(*context.sourceT);
  context.previewResultRgb->Blit(*context.previewSourceRgb, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  context.previewResultRgb->Mirror(false, true);
}

int32_t RunPreview(FilterContext& context, HWND dialog, RunFlags* flags) {
  MessageBoxErrors errors;
  const RunEnvironment environment = {context.engine, context.slots, &errors, dialog};
  return RunTransform(environment, *context.previewSourceRgb, *context.previewSourceT,
                      *context.previewResultRgb, *context.previewResultT, kTransformRound,
                      flags);
}

}  // namespace

PreviewSize ComputePreviewSize(int32_t areaWidth, int32_t areaHeight, int32_t imageWidth,
                               int32_t imageHeight) {
  const int64_t width4 = areaWidth / kRowAlignment * kRowAlignment;
  const int64_t height = areaHeight;
  PreviewSize size = {kRowAlignment, 1};
  if (width4 < kRowAlignment || height < 1) return size;
  // An empty image has no proportions: it gets the whole area.
  if (imageWidth <= 0 || imageHeight <= 0) {
    size.width = static_cast<int32_t>(width4);
    size.height = static_cast<int32_t>(height);
    return size;
  }
  // 64-bit products: a huge image times the area would overflow 32 bits.
  if (static_cast<double>(imageWidth) / imageHeight <
      static_cast<double>(width4) / static_cast<double>(height)) {
    int64_t width = static_cast<int64_t>(imageWidth) * height / imageHeight;
    if (width < 1) width = 1;
    width = (width + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    size.width = static_cast<int32_t>(width);
    size.height = static_cast<int32_t>(height);
  } else {
    int64_t previewHeight = static_cast<int64_t>(imageHeight) * width4 / imageWidth;
    if (previewHeight < 1) previewHeight = 1;
    size.width = static_cast<int32_t>(width4);
    size.height = static_cast<int32_t>(previewHeight);
  }
  return size;
}

void SizePreviewImages(HWND dialog) {
  FilterContext* context = ActiveFilterContext();
  if (context == nullptr || context->sourceRgb == nullptr) return;
  const RECT area = PreviewArea(dialog);
  const PreviewSize size = ComputePreviewSize(area.right, area.bottom, context->sourceRgb->width,
                                              context->sourceRgb->height);
  context->previewSourceRgb->Create(size.width, size.height, 3);
  context->previewSourceT->Create(size.width, size.height, 1);
  context->previewResultRgb->CreateLike(*context->previewSourceRgb, 0);
  context->previewResultT->CreateLike(*context->previewSourceT, 0);
  ShowReducedImage(*context);
}

void DrawPreview(HWND dialog) {
  FilterContext* context = ActiveFilterContext();
  if (context == nullptr || context->previewResultRgb == nullptr) return;
  const RgbtImage& image = *context->previewResultRgb;
  if (image.data == nullptr) return;
  uint32_t description[kBitmapDescriptionValues];
  image.DescribeBitmap(description);
  // The information header follows the three values of the file header.
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  std::memcpy(&info.bmiHeader, description + 3, sizeof info.bmiHeader);
  const POINT origin = PreviewOrigin(dialog, image);
  HWND area = GetDlgItem(dialog, kMainPreviewArea);
  HDC dc = GetDC(area);
  SetDIBitsToDevice(dc, origin.x, origin.y, static_cast<DWORD>(image.width),
                    static_cast<DWORD>(image.height), 0, 0, 0, static_cast<UINT>(image.height),
                    image.data, &info, DIB_RGB_COLORS);
  ReleaseDC(area, dc);
}

void RenderPreview(HWND dialog) {
  FilterContext* context = ActiveFilterContext();
  if (context == nullptr || context->sourceRgb == nullptr) return;
  context->previewSourceRgb->ResampleNearest(*context->sourceRgb);
  context->previewSourceT->ResampleNearest(*context->sourceT);
  EditTextsToSlots(dialog);
  RunFlags flags = 0;
  int32_t succeeded = RunPreview(*context, dialog, &flags);
  if (succeeded && (flags & kRunFlagScale) != 0) {
    TileFullScale(*context, dialog);
    succeeded = RunPreview(*context, dialog, &flags);
  }
  if (succeeded) {
    if ((flags & kRunFlagTplane) != 0) {
      DarkenByTransparency(*context->previewResultRgb, *context->previewResultT);
    }
  } else {
    context->previewResultRgb->Blit(*context->previewSourceRgb, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  }
  // Bottom-up rows for the device-independent bitmap.
  context->previewResultRgb->Mirror(false, true);
  DrawPreview(dialog);
  InvalidateRect(GetDlgItem(dialog, kMainPreviewArea), nullptr, FALSE);
}
