// Helpers shared by the fuzz targets: a scratch base folder per process and
// a failure that libFuzzer reports with its input.
#ifndef MORFEL_FUZZ_FUZZ_SUPPORT_H
#define MORFEL_FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

// A base folder (ending with a separator) with an empty data folder "Tarvo",
// made once per process and removed at its exit.
const std::string& ScratchBaseFolder();
// The data folder's file name, or a file of the base folder.
std::string ScratchDataFile(const char* name);
std::string ScratchBaseFile(const char* name);
// Writes bytes to path, replacing it.
void WriteBytes(const std::string& path, const uint8_t* data, size_t size);
class KeyValueDocument;
// The document as it is written; a document that cannot be written is a
// broken property.
std::string SerializedText(const KeyValueDocument& document);
// Reports a broken property and aborts, so the input is kept as a finding.
[[noreturn]] void FuzzFailure(const char* what);
#define FUZZ_CHECK(condition)                  \
  do {                                         \
    if (!(condition)) FuzzFailure(#condition); \
  } while (0)

#endif
