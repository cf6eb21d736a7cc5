// Program files as morfel reads them (--file) and prints them (show
// --as-file): the keys "Group", "Name", "Init" and "Prog" at the top level,
// line breaks inside a text written as backslash-n.
#ifndef MORFEL_FILES_PROGRAM_FILE_H
#define MORFEL_FILES_PROGRAM_FILE_H

#include <string>
#include <vector>

#include "files/base_folder.h"

// A program given on the command line rather than taken from the library.
struct AdHocProgram {
  std::string group = "Command line";
  std::string name = "Program";
  std::string initText;
  std::string transformText;
};

// Reads a program file as the library's import does, plus what the import
// passes over in silence: every line that is none of the four keys (most
// often a text's second line, written without its backslash-n) and a
// missing Transform text come back as warnings. A UTF-8 byte-order mark at
// the start is skipped. False with a reason.
bool ReadProgramFile(const std::string& path, AdHocProgram* program,
                     std::vector<std::string>* warnings, std::string* error);

// The program file that ReadProgramFile and the import read back to these
// texts (which hold CR LF line breaks), with LF line ends.
std::string ProgramFileText(const std::string& group, const std::string& name,
                            const std::string& initText, const std::string& transformText);

#endif
