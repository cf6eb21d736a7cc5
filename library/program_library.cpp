// The program library: one "Prog%03d" section per program, numbered densely
// from 0, so that every reader can stop at the first gap.
#include <cstdio>
#include <cstring>

#include "library/library.h"

namespace {

const char* const kProgramKeys[] = {"Group", "Name", "Init", "Prog"};

}  // namespace

int ProgramSectionName(int index, char name[kSectionNameSize]) {
  if (index < 0 || index >= kMaxPrograms) {
    name[0] = '\0';
    return 0;
  }
  std::snprintf(name, kSectionNameSize, "Prog%03d", index);
  return 1;
}

const char* ProgramLibrary::ProgramField(int index, const char* key) const {
  char section[kSectionNameSize];
  if (!ProgramSectionName(index, section)) return nullptr;
  return Get(key, section);
}

int ProgramLibrary::ProgramCount() const {
  int index = 0;
  while (index < kMaxPrograms && ProgramField(index, "Group") != nullptr) index++;
  return index;
}

int ProgramLibrary::HiddenProgramCount() const {
  if (ProgramCount() < kMaxPrograms) return 0;
  int hidden = 0;
  for (;; hidden++) {
    char section[32];
    std::snprintf(section, sizeof section, "Prog%03d", kMaxPrograms + hidden);
    if (Get("Group", section) == nullptr) return hidden;
  }
}

int FormatHiddenProgramsNotice(const ProgramLibrary& library, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  const int hidden = library.HiddenProgramCount();
  if (hidden == 0) return 0;
  int written = std::snprintf(buffer, static_cast<size_t>(size),
                              "The library holds %d more program(s) than the %d that can be "
                              "shown; they are not shown.",
                              hidden, kMaxPrograms);
  if (written < 0) return 0;
  return written < size ? written : size - 1;
}

int ProgramLibrary::FindProgram(const char* group, const char* name, int startIndex) const {
  if (startIndex < 0) startIndex = 0;
  for (int index = startIndex; index < kMaxPrograms; index++) {
    const char* storedGroup = ProgramField(index, "Group");
    if (storedGroup == nullptr) break;
    // A hand-edited section may lack its name; it reads as empty.
    const char* storedName = ProgramField(index, "Name");
    if (storedName == nullptr) storedName = "";
    if (std::strcmp(storedGroup, group) == 0 && std::strcmp(storedName, name) == 0) return index;
  }
  return -1;
}

void ProgramLibrary::SetProgramTexts(int index, const char* initText, const char* transformText) {
  char section[kSectionNameSize];
  if (!ProgramSectionName(index, section)) return;
  Set("Init", initText, section);
  Set("Prog", transformText, section);
}

int ProgramLibrary::AppendProgram(const char* group, const char* name, const char* initText,
                                  const char* transformText) {
  int index = ProgramCount();
  char section[kSectionNameSize];
  if (!ProgramSectionName(index, section)) return -1;
  Set("Group", group, section);
  Set("Name", name, section);
  Set("Init", initText, section);
  Set("Prog", transformText, section);
  return index;
}

int ProgramLibrary::CloseGap(int index) {
  if (ProgramField(index, "Group") == nullptr) return 0;
  char to[kSectionNameSize];
  char from[kSectionNameSize];
  int last = index;
  while (ProgramField(last + 1, "Group") != nullptr) {
    ProgramSectionName(last, to);
    ProgramSectionName(last + 1, from);
    // Present keys are set before missing ones are removed, so the section
    // never empties and keeps its place in the file.
    for (const char* key : kProgramKeys) {
      const char* value = Get(key, from);
      if (value != nullptr) Set(key, value, to);
    }
    for (const char* key : kProgramKeys) {
      if (Get(key, from) == nullptr) Remove(key, to);
    }
    last++;
  }
  ProgramSectionName(last, to);
  for (const char* key : kProgramKeys) Remove(key, to);
  return 1;
}

namespace {

// Length of the line "key=" plus the escaped text, measured by the writer
// itself so that the check can never drift from what is actually written.
size_t StoredLineLength(const char* key, const char* text) {
  KeyValueDocument line;
  line.Set(key, text);
  const size_t lineEnd = 2;  // CR LF
  return line.SerializedLength() - lineEnd;
}

bool FitsBuffer(const char* text) {
  return std::strlen(text) < static_cast<size_t>(kProgramTextSize);
}

bool FitsStoredLine(const char* key, const char* text) {
  return FitsBuffer(text) && StoredLineLength(key, text) <= static_cast<size_t>(kMaxStoredLine);
}

const char* const kCheckMessages[] = {
#define MORFEL_CHECK_MESSAGE(name, message) message,
    MORFEL_PROGRAM_TEXT_CHECKS(MORFEL_CHECK_MESSAGE)
#undef MORFEL_CHECK_MESSAGE
};

}  // namespace

ProgramTextCheck CheckProgramTexts(const char* initText, const char* transformText) {
  if (!FitsStoredLine("Init", initText)) return kInitTextTooLong;
  if (!FitsStoredLine("Prog", transformText)) return kTransformTextTooLong;
  if (!IsStorableText(initText)) return kInitTextNotStorable;
  if (!IsStorableText(transformText)) return kTransformTextNotStorable;
  return kProgramTextsFit;
}

ProgramTextCheck CheckProgramNames(const char* group, const char* name) {
  if (!IsStorableText(group)) return kGroupNotStorable;
  if (!IsStorableText(name)) return kNameNotStorable;
  return kProgramTextsFit;
}

ProgramTextCheck CheckRunnableTexts(const char* initText, const char* transformText) {
  if (initText != nullptr && !FitsBuffer(initText)) return kInitTextTooLongToRun;
  if (transformText != nullptr && !FitsBuffer(transformText)) return kTransformTextTooLongToRun;
  return kProgramTextsFit;
}

const char* ProgramTextCheckMessage(ProgramTextCheck check) {
  const size_t count = sizeof kCheckMessages / sizeof kCheckMessages[0];
  const size_t index = static_cast<size_t>(check);
  return index < count ? kCheckMessages[index] : "";
}
