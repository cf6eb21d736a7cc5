// Writing the key=value text format, CR LF after every line.
#include <cstring>

#include "core/value_list.h"
#include "library/library.h"

namespace {

// Collects output into a bounded buffer while counting the full length, so
// one walk both measures and writes the document.
struct TextSink {
  char* buffer;
  size_t size;
  size_t length;

  void Put(char c) {
    if (length + 1 < size) buffer[length] = c;
    length++;
  }
  void Put(const char* text) {
    for (; *text != '\0'; text++) Put(*text);
  }
};

// LF becomes backslash-"n"; CR is dropped, since every line break is
// written as LF-escaped and read back as CR LF.
void PutEscaped(TextSink* sink, const char* value) {
  for (; *value != '\0'; value++) {
    if (*value == '\n') {
      sink->Put('\\');
      sink->Put('n');
    } else if (*value != '\r') {
      sink->Put(*value);
    }
  }
}

void PutKeyLine(TextSink* sink, const char* key, const char* value) {
  sink->Put(key);
  sink->Put('=');
  PutEscaped(sink, value);
  sink->Put("\r\n");
}

void PutSection(TextSink* sink, const char* name, const ValueList& section) {
  sink->Put('[');
  sink->Put(name);
  sink->Put("]\r\n");
  for (int i = 0; section.NameAt(i) != nullptr; i++) {
    const char* key = section.NameAt(i);
    if (section.TypeOf(key, i) != kString) continue;
    PutKeyLine(sink, key, static_cast<const char*>(section.ValueAt(i)));
  }
}

// Root keys go before every section: written after a header they would be
// read back as keys of that section.
void PutDocument(TextSink* sink, const ValueList& root) {
  for (int i = 0; root.NameAt(i) != nullptr; i++) {
    const char* name = root.NameAt(i);
    if (root.TypeOf(name, i) == kString) {
      PutKeyLine(sink, name, static_cast<const char*>(root.ValueAt(i)));
    }
  }
  for (int i = 0; root.NameAt(i) != nullptr; i++) {
    const char* name = root.NameAt(i);
    if (root.TypeOf(name, i) == kList) {
      PutSection(sink, name, *static_cast<const ValueList*>(root.ValueAt(i)));
    }
  }
}

}  // namespace

size_t KeyValueDocument::SerializedLength() const {
  TextSink sink{nullptr, 0, 0};
  PutDocument(&sink, *root_);
  return sink.length;
}

long KeyValueDocument::Serialize(char* buffer, size_t size) const {
  if (buffer == nullptr || size == 0) return -1;
  TextSink sink{buffer, size, 0};
  PutDocument(&sink, *root_);
  if (sink.length + 1 > size) {
    buffer[0] = '\0';
    return -1;
  }
  buffer[sink.length] = '\0';
  return static_cast<long>(sink.length);
}
