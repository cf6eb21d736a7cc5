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

// Every line break, CR LF, LF or a lone CR, becomes backslash-"n", which
// reads back as CR LF: a lone CR is a break too, not dropped, since dropping
// it would join the words on either side.
void PutEscaped(TextSink* sink, const char* value) {
  for (; *value != '\0'; value++) {
    if (*value == '\r' && value[1] == '\n') continue;  // the LF writes the break
    if (*value == '\n' || *value == '\r') {
      sink->Put('\\');
      sink->Put('n');
    } else {
      sink->Put(*value);
    }
  }
}

bool HasAny(const char* text, const char* characters) {
  return std::strpbrk(text, characters) != nullptr;
}

// A key line "key=value" reads back its key only when the key is not empty
// and holds no "=" or LF (a CR is read as part of the key).
bool IsStorableKey(const char* key) { return key[0] != '\0' && !HasAny(key, "=\n"); }

// A header "[name]" reads back its name only when the name holds none of the
// characters the reader drops or splits at, and no "=" (the line would be a key line).
bool IsStorableSectionName(const char* name) { return !HasAny(name, "[]=\r\n"); }

// The first entry of list whose key or value would read back differently.
const char* FirstUnstorableEntry(const ValueList& list) {
  for (int i = 0; list.NameAt(i) != nullptr; i++) {
    const char* key = list.NameAt(i);
    if (list.TypeOf(key, i) != kString) continue;
    if (!IsStorableKey(key) || !IsStorableText(static_cast<const char*>(list.ValueAt(i)))) {
      return key;
    }
  }
  return nullptr;
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

bool IsStorableText(const char* text) {
  return text == nullptr || std::strstr(text, "\\n") == nullptr;
}

int KeyValueDocument::FindUnstorable(const char** section, const char** key) const {
  *section = nullptr;
  *key = FirstUnstorableEntry(*root_);
  if (*key != nullptr) return 1;
  for (int i = 0; root_->NameAt(i) != nullptr; i++) {
    const char* name = root_->NameAt(i);
    if (root_->TypeOf(name, i) != kList) continue;
    *section = name;
    if (!IsStorableSectionName(name)) return 1;
    *key = FirstUnstorableEntry(*static_cast<const ValueList*>(root_->ValueAt(i)));
    if (*key != nullptr) return 1;
  }
  *section = nullptr;
  return 0;
}

size_t KeyValueDocument::SerializedLength() const {
  TextSink sink{nullptr, 0, 0};
  PutDocument(&sink, *root_);
  return sink.length;
}

long KeyValueDocument::Serialize(char* buffer, size_t size) const {
  if (buffer == nullptr || size == 0) return -1;
  const char* section = nullptr;
  const char* key = nullptr;
  if (FindUnstorable(&section, &key)) {
    buffer[0] = '\0';
    return -1;
  }
  TextSink sink{buffer, size, 0};
  PutDocument(&sink, *root_);
  if (sink.length + 1 > size) {
    buffer[0] = '\0';
    return -1;
  }
  buffer[sink.length] = '\0';
  return static_cast<long>(sink.length);
}
