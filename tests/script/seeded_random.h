// A small deterministic generator for the seeded random tests, apart from
// the C library's rand, which the scripts' srand changes.
#pragma once

#include <cstddef>
#include <cstdint>

class Random {
 public:
  explicit Random(uint64_t seed) : state(seed * 2862933555777941757ull + 3037000493ull) {}
  uint32_t Next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state >> 33);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
  template <typename T, size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(static_cast<int>(N))];
  }

 private:
  uint64_t state;
};
