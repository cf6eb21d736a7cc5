// Placeholder bodies so that dependants link while the image subsystem is built.
#include "image/image.h"

RgbtImage::RgbtImage(int32_t w, int32_t h, int32_t c) { Create(w, h, c, 0); }
RgbtImage::~RgbtImage() { delete[] data; }
int32_t RgbtImage::Create(int32_t, int32_t, int32_t, int32_t) { return 0; }
int32_t RgbtImage::CreateLike(const RgbtImage&, int32_t) { return 0; }
uint8_t* RgbtImage::PixelAddress(int32_t, int32_t, int32_t) { return nullptr; }
const uint8_t* RgbtImage::PixelAddress(int32_t, int32_t, int32_t) const { return nullptr; }
void RgbtImage::Fill(int32_t, int32_t) {}
void RgbtImage::Blit(const RgbtImage&, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                     int32_t, int32_t, int32_t) {}
void RgbtImage::Mirror(bool, bool) {}
void RgbtImage::ResampleNearest(const RgbtImage&) {}
int32_t RgbtImage::Exchange(RgbtImage&) { return 0; }
int32_t RgbtImage::DescribeBitmap(uint32_t*) const { return 52; }
void RgbtImage::SetScale(int32_t, int32_t) {}
void RgbtImage::CombineFrom(const RgbtImage&, int32_t) {}
void RgbtImage::DrawLine(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {}
void RgbtImage::DrawLineFromPen(int32_t, int32_t, int32_t, int32_t) {}
void RgbtImage::LineTo(int32_t, int32_t, int32_t, int32_t) {}
void RgbtImage::DrawRectangle(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {}
int32_t RgbtImage::ReadAlongLine(int32_t, int32_t, int32_t, int32_t, uint8_t*, int32_t) { return 0; }
int32_t RgbtImage::ReadAlongLineFromPen(int32_t, int32_t, uint8_t*, int32_t) { return 0; }
int32_t RgbtImage::ReadAlongLineTo(int32_t, int32_t, uint8_t*, int32_t) { return 0; }
void RgbtImage::StepTowards(int32_t, int32_t, int32_t, int32_t*, int32_t*) {}
int32_t RgbtImage::FloodFill(int32_t, int32_t, int32_t, int32_t) { return 0; }
int32_t RgbtImage::FloodFillWith(int32_t, int32_t, FillTest, void*) { return 0; }
ProgressImage::ProgressImage(int32_t w, int32_t h, int32_t c) : RgbtImage(w, h, c) {}
ProgressImage::~ProgressImage() = default;
uint8_t SampleRound(const RgbtImage&, int32_t, int32_t, int32_t) { return 0; }
uint8_t SampleLinear(const RgbtImage&, int32_t, int32_t, double, double, int32_t) { return 0; }
uint8_t SampleBezier(const RgbtImage&, int32_t, int32_t, double, double, int32_t) { return 0; }
int32_t Curve::AddPoint(double, double) { return 0; }
int32_t Curve::SetPoint(int32_t, double) { return 0; }
double Curve::EvaluateSegment(int32_t, double) const { return 0; }
HlsColour RgbToHls(double, double, double) { return {0, 0, 0}; }
RgbColour HlsToRgb(double, double, double) { return {0, 0, 0}; }
int32_t ReadBmpHeader(const char*, BmpHeader*) { return 0; }
int32_t ReadBmpPixels(const char*, const BmpHeader&, RgbtImage&) { return 0; }
int32_t LoadBmpFile(const char*, RgbtImage&) { return 0; }
