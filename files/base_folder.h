// The base folder every program of the host's kind shares (morfel, the
// studio): where it is, the starter library that seeds a new one, and the
// program text files read into it.
#ifndef MORFEL_FILES_BASE_FOLDER_H
#define MORFEL_FILES_BASE_FOLDER_H

#include <string>
#include <vector>

// One program of the starter library, or its stencil image.
struct StarterFile {
  const char* name;
  const unsigned char* data;
  unsigned long size;
};
// The embedded starter library: program files ("*.txt") and BMP images.
const std::vector<StarterFile>& StarterFiles();

// The folder with a separator at its end, as the plug-in expects it.
std::string WithSeparator(const std::string& folder);
// Joins the data folder "Tarvo" and a file name to the base folder.
std::string DataFile(const std::string& baseFolder, const std::string& fileName);

// Makes sure the base folder and its data folder exist and that a library is
// there: when none is, writes the starter library and its images. False with
// a reason.
bool PrepareBaseFolder(const std::string& baseFolder, std::string* error);

// Reads a whole text file (a regular file only). False with a
// reason.
bool ReadTextFile(const std::string& path, std::string* text, std::string* error);
// Gives every line break the CR LF form the editor's boxes hold.
std::string WithCrLf(const std::string& text);

#endif
