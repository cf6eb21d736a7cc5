// Whole input files for the morfel host, "-" naming standard input, read
// with a bound so that an endless or oversized input cannot exhaust memory.
//
// Contracts
// - Only regular files and standard input are read: a folder, a FIFO or a
//   device is refused with the reason, never waited on.
// - Nothing past `maxBytes` is kept: a regular file (standard input
//   redirected from one included) is refused by its size before a byte is
//   read; a pipe once it has given more than that.
// - When `acceptsStart` is set, it sees the first `startBytes` bytes of a
//   stream (or the whole stream, when shorter) as soon as they arrive and
//   may refuse them, so that a stream that is plainly no input of the kind
//   ends at once. A regular file, bounded by its size, is read whole.
#ifndef MORFEL_FILES_INPUT_FILE_H
#define MORFEL_FILES_INPUT_FILE_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct InputBound {
  uint64_t maxBytes = UINT64_MAX;
  std::string tooLarge;  // the reason given when more than maxBytes arrive
  size_t startBytes = 0;
  std::function<bool(const std::vector<uint8_t>& start, std::string* reason)> acceptsStart;
};

// False with "cannot open PATH: reason" (for standard input
// "cannot read standard input: reason") in `error`.
bool ReadInputFile(const std::string& path, const InputBound& bound, std::vector<uint8_t>* bytes,
                   std::string* error);

#endif
