// Reading the key=value text format. Lines end at LF; a CR before it is
// tolerated, so texts written on either platform read the same. Lines may be
// of any length: splitting a long value line would lose a program. A line
// holding a NUL byte is malformed: names and values are NUL-terminated texts,
// so such a line could only be read cut, and written back as something else.
#include <cstring>
#include <string>

#include "core/value_list.h"
#include "library/library.h"

namespace {

// One line of the text, without its LF.
struct LineSpan {
  const char* start;
  size_t length;
};

// Finds the next non-empty line at or after *position; false at the end.
bool NextLine(const char* text, size_t length, size_t* position, LineSpan* line) {
  size_t at = *position;
  while (at < length && text[at] == '\n') at++;  // empty lines are not lines
  if (at >= length) {
    *position = at;
    return false;
  }
  const char* found = static_cast<const char*>(std::memchr(text + at, '\n', length - at));
  size_t end = found != nullptr ? static_cast<size_t>(found - text) : length;
  line->start = text + at;
  line->length = end - at;
  *position = end < length ? end + 1 : end;
  return true;
}

// Names are significant to kValueNameMax characters; the cut matches the list's own.
std::string NameOf(const char* start, size_t length) {
  return std::string(start, length < static_cast<size_t>(kValueNameMax)
                                ? length
                                : static_cast<size_t>(kValueNameMax));
}

// value := chars up to the first CR, with backslash-"n" read as CR LF
std::string UnescapeValue(const char* start, size_t length) {
  std::string value;
  value.reserve(length);
  for (size_t i = 0; i < length && start[i] != '\r'; i++) {
    if (start[i] == '\\' && i + 1 < length && start[i + 1] == 'n') {
      value += "\r\n";
      i++;
    } else {
      value += start[i];
    }
  }
  return value;
}

// header := "[" name "]", every bracket, CR and LF dropped from the name
std::string SectionNameOf(const LineSpan& line) {
  std::string name;
  for (size_t i = 0; i < line.length; i++) {
    char c = line.start[i];
    if (c != '[' && c != ']' && c != '\r' && c != '\n') name += c;
  }
  return NameOf(name.data(), name.size());
}

}  // namespace

int KeyValueDocument::Parse(const char* text) {
  return Parse(text, text != nullptr ? std::strlen(text) : 0);
}

// document := { header | keyline | CR-line }
// keyline  := key "=" value     (key not empty)
int KeyValueDocument::Parse(const char* text, size_t length) {
  root_->Clear();
  std::string section;
  bool inSection = false;
  int lineNumber = 1;
  size_t position = 0;
  LineSpan line;
  while (text != nullptr && NextLine(text, length, &position, &line)) {
    if (std::memchr(line.start, '\0', line.length) != nullptr) return lineNumber;
    const void* equals = std::memchr(line.start, '=', line.length);
    size_t keyLength = equals != nullptr ? static_cast<const char*>(equals) - line.start : 0;
    if (keyLength > 0) {
      std::string key = NameOf(line.start, keyLength);
      std::string value = UnescapeValue(line.start + keyLength + 1, line.length - keyLength - 1);
      Set(key.c_str(), value.c_str(), inSection ? section.c_str() : nullptr);
    } else if (line.start[0] == '[') {
      section = SectionNameOf(line);
      inSection = true;
      ValueList* existing = nullptr;
      if (!root_->GetList(section.c_str(), &existing)) root_->SetList(section.c_str(), ValueList());
    } else if (line.start[0] != '\r') {
      return lineNumber;
    }
    lineNumber++;
  }
  return 0;
}
