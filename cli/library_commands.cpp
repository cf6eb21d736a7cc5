#include <algorithm>
#include <cstring>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/standard_output.h"
#include "cli/commands.h"
#include "files/files.h"
#include "library/library.h"
#include "session/session.h"

namespace {

// Program sections beyond the first gap in their numbering, which readers
// stop at. The sections after a full list of kMaxPrograms are no gap: the
// lists' own notice tells of them.
int SectionsAfterGap(const ProgramLibrary& library) {
  if (library.ProgramCount() >= kMaxPrograms) return 0;
  int sections = 0;
  const ValueList& root = library.root();
  for (int i = 0; i < root.count(); ++i) {
    const char* name = root.NameAt(i);
    if (name != nullptr && std::strncmp(name, "Prog", 4) == 0) ++sections;
  }
  return sections - library.ProgramCount();
}

// Readers stop at the first gap in the numbering of the program sections:
// what follows is not shown.
void WarnOfNumberingGap(const std::string& baseFolder, const ProgramLibrary& library) {
  std::string file = DataFile(baseFolder, "Morfel.ini");
  int hidden = SectionsAfterGap(library);
  if (hidden > 0) {
    char section[kSectionNameSize];
    ProgramSectionName(library.ProgramCount(), section);
    Report("warning: " + file + " has no complete program " + section + "; the " +
           std::to_string(hidden) + " program(s) after it are not shown");
  }
}

bool LoadUserLibrary(const std::string& baseFolder, ProgramLibrary* library) {
  if (!LoadProgramLibrary(baseFolder.c_str(), library)) {
    Report("cannot read the library " + DataFile(baseFolder, "Morfel.ini"));
    return false;
  }
  if (library->incompleteLoad() > 0) {
    Report("the library " + DataFile(baseFolder, "Morfel.ini") + " cannot be read past line " +
           std::to_string(library->incompleteLoad()) +
           "; the programs after it are not shown, and it is not written over until that line "
           "is mended");
  }
  WarnOfNumberingGap(baseFolder, *library);
  return true;
}

// The text as the terminal shows it: one LF per line.
std::string WithLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

}  // namespace

bool FindLibraryProgram(const std::string& baseFolder, const std::string& group,
                        const std::string& name, LibraryProgram* program) {
  ProgramLibrary library;
  if (!LoadUserLibrary(baseFolder, &library)) return false;
  const NamedProgram found = FindNamedProgram(library, group, name);
  if (found.index < 0) {
    Report("no program " + group + "/" + name + " in the library" +
           ClosestProgramsText(library, group + "/" + name));
    return false;
  }
  program->index = found.index;
  program->initText = found.initText;
  program->transformText = found.transformText;
  return true;
}

int DeclaredParameters(const std::string& initText, std::vector<std::string>* lines) {
  // Read as the main dialog reads them when the program is chosen.
  std::unique_ptr<FilterContext> context = CreateFilterContext("");
  if (context == nullptr) return -1;
  context->TakeProgramTexts(initText.c_str(), "");
  if (!context->ReadDeclarations(kDeclareDefaults, nullptr)) return -1;
  const int count = context->DeclaredRows();
  if (lines != nullptr) {
    for (int i = 0; i < count; ++i) {
      const ParamSlot& slot = context->slots[i];
      std::string name = slot.name;
      if (name.size() < 12) name.resize(12, ' ');
      lines->push_back("  " + name + " " + slot.message + " (" + std::to_string(slot.minimum) +
                       " to " + std::to_string(slot.maximum) + ", default " + slot.value + ")");
    }
  }
  return count;
}

int ListCommand(const Options& options) {
  std::string baseFolder;
  if (!ResolveBaseFolder(options, &baseFolder)) return 1;
  ProgramLibrary library;
  if (!LoadUserLibrary(baseFolder, &library)) return 1;
  for (const std::string& name : ListedProgramNames(library)) PrintOut("%s\n", name.c_str());
  char notice[256];
  if (FormatHiddenProgramsNotice(library, notice, sizeof notice) > 0) Report(notice);
  return library.incompleteLoad() > 0 ? 1 : 0;
}

int ShowCommand(const Options& options) {
  std::string baseFolder;
  if (!ResolveBaseFolder(options, &baseFolder)) return 1;
  LibraryProgram program;
  if (!FindLibraryProgram(baseFolder, options.group, options.name, &program)) return 1;
  if (options.asFile) {
    PutOut(ProgramFileText(options.group, options.name, program.initText, program.transformText));
    return 0;
  }
  std::vector<std::string> parameters;
  int count = DeclaredParameters(program.initText, &parameters);
  PrintOut("%s/%s\n\nInit:\n%s\nTransform:\n%s\n", options.group.c_str(), options.name.c_str(),
           WithLf(program.initText).c_str(), WithLf(program.transformText).c_str());
  if (count < 0) {
    PrintOut("Parameters: the declarations are malformed\n");
  } else if (count == 0) {
    PrintOut("Parameters: none\n");
  } else {
    PrintOut("Parameters:\n");
    for (const std::string& line : parameters) PrintOut("%s\n", line.c_str());
  }
  return 0;
}
