// The folders an ad-hoc run makes for itself in the system's temporary
// folder, "morfel-XXXXXX". A run killed outright cannot remove its own, so
// each is held by a lock for as long as its run lives, and the next run
// removes those whose lock nobody holds any more.
//
// Contracts
// - The lock file ".morfel-run.lock" appears in a folder only once it is
//   locked, so a folder with a free lock is never one a live run is making.
// - Only folders of this user with that lock file are ever removed; a
//   folder of the name without it (someone else's, an older morfel's) stays.
#ifndef MORFEL_FILES_RUN_FOLDERS_H
#define MORFEL_FILES_RUN_FOLDERS_H

#include <cstdint>
#include <string>

class RunFolder {
 public:
  RunFolder() = default;
  ~RunFolder();  // lets the lock go; the folder is its owner's to remove
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;
  // Makes and locks a new folder. Returns its path, or "" when none could
  // be made.
  std::string Create();

 private:
  intptr_t lock_ = -1;
};

// Removes the run folders of runs that are gone.
void RemoveStaleRunFolders();

#endif
