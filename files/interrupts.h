// Ctrl-C and SIGTERM: the files and folders the morfel host made for the
// moment (an ad-hoc program's temporary base folder, a ".part" output) are
// removed and the process exits with 130 or 143, as shells expect.
//
// Contracts
// - WatchInterrupts is called once, first thing in main, before any other
//   thread exists: the signals are then taken by one watching thread, never
//   in the middle of the work, and the cleanup runs with ordinary calls.
// - A path is registered while it exists and unregistered once it is gone
//   or has become the user's file.
#ifndef MORFEL_FILES_INTERRUPTS_H
#define MORFEL_FILES_INTERRUPTS_H

#include <string>

void WatchInterrupts();

// --timeout: once `seconds` have passed, says `message` on standard error,
// removes what is registered, as an interrupt does, and exits with 1. Set
// once, after WatchInterrupts; it covers the rest of the command.
void StopAfter(double seconds, const std::string& message);

// A write to a pipe whose reader has gone: removes what is registered and
// ends the process as the closed pipe ends any writer, quietly (on POSIX by
// SIGPIPE, even where it was ignored).
[[noreturn]] void EndAsClosedPipe();

// Removes the path (a folder with everything in it) on an interrupt while
// the guard lives and is not released.
class InterruptCleanup {
 public:
  explicit InterruptCleanup(const std::string& path);
  ~InterruptCleanup();
  InterruptCleanup(const InterruptCleanup&) = delete;
  InterruptCleanup& operator=(const InterruptCleanup&) = delete;

 private:
  std::string path_;
};

#endif
