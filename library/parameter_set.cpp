// Parameter set files: fifteen lines that bring back one look of a program.
#include <cstdio>
#include <cstring>
#include <string>

#include "library/library.h"
#include "library/text_file.h"

namespace {

const char kVersionLine[] = "#ver 0.07";
constexpr int kParameterSetLines = 3 + kParamSlotCount;

// Appends one single-line text and its CR LF. The text stops at its buffer's
// end or at a line break, so one value can never shift the lines after it.
void AppendLine(std::string* text, const char* line) {
  size_t length = 0;
  while (length < static_cast<size_t>(kNameTextSize - 1) && line[length] != '\0' &&
         line[length] != '\r' && line[length] != '\n') {
    length++;
  }
  text->append(line, length);
  text->append("\r\n");
}

// Copies the line [start, end) into a 128-byte field, cut to 127 characters.
void CopyField(char* field, const char* start, size_t length) {
  if (length > static_cast<size_t>(kNameTextSize - 1)) length = kNameTextSize - 1;
  std::memcpy(field, start, length);
  field[length] = '\0';
}

// The destination of line number `line` (0-based), or null for the version line.
char* FieldOfLine(ParameterSet* set, int line) {
  if (line == 1) return set->group;
  if (line == 2) return set->name;
  if (line >= 3 && line < kParameterSetLines) return set->values[line - 3];
  return nullptr;
}

}  // namespace

int WriteParameterSet(const char* path, const ParameterSet& set) {
  return StoreParameterSet(path, set).status == FileUpdateStatus::kWritten;
}

FileUpdate StoreParameterSet(const char* path, const ParameterSet& set) {
  std::string text;
  text.append(kVersionLine).append("\r\n");
  AppendLine(&text, set.group);
  AppendLine(&text, set.name);
  for (int i = 0; i < kParamSlotCount; i++) AppendLine(&text, set.values[i]);
  return WriteFileUnderLock(path, text.data(), text.size());
}

int ReadParameterSet(const char* path, ParameterSet* set) {
  std::memset(set, 0, sizeof *set);
  std::string text;
  if (ReadWholeFile(path, &text) != kFileRead) return 0;
  size_t position = 0;
  for (int line = 0; line < kParameterSetLines && position < text.size(); line++) {
    size_t end = text.find('\n', position);
    size_t next = end == std::string::npos ? text.size() : end + 1;
    if (end == std::string::npos) end = text.size();
    // A line's text ends at its first CR, as the writer ends a value there,
    // so that a set read and saved again reads the same; a last line without
    // a line break keeps all the rest.
    const void* carriageReturn = std::memchr(text.data() + position, '\r', end - position);
    size_t length = carriageReturn != nullptr
                        ? static_cast<size_t>(static_cast<const char*>(carriageReturn) -
                                              (text.data() + position))
                        : end - position;
    char* field = FieldOfLine(set, line);
    if (field != nullptr) CopyField(field, text.data() + position, length);
    position = next;
  }
  return 1;
}

int ProposeParameterFileName(const char* programName, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  int length = 0;
  for (const char* c = programName; c != nullptr && *c != '\0'; c++) {
    bool kept = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') ||
                *c == '-';
    if (kept && length < size - 1) buffer[length++] = *c;
  }
  buffer[length] = '\0';
  return length;
}
