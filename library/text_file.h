// Whole-file reading and crash-safe replacing, shared by every file this
// subsystem keeps. Private to library/.
#ifndef MORFEL_LIBRARY_TEXT_FILE_H
#define MORFEL_LIBRARY_TEXT_FILE_H

#include <cstddef>
#include <string>

// Files larger than this are refused rather than read: no file of ours
// comes near it, and reading stays bounded.
constexpr size_t kMaxReadableFileBytes = 64u * 1024u * 1024u;

enum ReadFileResult {
  kFileRead = 1,
  kFileMissing = 0,     // could not be opened
  kFileUnreadable = -1, // opened, but not read whole (error or too large)
};

// Reads the file at path whole, bytes unchanged, into *contents.
ReadFileResult ReadWholeFile(const char* path, std::string* contents);

// Writes length bytes of data to a temporary file beside path and renames it
// over path once it is written and flushed whole. Returns 1 on success; on
// any failure 0, with path untouched and the temporary file removed. A
// read-only target is not replaced.
int ReplaceFileContents(const char* path, const char* data, size_t length);

#endif
