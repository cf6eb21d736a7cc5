// Lookups and stores of the sectioned key=value document.
#include <cstring>

#include "core/value_list.h"
#include "library/library.h"

KeyValueDocument::KeyValueDocument() : root_(new ValueList()) {}

KeyValueDocument::~KeyValueDocument() { delete root_; }

namespace {

// The named section, or null when it is missing or not a section.
ValueList* FindSection(const ValueList& root, const char* section) {
  ValueList* list = nullptr;
  if (!root.GetList(section, &list)) return nullptr;
  return list;
}

}  // namespace

const char* KeyValueDocument::Get(const char* key, const char* section) const {
  const ValueList* list = root_;
  if (section != nullptr) list = FindSection(*root_, section);
  if (list == nullptr) return nullptr;
  const char* value = nullptr;
  if (!list->GetString(key, &value)) return nullptr;
  return value;
}

int KeyValueDocument::CopyValue(const char* key, const char* section, char* destination,
                                int destinationSize) const {
  if (destinationSize > 0) destination[0] = '\0';
  const char* value = Get(key, section);
  if (value == nullptr) return -1;
  size_t length = std::strlen(value);
  if (destinationSize > 0) {
    size_t kept = length < static_cast<size_t>(destinationSize - 1)
                      ? length
                      : static_cast<size_t>(destinationSize - 1);
    std::memcpy(destination, value, kept);
    destination[kept] = '\0';
  }
  return static_cast<int>(length);
}

void KeyValueDocument::Set(const char* key, const char* value, const char* section) {
  if (section == nullptr) {
    root_->SetString(key, value);
    return;
  }
  ValueList* list = FindSection(*root_, section);
  if (list == nullptr) {
    root_->SetList(section, ValueList());
    list = FindSection(*root_, section);
    if (list == nullptr) return;
  }
  list->SetString(key, value);
}

int KeyValueDocument::Remove(const char* key, const char* section) {
  if (section == nullptr) {
    root_->Remove(key);
    return 1;
  }
  ValueList* list = FindSection(*root_, section);
  if (list == nullptr) return 1;
  list->Remove(key);
  // An emptied section would otherwise be written back as a bare header.
  if (list->count() == 0) root_->Remove(section);
  return 1;
}
