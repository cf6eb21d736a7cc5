// The morfel host's own files: where the plug-in library and the base folder
// are, the starter library that seeds a new base folder, and scratch base
// folders for programs that do not come from the user's library.
#ifndef MORFEL_HOST_HOST_FILES_H
#define MORFEL_HOST_HOST_FILES_H

#include <memory>
#include <string>
#include <vector>

#include "host/interrupts.h"
#include "host/run_folders.h"

// One program of the starter library, or its stencil image.
struct StarterFile {
  const char* name;
  const unsigned char* data;
  unsigned long size;
};
// The embedded starter library: program files ("*.txt") and BMP images.
const std::vector<StarterFile>& StarterFiles();

// The plug-in library ("libmorfel.so" or "morfel.dll"): beside the running
// program, as in the build tree, else in the installed tree's plug-in folder
// found relative to the program.
std::string PluginPath();

// The folder with a separator at its end, as the plug-in expects it.
std::string WithSeparator(const std::string& folder);
// Joins the data folder "Tarvo" and a file name to the base folder.
std::string DataFile(const std::string& baseFolder, const std::string& fileName);

// Makes sure the base folder and its data folder exist and that a library is
// there: when none is, writes the starter library and its images. Returns 1,
// or 0 with a reason.
int PrepareBaseFolder(const std::string& baseFolder, std::string* error);

// A program given on the command line rather than taken from the library.
struct AdHocProgram {
  std::string group = "Command line";
  std::string name = "Program";
  std::string initText;
  std::string transformText;
};

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
  // Returns 1, or 0 with a reason.
  int Create(const std::string& userBaseFolder, const AdHocProgram* program, std::string* error);
  const std::string& folder() const { return folder_; }

 private:
  RunFolder runFolder_;  // declared first: the lock outlives the folder
  std::string folder_;
  std::unique_ptr<InterruptCleanup> cleanup_;
};

// Reads a whole text file (a regular file only). Returns 1, or 0 with a
// reason.
int ReadTextFile(const std::string& path, std::string* text, std::string* error);
// Gives every line break the CR LF form the editor's boxes hold.
std::string WithCrLf(const std::string& text);

#endif
