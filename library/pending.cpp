// Placeholders until the document and file operations land.
#include "core/value_list.h"
#include "library/library.h"

KeyValueDocument::KeyValueDocument() : root_(new ValueList()) {}
KeyValueDocument::~KeyValueDocument() { delete root_; }
int KeyValueDocument::Parse(const char*) { return 0; }
int KeyValueDocument::Parse(const char*, size_t) { return 0; }
size_t KeyValueDocument::SerializedLength() const { return 0; }
long KeyValueDocument::Serialize(char* buffer, size_t size) const {
  if (size > 0) buffer[0] = '\0';
  return size > 0 ? 0 : -1;
}
const char* KeyValueDocument::Get(const char*, const char*) const { return nullptr; }
int KeyValueDocument::CopyValue(const char*, const char*, char* d, int n) const {
  if (n > 0) d[0] = '\0';
  return -1;
}
void KeyValueDocument::Set(const char*, const char*, const char*) {}
int KeyValueDocument::Remove(const char*, const char*) { return 1; }
