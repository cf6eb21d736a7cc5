// The live preview: the context's last preview, drawn into the preview area
// as a bottom-up device-independent bitmap.
#include <cstring>

#include "ui/main_dialog_internal.h"
#include "ui/ui.h"

namespace {

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

// The bitmap's rows run bottom-up: the preview is turned over once per
// change, and every paint draws it as it stands.
void TurnOverForDrawing(FilterContext& context) { context.previewResultRgb.Mirror(false, true); }

}  // namespace

void SizePreviewImages(HWND dialog, FilterContext& context) {
  const RECT area = PreviewArea(dialog);
  context.SizePreview(area.right, area.bottom);
  TurnOverForDrawing(context);
}

void DrawPreview(HWND dialog, const FilterContext& context) {
  const RgbtImage& image = context.previewResultRgb;
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

void RenderPreview(HWND dialog, FilterContext& context) {
  EditTextsToSlots(dialog, context);
  const RECT area = PreviewArea(dialog);
  const RunReport report = context.RunPreview(area.right, area.bottom);
  // A preview stopped for taking too long left the last one as it was drawn.
  if (report.status != RunStatus::kStopped) TurnOverForDrawing(context);
  if (report.autoPreviewSwitchedOff) CheckDlgButton(dialog, kMainAutoPreview, BST_UNCHECKED);
  DrawPreview(dialog, context);
  InvalidateRect(GetDlgItem(dialog, kMainPreviewArea), nullptr, FALSE);
  ShowMessages(dialog, report.messages);
}
