// The text the morfel commands print on standard output. A command whose
// output was lost (a full disk, /dev/full) must not report success, so
// every write goes through here and its failure is kept with the system's
// reason; a closed pipe ends the process quietly, as it ends any writer.
#ifndef MORFEL_CLI_STANDARD_OUTPUT_H
#define MORFEL_CLI_STANDARD_OUTPUT_H

#include <string>

#if defined(__GNUC__)
#define MORFEL_PRINTF_LIKE __attribute__((format(printf, 1, 2)))
#else
#define MORFEL_PRINTF_LIKE
#endif

void PrintOut(const char* format, ...) MORFEL_PRINTF_LIKE;
void PutOut(const std::string& text);

// Flushes standard output. Returns `status`, or 1 after "morfel: cannot
// write to standard output: REASON" on standard error when a write failed.
int FinishStandardOutput(int status);

#endif
