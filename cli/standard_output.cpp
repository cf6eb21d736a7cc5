#include "cli/standard_output.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "files/files.h"

namespace {

int firstFailure = 0;  // the errno of the first failed write

void NoteFailure(int number) {
  if (number == EPIPE) EndAsClosedPipe();
  if (firstFailure == 0) firstFailure = number != 0 ? number : EIO;
}

}  // namespace

void PrintOut(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  errno = 0;
  int written = std::vfprintf(stdout, format, arguments);
  va_end(arguments);
  if (written < 0) NoteFailure(errno);
}

void PutOut(const std::string& text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) NoteFailure(errno);
}

int FinishStandardOutput(int status) {
  errno = 0;
  if (std::fflush(stdout) != 0) NoteFailure(errno);
  // A failure stdio kept to itself, say by a write that bypassed us.
  if (std::ferror(stdout) && firstFailure == 0) NoteFailure(EIO);
  if (firstFailure == 0) return status;
  std::fprintf(stderr, "morfel: cannot write to standard output: %s\n",
               std::strerror(firstFailure));
  return 1;
}
