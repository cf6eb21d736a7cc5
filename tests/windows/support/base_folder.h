// A private base folder for one test, as a host passes it to the plug-in: a
// Windows path ending in a backslash, with the data folder "Tarvo" below
// it. Removed with everything in it when the object goes.
#ifndef MORFEL_TESTS_WINDOWS_BASE_FOLDER_H
#define MORFEL_TESTS_WINDOWS_BASE_FOLDER_H

#include <string>

struct TestProgram {
  const char* group;
  const char* name;
  const char* initText;  // CR LF line breaks
  const char* transformText;
};

class BaseFolder {
 public:
  BaseFolder();
  ~BaseFolder();
  BaseFolder(const BaseFolder&) = delete;
  BaseFolder& operator=(const BaseFolder&) = delete;

  // Ends with a backslash; empty when the folder could not be made.
  const std::string& path() const { return path_; }
  std::string DataFile(const std::string& name) const { return path_ + "Tarvo\\" + name; }
  std::string SettingsFile() const { return path_ + "Morfel.dat"; }

  // Writes the library file holding these programs in this order. Returns 1
  // when written.
  int WriteLibrary(const TestProgram* programs, int count) const;
  // Writes a file of the data folder as it stands. Returns 1 when written.
  int WriteDataFile(const std::string& name, const std::string& text) const;
  // The whole content of a file, or "" when it cannot be read.
  static std::string ReadFile(const std::string& path);
  static bool Exists(const std::string& path);

 private:
  std::string path_;
};

#endif
