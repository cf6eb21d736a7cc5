// JPEG through libjpeg-turbo, which converts to and from the planes' blue,
// green, red order itself. A file that ends before its last row is an error:
// decoding it would invent the missing rows, however many the header claims.
#if !defined(_WIN32)
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "files/codecs.h"

// format_limits.cpp refuses larger pictures before they come here.
static_assert(JPEG_MAX_DIMENSION == 65500L, "libjpeg's largest side is in format_limits.cpp");

namespace {

// libjpeg reports errors by calling error_exit, which must not return: it
// jumps back to the call that set `jump`. No object with a destructor lives
// between the two.
struct JpegFailure {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  unsigned char* output;  // the encoder's buffer, freed whatever happens
  unsigned long outputSize;
};

void ExitWithMessage(j_common_ptr info) {
  JpegFailure* failure = reinterpret_cast<JpegFailure*>(info->err);
  (*info->err->format_message)(info, failure->message);
  std::longjmp(failure->jump, 1);
}

// Warnings that the data ran out: libjpeg would go on with grey rows.
void EmitMessage(j_common_ptr info, int level) {
  int code = info->err->msg_code;
  if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) ExitWithMessage(info);
}

void InstallFailure(JpegFailure* failure) {
  jpeg_std_error(&failure->manager);
  failure->manager.error_exit = ExitWithMessage;
  failure->manager.emit_message = EmitMessage;
  failure->message[0] = '\0';
  failure->output = nullptr;
  failure->outputSize = 0;
}

int OrientationOf(j_decompress_ptr info) {
  for (jpeg_saved_marker_ptr marker = info->marker_list; marker != nullptr; marker = marker->next) {
    if (marker->marker == JPEG_APP0 + 1) {
      int orientation = ExifOrientation(marker->data, marker->data_length);
      if (orientation != 1) return orientation;
    }
  }
  return 1;
}

void KeepProfile(j_decompress_ptr info, Picture* picture) {
  JOCTET* profile = nullptr;
  unsigned int length = 0;
  if (!jpeg_read_icc_profile(info, &profile, &length)) return;
  picture->icc.assign(profile, profile + length);
  std::free(profile);
}

// Adobe's CMYK files store the inks inverted: the value is the paper left.
void CmykToBgr(uint8_t* row, int32_t width) {
  for (int32_t x = 0; x < width; ++x) {
    const uint8_t* cmyk = row + x * 4;
    int k = cmyk[3];
    uint8_t blue = static_cast<uint8_t>(cmyk[2] * k / 255);
    uint8_t green = static_cast<uint8_t>(cmyk[1] * k / 255);
    uint8_t red = static_cast<uint8_t>(cmyk[0] * k / 255);
    row[x * 3 + 0] = blue;
    row[x * 3 + 1] = green;
    row[x * 3 + 2] = red;
  }
}

}  // namespace

bool DecodeJpeg(const Bytes& file, const ReadSettings& settings, Picture* picture,
                SourceTraits* traits, std::string* error) {
  jpeg_decompress_struct info;
  JpegFailure failure;
  info.err = &failure.manager;
  InstallFailure(&failure);
  if (setjmp(failure.jump) != 0) {
    jpeg_destroy_decompress(&info);
    *error = failure.message;
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
  jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
  jpeg_read_header(&info, TRUE);
  if (!BeginPicture(info.image_width, info.image_height, settings, picture, error)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  traits->grey = info.jpeg_color_space == JCS_GRAYSCALE;
  traits->bitsPerSample = info.data_precision;
  traits->orientation = OrientationOf(&info);
  if (!cmyk) KeepProfile(&info, picture);  // a CMYK profile does not fit the RGB result
  info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  // The row lives in libjpeg's own pool, which a failure frees with the rest.
  // Several rows a call: libjpeg makes a whole band of rows at once.
  const JDIMENSION kBand = 16;
  JSAMPARRAY rows = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                              info.output_width * info.output_components, kBand);
  while (info.output_scanline < info.output_height) {
    JDIMENSION count = jpeg_read_scanlines(&info, rows, kBand);
    for (JDIMENSION i = 0; i < count; ++i) {
      if (cmyk) CmykToBgr(rows[i], picture->width);
      AppendRow(picture, rows[i], PixelOrder::kBgr);
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

bool EncodeJpeg(const Picture& picture, bool, const WriteSettings& settings, Bytes* file,
                std::string* error) {
  jpeg_compress_struct info;
  JpegFailure failure;
  info.err = &failure.manager;
  InstallFailure(&failure);
  if (setjmp(failure.jump) != 0) {
    jpeg_destroy_compress(&info);
    std::free(failure.output);
    *error = failure.message;
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &failure.output, &failure.outputSize);
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = 3;
  info.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, settings.quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  if (!picture.icc.empty()) {
    jpeg_write_icc_profile(&info, picture.icc.data(), static_cast<unsigned>(picture.icc.size()));
  }
  size_t stride = static_cast<size_t>(picture.width) * 3;
  while (info.next_scanline < info.image_height) {
    // libjpeg reads the rows it is given; it only lacks the const.
    JSAMPROW rows[1] = {const_cast<uint8_t*>(&picture.bgr[info.next_scanline * stride])};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  file->assign(failure.output, failure.output + failure.outputSize);
  std::free(failure.output);
  return true;
}

#endif

#include "files/codecs.h"

namespace {

bool LooksLikeJpeg(const Bytes& start) { return StartsWith(start, "\xff\xd8\xff"); }

}  // namespace

Codec JpegCodec() {
#if defined(_WIN32)
  return {LooksLikeJpeg, DecodeWithStb, EncodeJpegWithStb, 65535};
#else
  return {LooksLikeJpeg, DecodeJpeg, EncodeJpeg, 65500};  // libjpeg's largest dimension
#endif
}
