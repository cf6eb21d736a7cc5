// Writing PNG. The rows are cut into stripes of about two megabytes that
// every core filters and compresses on its own. Each stripe but the last
// ends on a byte boundary with an empty stored block (a sync flush), so the
// stripes join into one zlib stream whose checksum is combined from theirs;
// each new stripe merely starts without the previous one's window, which
// costs almost nothing at this stripe size. The stripes depend on the
// picture's size alone, so the file is the same on any number of threads.
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <new>
#include <thread>

#include "files/codecs.h"
#include "files/png_filters.h"
#include "transform/transform.h"

namespace {

constexpr size_t kStripeBytes = size_t{1} << 21;
// zlib counts in 32 bits, and a chunk may hold at most 2^31 - 1 bytes.
constexpr size_t kMostAtOnce = size_t{1} << 30;
constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr char kProfileName[] = "ICC profile";

struct PngLayout {
  const Picture* picture;
  PixelOrder order;
  int pixelBytes;
  size_t rowBytes;  // without the filter byte
  int32_t stripeRows;
  int32_t stripes;
  DeflateSettings deflate;
};

PngLayout LayoutFor(const Picture& picture, bool alpha, int compression) {
  PngLayout layout{};
  layout.picture = &picture;
  layout.order = alpha ? PixelOrder::kRgba : PixelOrder::kRgb;
  layout.pixelBytes = BytesPerPixel(layout.order);
  layout.rowBytes = static_cast<size_t>(picture.width) * layout.pixelBytes;
  size_t rows = std::max<size_t>(1, kStripeBytes / (layout.rowBytes + 1));
  layout.stripeRows = static_cast<int32_t>(std::min<size_t>(rows, picture.height));
  layout.stripes = (picture.height + layout.stripeRows - 1) / layout.stripeRows;
  layout.deflate = DeflateFor(compression);
  return layout;
}

struct Stripe {
  Bytes data;  // deflated rows; the first stripe's begin with the zlib header
  uint32_t adler = 1;
  size_t filteredBytes = 0;
  bool ok = false;
};

// What a thread keeps from stripe to stripe.
struct StripeWorker {
  Bytes lines;  // two padded rows: the one above and the current one
  Bytes filtered;
  Bytes packed;
  Bytes trial;
  PngFilterScratch scratch;
};

void PutBig32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

void AppendBig32(Bytes* out, uint32_t value) {
  uint8_t bytes[4];
  PutBig32(bytes, value);
  out->insert(out->end(), bytes, bytes + 4);
}

// The two bytes that open the zlib stream, at the start of `out`: a 32 KiB
// window, the level's class, and the check that makes them a multiple of 31.
// Returns their count.
size_t PutZlibHeader(int level, Bytes* out) {
  const int levelClass = level <= 1 ? 0 : level <= 5 ? 1 : level == 6 ? 2 : 3;
  const int method = 0x78;
  int flags = levelClass << 6;
  flags += 31 - (method * 256 + flags) % 31;
  if (out->size() < 2) out->resize(2);
  (*out)[0] = static_cast<uint8_t>(method);
  (*out)[1] = static_cast<uint8_t>(flags);
  return 2;
}

// Deflates `in` into `out` from `*end` on, as a raw stream that ends the
// whole stream (`last`) or leaves it open on a byte boundary, and moves
// `*end` past it. `out` only grows, so a worker's buffer is filled once.
bool DeflateInto(const Bytes& in, int level, int strategy, bool last, Bytes* out, size_t* end) {
  z_stream stream{};
  if (deflateInit2(&stream, level, Z_DEFLATED, -15, 9, strategy) != Z_OK) return false;
  size_t written = *end;
  const size_t room = written + deflateBound(&stream, in.size()) + 64;
  if (out->size() < room) out->resize(room);
  size_t read = 0;
  int code = Z_OK;
  for (;;) {
    const size_t slice = std::min(in.size() - read, kMostAtOnce);
    const bool lastSlice = read + slice == in.size();
    if (out->size() - written < 64) out->resize(out->size() + out->size() / 4 + 4096);
    stream.next_in = const_cast<Bytef*>(in.data() + read);
    stream.avail_in = static_cast<uInt>(slice);
    stream.next_out = out->data() + written;
    stream.avail_out = static_cast<uInt>(std::min(out->size() - written, kMostAtOnce));
    code = deflate(&stream, !lastSlice ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH);
    read += slice - stream.avail_in;
    written = static_cast<size_t>(stream.next_out - out->data());
    if (code != Z_OK && code != Z_BUF_ERROR) break;
    if (!last && lastSlice && stream.avail_in == 0 && stream.avail_out > 0) break;
  }
  deflateEnd(&stream);
  *end = written;
  return code == Z_STREAM_END || (!last && code == Z_OK);
}

// The stripe's rows, each behind its filter byte, into worker->filtered.
void FilterStripe(const PngLayout& layout, int32_t first, int32_t rows, StripeWorker* worker) {
  const size_t line = kPngRowPad + layout.rowBytes;
  worker->lines.assign(2 * line, 0);
  uint8_t* above = worker->lines.data() + kPngRowPad;
  uint8_t* current = above + line;
  if (first > 0) InterleaveRow(*layout.picture, first - 1, layout.order, above);
  worker->filtered.resize(static_cast<size_t>(rows) * (layout.rowBytes + 1));
  for (int32_t y = 0; y < rows; ++y) {
    InterleaveRow(*layout.picture, first + y, layout.order, current);
    FilterPngRow(current, above, layout.rowBytes, layout.pixelBytes, layout.deflate.level > 0,
                 &worker->scratch, worker->filtered.data() + y * (layout.rowBytes + 1));
    std::swap(above, current);
  }
}

bool CompressStripe(const PngLayout& layout, int32_t index, StripeWorker* worker, Stripe* stripe) {
  const int32_t first = index * layout.stripeRows;
  FilterStripe(layout, first, std::min(layout.stripeRows, layout.picture->height - first), worker);
  const Bytes& filtered = worker->filtered;
  stripe->filteredBytes = filtered.size();
  stripe->adler = static_cast<uint32_t>(adler32_z(1, filtered.data(), filtered.size()));
  const bool last = index == layout.stripes - 1;
  const DeflateSettings& deflate = layout.deflate;
  size_t start = 0;
  if (index == 0) start = PutZlibHeader(deflate.level, &worker->packed);
  size_t packedEnd = start;
  if (!DeflateInto(filtered, deflate.level, deflate.strategy, last, &worker->packed, &packedEnd)) {
    return false;
  }
  const uint8_t* packed = worker->packed.data();
  // Past the fastest setting, run-length matching is tried too: on noisy
  // photographs it beats every level of string matching.
  if (deflate.level >= 2) {
    size_t trialEnd = start;
    if (index == 0) PutZlibHeader(deflate.level, &worker->trial);
    if (!DeflateInto(filtered, 1, Z_RLE, last, &worker->trial, &trialEnd)) return false;
    if (trialEnd < packedEnd) {
      packed = worker->trial.data();
      packedEnd = trialEnd;
    }
  }
  stripe->data.assign(packed, packed + packedEnd);
  return true;
}

// Every stripe, on as many threads as passes may use.
bool CompressStripes(const PngLayout& layout, std::vector<Stripe>* stripes) {
  std::atomic<int32_t> next{0};
  auto work = [&layout, &next, stripes] {
    try {
      StripeWorker worker;
      for (int32_t index; (index = next++) < layout.stripes;) {
        (*stripes)[index].ok = CompressStripe(layout, index, &worker, &(*stripes)[index]);
      }
    } catch (const std::bad_alloc&) {
      // The stripe under way stays not ok, which fails the whole file.
    }
  };
  const int32_t helpers = std::min(ThreadsWanted(), layout.stripes) - 1;
  std::vector<std::thread> threads;
  threads.reserve(helpers > 0 ? helpers : 0);
  for (int32_t i = 0; i < helpers; ++i) {
    try {
      threads.emplace_back(work);
    } catch (const std::exception&) {
      break;  // fewer threads, same file
    }
  }
  work();
  for (std::thread& thread : threads) thread.join();
  return std::all_of(stripes->begin(), stripes->end(), [](const Stripe& s) { return s.ok; });
}

void AppendChunk(Bytes* file, const char* type, const uint8_t* data, size_t size) {
  AppendBig32(file, static_cast<uint32_t>(size));
  const size_t start = file->size();
  file->insert(file->end(), type, type + 4);
  file->insert(file->end(), data, data + size);
  AppendBig32(file, static_cast<uint32_t>(crc32_z(0, file->data() + start, size + 4)));
}

void AppendHeader(const Picture& picture, bool alpha, Bytes* file) {
  uint8_t header[13] = {};
  PutBig32(header, static_cast<uint32_t>(picture.width));
  PutBig32(header + 4, static_cast<uint32_t>(picture.height));
  header[8] = 8;              // bits per sample
  header[9] = alpha ? 6 : 2;  // RGBA or RGB; compression, filter and interlace stay 0
  AppendChunk(file, "IHDR", header, sizeof header);
}

bool AppendProfile(const Bytes& icc, Bytes* file) {
  if (icc.empty()) return true;
  Bytes chunk(kProfileName, kProfileName + sizeof kProfileName);  // with its terminating zero
  chunk.push_back(0);                                             // deflate
  uLongf packedSize = compressBound(static_cast<uLong>(icc.size()));
  const size_t start = chunk.size();
  chunk.resize(start + packedSize);
  if (compress2(chunk.data() + start, &packedSize, icc.data(), static_cast<uLong>(icc.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    return false;
  }
  chunk.resize(start + packedSize);
  AppendChunk(file, "iCCP", chunk.data(), chunk.size());
  return true;
}

// The stripes' data as IDAT chunks, the combined checksum closing the last.
void AppendImageData(std::vector<Stripe>* stripes, Bytes* file) {
  uint32_t adler = (*stripes)[0].adler;
  for (size_t i = 1; i < stripes->size(); ++i) {
    const Stripe& stripe = (*stripes)[i];
    adler = static_cast<uint32_t>(
        adler32_combine(adler, stripe.adler, static_cast<z_off_t>(stripe.filteredBytes)));
  }
  AppendBig32(&stripes->back().data, adler);
  for (Stripe& stripe : *stripes) {
    for (size_t at = 0; at < stripe.data.size(); at += kMostAtOnce) {
      size_t size = std::min(stripe.data.size() - at, kMostAtOnce);
      AppendChunk(file, "IDAT", stripe.data.data() + at, size);
    }
    Bytes().swap(stripe.data);
  }
}

}  // namespace

bool EncodePng(const Picture& picture, bool alpha, const WriteSettings& settings, Bytes* file,
               std::string* error) {
  if (picture.width <= 0 || picture.height <= 0) {
    *error = "the image has no pixels";
    return false;
  }
  PngLayout layout = LayoutFor(picture, alpha, settings.compression);
  std::vector<Stripe> stripes(layout.stripes);
  if (!CompressStripes(layout, &stripes)) {
    *error = "not enough memory to compress the image";
    return false;
  }
  size_t total = 1024 + picture.icc.size();
  for (const Stripe& stripe : stripes) total += stripe.data.size() + 12;
  file->clear();
  file->reserve(total);
  file->insert(file->end(), kSignature, kSignature + sizeof kSignature);
  AppendHeader(picture, alpha, file);
  if (!AppendProfile(picture.icc, file)) {
    *error = "not enough memory to compress the colour profile";
    return false;
  }
  AppendImageData(&stripes, file);
  AppendChunk(file, "IEND", nullptr, 0);
  return true;
}
