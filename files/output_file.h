// Whole output files for the morfel host, "-" naming standard output.
//
// Contracts
// - Writing never leaves a partial file. The bytes go to a temporary file
//   of a name no other writer uses, "TARGET.morfel-PID-XXXXXX.part" in the
//   target's folder, created anew (never an existing file nor a symbolic
//   link planted there), flushed, synced and closed with every result
//   checked, and only then renamed over the target. Two runs writing one
//   target therefore both succeed and leave one of their files whole, the
//   last rename winning.
// - The target is the file a symbolic link points to, so the link stays; an
//   existing target keeps its permissions and is refused when the user may
//   not write it. An interrupt removes the temporary file (see files.h).
// - Temporary files of that pattern left in the folder by writers that were
//   killed (their process gone, untouched for an hour) are removed by the
//   next write to that folder.
// - Standard output that fails is reported with the system's reason; a
//   closed pipe ends the process quietly, as it ends a pipe's writer.
#ifndef MORFEL_FILES_OUTPUT_FILE_H
#define MORFEL_FILES_OUTPUT_FILE_H

#include <cstdint>
#include <string>
#include <vector>

// False with "cannot write PATH: reason" in `error`.
bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes,
                     std::string* error);

// Whether `name` is a temporary file name WriteOutputFile makes; its
// writer's process id in `pid`.
bool IsTemporaryOutputName(const std::string& name, long* pid);

#endif
