#include "core/value_list.h"

#include <cstdlib>
#include <cstring>

namespace {

// A name as far as it is significant.
std::string_view Significant(const char* name) {
  if (name == nullptr) name = "";
  size_t length = 0;
  while (length < static_cast<size_t>(kValueNameMax) && name[length] != '\0') ++length;
  return std::string_view(name, length);
}

void ReleaseValue(ValueEntry* entry) {
  if (entry->type == kString) {
    std::free(entry->value.text);
  } else if (entry->type == kList) {
    delete entry->value.list;
  }
  entry->type = kNoValue;
  entry->value.number = 0.0;
}

char* CopyText(const char* text) {
  if (text == nullptr) text = "";
  size_t length = std::strlen(text);
  char* copy = static_cast<char*>(std::malloc(length + 1));
  std::memcpy(copy, text, length + 1);
  return copy;
}

void* CellOf(ValueEntry* entry) {
  if (entry == nullptr) return nullptr;
  switch (entry->type) {
    case kNumber:
      return &entry->value.number;
    case kInteger:
      return &entry->value.integer;
    case kString:
      return entry->value.text;
    case kList:
      return entry->value.list;
    default:
      return nullptr;
  }
}

}  // namespace

ValueList::~ValueList() { Clear(); }

ValueEntry* ValueList::Find(const char* name) const {
  auto found = index_.find(Significant(name));
  return found == index_.end() ? nullptr : found->second;
}

ValueEntry* ValueList::EntryAt(int index) const {
  if (index < 0 || index >= count_) return nullptr;
  ValueEntry* entry = head_;
  int32_t at = 0;
  if (cursor_ != nullptr && cursorIndex_ <= index) {
    entry = cursor_;
    at = cursorIndex_;
  }
  for (; at < index; ++at) entry = entry->next;
  cursor_ = entry;
  cursorIndex_ = index;
  return entry;
}

ValueEntry* ValueList::FindOrAppend(const char* name) {
  ValueEntry* entry = Find(name);
  if (entry != nullptr) {
    ReleaseValue(entry);
    return entry;
  }
  entry = new ValueEntry();
  std::string_view significant = Significant(name);
  std::memcpy(entry->name, significant.data(), significant.size());
  entry->name[significant.size()] = '\0';
  entry->type = kNoValue;
  entry->next = nullptr;
  if (tail_ == nullptr) {
    head_ = entry;
  } else {
    tail_->next = entry;
  }
  tail_ = entry;
  ++count_;
  index_.emplace(std::string_view(entry->name, significant.size()), entry);
  return entry;
}

void ValueList::SetNumber(const char* name, double value) {
  ValueEntry* entry = FindOrAppend(name);
  entry->type = kNumber;
  entry->value.number = value;
}

void ValueList::SetInteger(const char* name, int32_t value) {
  ValueEntry* entry = FindOrAppend(name);
  entry->type = kInteger;
  entry->value.integer = value;
}

void ValueList::SetString(const char* name, const char* text) {
  // Copy first: the text may live inside the entry that is being replaced.
  char* copy = CopyText(text);
  ValueEntry* entry = FindOrAppend(name);
  entry->type = kString;
  entry->value.text = copy;
}

void ValueList::SetList(const char* name, const ValueList& list) {
  // Copy first: the argument may be the very list that is being replaced.
  ValueList* copy = new ValueList();
  copy->CopyFrom(list);
  ValueEntry* entry = FindOrAppend(name);
  entry->type = kList;
  entry->value.list = copy;
}

int ValueList::GetNumber(const char* name, double* out) const {
  ValueEntry* entry = Find(name);
  if (entry == nullptr || entry->type != kNumber) {
    *out = 0.0;
    return 0;
  }
  *out = entry->value.number;
  return 1;
}

int ValueList::GetString(const char* name, const char** out) const {
  ValueEntry* entry = Find(name);
  if (entry == nullptr || entry->type != kString) {
    *out = nullptr;
    return 0;
  }
  *out = entry->value.text;
  return 1;
}

int ValueList::GetList(const char* name, ValueList** out) const {
  ValueEntry* entry = Find(name);
  if (entry == nullptr) {
    *out = nullptr;
    return 0;
  }
  if (entry->type != kList) return 0;
  *out = entry->value.list;
  return 1;
}

void* ValueList::FindValue(const char* name) const { return CellOf(Find(name)); }

void* ValueList::ValueAt(int index) const { return CellOf(EntryAt(index)); }

const char* ValueList::NameAt(int index) const {
  ValueEntry* entry = EntryAt(index);
  return entry == nullptr ? nullptr : entry->name;
}

int ValueList::IndexOf(const char* name) const {
  const ValueEntry* wanted = Find(name);
  if (wanted == nullptr) return -1;
  int index = 0;
  for (ValueEntry* entry = head_; entry != wanted; entry = entry->next) ++index;
  return index;
}

int ValueList::TypeOf(const char* name, int fallbackIndex) const {
  ValueEntry* entry = Find(name);
  if (entry == nullptr) {
    entry = EntryAt(fallbackIndex == -1 ? count_ - 1 : fallbackIndex);
  }
  return entry == nullptr ? 0 : entry->type;
}

void ValueList::Remove(const char* name) {
  ValueEntry* removed = Find(name);
  if (removed == nullptr) return;
  ValueEntry* previous = nullptr;
  for (ValueEntry* entry = head_; entry != removed; entry = entry->next) previous = entry;
  (previous == nullptr ? head_ : previous->next) = removed->next;
  if (tail_ == removed) tail_ = previous;
  index_.erase(std::string_view(removed->name));
  cursor_ = nullptr;  // later entries move down one place
  ReleaseValue(removed);
  delete removed;
  --count_;
}

void ValueList::Clear() {
  ValueEntry* entry = head_;
  while (entry != nullptr) {
    ValueEntry* next = entry->next;
    ReleaseValue(entry);
    delete entry;
    entry = next;
  }
  head_ = tail_ = nullptr;
  count_ = 0;
  index_.clear();
  cursor_ = nullptr;
}

void ValueList::CopyFrom(const ValueList& other) {
  if (&other == this) return;
  Clear();
  for (ValueEntry* entry = other.head_; entry != nullptr; entry = entry->next) {
    switch (entry->type) {
      case kNumber:
        SetNumber(entry->name, entry->value.number);
        break;
      case kInteger:
        SetInteger(entry->name, entry->value.integer);
        break;
      case kString:
        SetString(entry->name, entry->value.text);
        break;
      case kList:
        SetList(entry->name, *entry->value.list);
        break;
      default:
        break;
    }
  }
}
