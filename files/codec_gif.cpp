// GIF through giflib, read only: the first frame on the logical screen, its
// transparent colour as T 0, the screen outside the frame transparent too.
#if !defined(_WIN32)
#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "files/codecs.h"

namespace {

struct GifSource {
  const Bytes* bytes;
  size_t position;
};

int ReadGif(GifFileType* gif, GifByteType* buffer, int size) {
  GifSource* source = static_cast<GifSource*>(gif->UserData);
  size_t count = std::min(static_cast<size_t>(size), source->bytes->size() - source->position);
  std::memcpy(buffer, source->bytes->data() + source->position, count);
  source->position += count;
  return static_cast<int>(count);
}

bool GifFailed(GifFileType* gif, std::string* error) {
  const char* text = GifErrorString(gif->Error);
  *error = text != nullptr ? text : "the GIF data is corrupt";
  return false;
}

// Reads extensions up to the first image; returns the transparent colour
// index of its graphic control block, or -1.
bool SkipToImage(GifFileType* gif, int* transparent, std::string* error) {
  for (;;) {
    GifRecordType record;
    if (DGifGetRecordType(gif, &record) == GIF_ERROR) return GifFailed(gif, error);
    if (record == IMAGE_DESC_RECORD_TYPE) return true;
    if (record == TERMINATE_RECORD_TYPE) {
      *error = "the GIF holds no image";
      return false;
    }
    if (record != EXTENSION_RECORD_TYPE) continue;
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return GifFailed(gif, error);
    GraphicsControlBlock control;
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr &&
        DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
      *transparent = control.TransparentColor;
    }
    while (block != nullptr) {
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return GifFailed(gif, error);
    }
  }
}

// The frame's rows in file order: interlaced frames store them in four passes.
std::vector<int> FrameRowOrder(int height, bool interlaced) {
  std::vector<int> order;
  if (!interlaced) {
    for (int y = 0; y < height; ++y) order.push_back(y);
    return order;
  }
  const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
  }
  return order;
}

bool ReadFrame(GifFileType* gif, int transparent, Picture* picture, std::string* error) {
  const GifImageDesc& frame = gif->Image;
  const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
  if (map == nullptr) {
    *error = "the GIF has no colour table";
    return false;
  }
  size_t width = static_cast<size_t>(picture->width);
  Bytes rgba(width * static_cast<size_t>(picture->height) * 4, 0);
  std::vector<GifPixelType> line(static_cast<size_t>(std::max(frame.Width, 1)));
  for (int y : FrameRowOrder(frame.Height, frame.Interlace)) {
    if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) return GifFailed(gif, error);
    int screenY = frame.Top + y;
    if (screenY < 0 || screenY >= picture->height) continue;
    for (int x = 0; x < frame.Width; ++x) {
      int screenX = frame.Left + x;
      int index = line[x];
      if (screenX < 0 || screenX >= picture->width || index >= map->ColorCount) continue;
      uint8_t* out = &rgba[(static_cast<size_t>(screenY) * width + screenX) * 4];
      out[0] = map->Colors[index].Red;
      out[1] = map->Colors[index].Green;
      out[2] = map->Colors[index].Blue;
      out[3] = index == transparent ? 0 : 255;
    }
  }
  for (int32_t y = 0; y < picture->height; ++y) {
    AppendRow(picture, &rgba[static_cast<size_t>(y) * width * 4], PixelOrder::kRgba);
  }
  return true;
}

}  // namespace

bool DecodeGif(const Bytes& file, const ReadSettings& settings, Picture* picture, SourceTraits*,
               std::string* error) {
  GifSource source{&file, 0};
  int code = 0;
  GifFileType* gif = DGifOpen(&source, ReadGif, &code);
  if (gif == nullptr) {
    const char* text = GifErrorString(code);
    *error = text != nullptr ? text : "the GIF data is corrupt";
    return false;
  }
  int transparent = -1;
  bool ok = BeginPicture(gif->SWidth, gif->SHeight, settings, picture, error) &&
            SkipToImage(gif, &transparent, error);
  if (ok && DGifGetImageDesc(gif) == GIF_ERROR) ok = GifFailed(gif, error);
  if (ok) ok = ReadFrame(gif, transparent, picture, error);
  DGifCloseFile(gif, &code);
  return ok;
}

#endif

#include "files/codecs.h"

namespace {

bool LooksLikeGif(const Bytes& start) {
  return StartsWith(start, "GIF87a") || StartsWith(start, "GIF89a");
}

}  // namespace

Codec GifCodec() {
#if defined(_WIN32)
  return {LooksLikeGif, DecodeWithStb};
#else
  return {LooksLikeGif, DecodeGif};
#endif
}
