// Programs of a library by GROUP/NAME, as front ends that take names (the
// command line, the Python module) find them and say what is near a
// mistyped one.
#include <cstdio>

#include "session/session.h"

namespace {

// A field of program index, also of the programs after the kMaxPrograms
// the lists show, which front ends that take names still reach.
std::string Field(const ProgramLibrary& library, int index, const char* key) {
  char section[32];
  std::snprintf(section, sizeof section, "Prog%03d", index);
  const char* value = library.Get(key, section);
  return value != nullptr ? value : "";
}

// The first program named group/name, or -1.
int FindAnyProgram(const ProgramLibrary& library, const std::string& group,
                   const std::string& name) {
  const int listed = library.FindProgram(group.c_str(), name.c_str());
  if (listed >= 0) return listed;
  const int count = library.ProgramCount() + library.HiddenProgramCount();
  for (int index = library.ProgramCount(); index < count; ++index) {
    if (Field(library, index, "Group") == group && Field(library, index, "Name") == name) {
      return index;
    }
  }
  return -1;
}

}  // namespace

std::vector<std::string> ListedProgramNames(const ProgramLibrary& library) {
  std::vector<std::string> names;
  for (int i = 0; i < library.ProgramCount(); ++i) {
    names.push_back(Field(library, i, "Group") + "/" + Field(library, i, "Name"));
  }
  return names;
}

NamedProgram FindNamedProgram(const ProgramLibrary& library, const std::string& group,
                              const std::string& name) {
  NamedProgram program;
  program.index = FindAnyProgram(library, group, name);
  if (program.index < 0) return program;
  program.initText = Field(library, program.index, "Init");
  program.transformText = Field(library, program.index, "Prog");
  return program;
}

std::string ClosestProgramsText(const ProgramLibrary& library, const std::string& wanted) {
  std::string text;
  for (const std::string& name : ClosestWords(wanted, ListedProgramNames(library), 3))
    text += "\n  " + name;
  return text.empty() ? "" : "; the closest are:" + text;
}
