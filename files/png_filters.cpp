#include "files/png_filters.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using Candidates = uint8_t* const*;  // one row of differences per filter

inline uint8_t PaethGuess(int a, int b, int c) {
  int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// A difference read as a signed byte, without its sign.
inline uint32_t Magnitude(uint8_t difference) {
  return difference < 128 ? difference : 256u - difference;
}

// Bytes [from, size) one at a time: the end of a row that the vector loop
// leaves, or the whole row where there is no SSE2.
void DifferencesByByte(const uint8_t* row, const uint8_t* above, size_t from, size_t size,
                       int pixelBytes, Candidates out, uint64_t* sums) {
  for (size_t i = from; i < size; ++i) {
    const ptrdiff_t left = static_cast<ptrdiff_t>(i) - pixelBytes;
    const int x = row[i], a = row[left], b = above[i], c = above[left];
    const uint8_t differences[kPngFilterCount] = {
        static_cast<uint8_t>(x), static_cast<uint8_t>(x - a), static_cast<uint8_t>(x - b),
        static_cast<uint8_t>(x - ((a + b) >> 1)), static_cast<uint8_t>(x - PaethGuess(a, b, c))};
    for (int f = 0; f < kPngFilterCount; ++f) {
      out[f][i] = differences[f];
      sums[f] += Magnitude(differences[f]);
    }
  }
}

#if defined(__SSE2__)

inline __m128i Select(__m128i mask, __m128i ifSet, __m128i ifClear) {
  return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

inline __m128i Absolute16(__m128i value) {
  return _mm_max_epi16(value, _mm_sub_epi16(_mm_setzero_si128(), value));
}

// The Paeth guess of eight 16-bit lanes, with the byte version's ties.
inline __m128i PaethGuess16(__m128i a, __m128i b, __m128i c) {
  const __m128i bc = _mm_sub_epi16(b, c), ac = _mm_sub_epi16(a, c);
  const __m128i pa = Absolute16(bc), pb = Absolute16(ac), pc = Absolute16(_mm_add_epi16(bc, ac));
  const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
  const __m128i bOrC = Select(_mm_cmpgt_epi16(pb, pc), c, b);
  return Select(notA, bOrC, a);
}

inline __m128i PaethGuess8(__m128i a, __m128i b, __m128i c) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = PaethGuess16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero),
                                   _mm_unpacklo_epi8(c, zero));
  const __m128i high = PaethGuess16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero),
                                    _mm_unpackhi_epi8(c, zero));
  return _mm_packus_epi16(low, high);
}

// The floor of the mean: the rounded-up mean less the bit it rounded by.
inline __m128i FloorMean(__m128i a, __m128i b) {
  const __m128i odd = _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1));
  return _mm_sub_epi8(_mm_avg_epu8(a, b), odd);
}

inline __m128i Load(const uint8_t* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// Sixteen bytes at a time; returns where the vector loop stopped.
size_t DifferencesByVector(const uint8_t* row, const uint8_t* above, size_t size, int pixelBytes,
                           Candidates out, uint64_t* sums) {
  const __m128i zero = _mm_setzero_si128();
  __m128i totals[kPngFilterCount];
  for (__m128i& total : totals) total = zero;
  size_t i = 0;
  for (; i + 16 <= size; i += 16) {
    const __m128i x = Load(row + i), a = Load(row + i - pixelBytes);
    const __m128i b = Load(above + i), c = Load(above + i - pixelBytes);
    const __m128i differences[kPngFilterCount] = {x, _mm_sub_epi8(x, a), _mm_sub_epi8(x, b),
                                                  _mm_sub_epi8(x, FloorMean(a, b)),
                                                  _mm_sub_epi8(x, PaethGuess8(a, b, c))};
    for (int f = 0; f < kPngFilterCount; ++f) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out[f] + i), differences[f]);
      const __m128i magnitude = _mm_min_epu8(differences[f], _mm_sub_epi8(zero, differences[f]));
      totals[f] = _mm_add_epi64(totals[f], _mm_sad_epu8(magnitude, zero));
    }
  }
  for (int f = 0; f < kPngFilterCount; ++f) {
    uint64_t halves[2];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(halves), totals[f]);
    sums[f] += halves[0] + halves[1];
  }
  return i;
}

#else

size_t DifferencesByVector(const uint8_t*, const uint8_t*, size_t, int, Candidates, uint64_t*) {
  return 0;
}

#endif

}  // namespace

void FilterPngRow(const uint8_t* row, const uint8_t* above, size_t size, int pixelBytes,
                  bool choose, PngFilterScratch* scratch, uint8_t* out) {
  if (!choose) {
    out[0] = static_cast<uint8_t>(PngFilter::kNone);
    std::memcpy(out + 1, row, size);
    return;
  }
  scratch->candidates.resize(size * kPngFilterCount);
  uint8_t* rows[kPngFilterCount];
  for (int f = 0; f < kPngFilterCount; ++f) rows[f] = scratch->candidates.data() + f * size;
  uint64_t sums[kPngFilterCount] = {};
  size_t done = DifferencesByVector(row, above, size, pixelBytes, rows, sums);
  DifferencesByByte(row, above, done, size, pixelBytes, rows, sums);
  int best = 0;
  for (int f = 1; f < kPngFilterCount; ++f) {
    if (sums[f] < sums[best]) best = f;
  }
  out[0] = static_cast<uint8_t>(best);
  std::memcpy(out + 1, rows[best], size);
}
