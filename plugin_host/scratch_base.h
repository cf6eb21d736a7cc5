// What a host of the plug-in needs beside the plug-in itself: where the
// plug-in library is, and scratch base folders for programs that do not
// come from the user's library (the plug-in reads programs from a library
// file only).
#ifndef MORFEL_PLUGIN_HOST_SCRATCH_BASE_H
#define MORFEL_PLUGIN_HOST_SCRATCH_BASE_H

#include <memory>
#include <string>

#include "files/interrupts.h"
#include "files/program_file.h"
#include "files/run_folders.h"

// The plug-in library ("libmorfel.so" or "morfel.dll"): beside the running
// program, as in the build tree, else in the installed tree's plug-in folder
// found relative to the program.
std::string PluginPath();

// A temporary base folder holding a library of exactly one program, whose
// data folder links to the images of the user's data folder so that LoadBmp
// still finds them. Removed with everything in it on destruction, or when
// the process is interrupted; a later run removes it when this process was
// killed outright (see run_folders.h).
class ScratchBase {
 public:
  ScratchBase() = default;
  ~ScratchBase();
  ScratchBase(const ScratchBase&) = delete;
  ScratchBase& operator=(const ScratchBase&) = delete;
  // False with a reason.
  bool Create(const std::string& userBaseFolder, const AdHocProgram* program, std::string* error);
  const std::string& folder() const { return folder_; }

 private:
  RunFolder runFolder_;  // declared first: the lock outlives the folder
  std::string folder_;
  std::unique_ptr<InterruptCleanup> cleanup_;
};

#endif
