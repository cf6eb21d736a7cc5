// Named values: the ordered list of uniquely named, typed entries on which the
// script variables, the key=value documents and the dialogs' name lists rest.
//
// Contracts
// - Entries keep insertion order; a store to an existing name replaces the
//   value in place (same position, same entry).
// - An entry never moves while it is in the list: the address of a Number or
//   Integer value cell (FindValue, ValueAt) stays valid until that entry is
//   removed or the list is cleared or destroyed. Compiled scripts rely on this.
// - The list owns what it holds: String values are private copies, List values
//   private deep copies; both are released when replaced, removed or cleared.
// - Names are compared byte for byte, case-sensitively. A name is significant
//   to its first kValueNameMax (255) characters: longer names are cut to that
//   length when stored AND when looked up, so every operation agrees on which
//   entry a long name denotes.
// - Lookups by name take constant time (a hash index beside the list) and a
//   walk by rising index (NameAt, ValueAt with 0, 1, 2, ...) constant time a
//   step, so building or walking a list of n entries costs O(n): documents
//   of many thousands of keys load and save in linear time.
// - Memory exhaustion is not handled.
#ifndef MORFEL_CORE_VALUE_LIST_H
#define MORFEL_CORE_VALUE_LIST_H

#include <cstdint>
#include <string_view>
#include <unordered_map>

constexpr int kValueNameMax = 255;

enum ValueType : int32_t {
  kNoValue = 0,
  kNumber = 1,
  kInteger = 2,
  kString = 3,
  kList = 4,
};

class ValueList;

struct ValueEntry {
  char name[kValueNameMax + 1];
  int32_t type;
  union {
    double number;
    int32_t integer;
    char* text;
    ValueList* list;
  } value;
  ValueEntry* next;
};

class ValueList {
 public:
  ValueList() = default;
  ~ValueList();
  ValueList(const ValueList&) = delete;
  ValueList& operator=(const ValueList&) = delete;

  // Stores: replace the value of an existing name in place, else append.
  void SetNumber(const char* name, double value);
  void SetInteger(const char* name, int32_t value);
  void SetString(const char* name, const char* text);     // copies the text
  void SetList(const char* name, const ValueList& list);  // deep copy

  // Typed reads: 1 when found with the right type, else 0.
  // GetNumber writes 0.0 and GetString null when not found. GetList writes
  // null when the name is absent but leaves `out` untouched when the name
  // holds another type.
  int GetNumber(const char* name, double* out) const;
  int GetString(const char* name, const char** out) const;
  int GetList(const char* name, ValueList** out) const;

  // Untyped access. For Number and Integer: the address of the value cell;
  // for String and List: the stored pointer. Null when absent.
  void* FindValue(const char* name) const;
  void* ValueAt(int index) const;
  const char* NameAt(int index) const;  // null outside 0..count-1
  int IndexOf(const char* name) const;  // -1 when absent
  // Tag of the named entry; when absent, the tag of the entry at
  // fallbackIndex (-1 meaning the last entry); 0 when that is absent too.
  int TypeOf(const char* name, int fallbackIndex) const;

  void Remove(const char* name);
  void Clear();
  void CopyFrom(const ValueList& other);

  int count() const { return count_; }

 private:
  ValueEntry* Find(const char* name) const;
  ValueEntry* EntryAt(int index) const;
  ValueEntry* FindOrAppend(const char* name);

  ValueEntry* head_ = nullptr;
  ValueEntry* tail_ = nullptr;
  int32_t count_ = 0;
  // Entries by name; the keys view the entries' own name fields.
  std::unordered_map<std::string_view, ValueEntry*> index_;
  // The entry last reached by index, so that a walk by rising index goes on
  // from there instead of from the head.
  mutable ValueEntry* cursor_ = nullptr;
  mutable int32_t cursorIndex_ = 0;
};

#endif
