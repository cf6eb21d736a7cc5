// Whole files in and out for the morfel host, "-" naming standard input or
// output.
//
// Contracts
// - Reading opens regular files and standard input only: a folder, a FIFO
//   or a device is refused with the reason, never waited on.
// - Writing never leaves a partial file. The bytes go to "TARGET.part" in the
//   target's folder, are flushed, synced and closed with every result
//   checked, and only then renamed over the target. The target is the file
//   a symbolic link points to, so the link stays; an existing target keeps
//   its permissions and is refused when the user may not write it. An
//   interrupt removes the ".part" file (see interrupts.h).
#ifndef MORFEL_HOST_OUTPUT_FILE_H
#define MORFEL_HOST_OUTPUT_FILE_H

#include <cstdint>
#include <string>
#include <vector>

// Returns 1, or 0 with "cannot open PATH: reason" in `error`.
int ReadInputFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);
// Returns 1, or 0 with "cannot write PATH: reason" in `error`.
int WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

#endif
