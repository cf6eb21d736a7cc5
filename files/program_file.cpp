#include "files/files.h"

#include "library/library.h"

namespace {

const char* const kProgramKeys[] = {"Group=", "Name=", "Init=", "Prog="};

bool IsProgramKeyLine(const std::string& line) {
  for (const char* key : kProgramKeys) {
    if (line.rfind(key, 0) == 0) return true;
  }
  return false;
}

// Lines (numbered from 1, as an editor shows them) that are none of the keys.
void NoteStrayLines(const std::string& path, const std::string& text,
                    std::vector<std::string>* warnings) {
  size_t start = 0;
  for (int number = 1; start < text.size(); ++number) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && !IsProgramKeyLine(line)) {
      warnings->push_back(path + ": line " + std::to_string(number) +
                          " is none of the keys Group, Name, Init, Prog and is ignored "
                          "(a line break inside a text is written \\n): " +
                          line.substr(0, 60));
    }
    start = end + 1;
  }
}

}  // namespace

bool ReadProgramFile(const std::string& path, AdHocProgram* program,
                     std::vector<std::string>* warnings, std::string* error) {
  std::string text;
  if (!ReadTextFile(path, &text, error)) return false;
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  KeyValueDocument document;
  int badLine = document.Parse(text.c_str(), text.size());
  if (badLine != 0) {
    *error = path + ": malformed line " + std::to_string(badLine);
    return false;
  }
  NoteStrayLines(path, text, warnings);
  const char* group = document.Get("Group");
  const char* name = document.Get("Name");
  const char* init = document.Get("Init");
  const char* prog = document.Get("Prog");
  if (group != nullptr) program->group = group;
  if (name != nullptr) program->name = name;
  program->initText = init != nullptr ? init : "";
  program->transformText = prog != nullptr ? prog : "";
  if (prog == nullptr) {
    warnings->push_back(path + ": no Prog= line, so the Transform text is empty");
  }
  return true;
}

std::string ProgramFileText(const std::string& group, const std::string& name,
                            const std::string& initText, const std::string& transformText) {
  KeyValueDocument document;
  document.Set("Group", group.c_str());
  document.Set("Name", name.c_str());
  document.Set("Init", initText.c_str());
  document.Set("Prog", transformText.c_str());
  std::string text(document.SerializedLength() + 1, '\0');
  long length = document.Serialize(&text[0], text.size());
  text.resize(length > 0 ? static_cast<size_t>(length) : 0);
  std::string lf;
  for (char c : text) {
    if (c != '\r') lf += c;
  }
  return lf;
}
