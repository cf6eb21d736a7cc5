// Reading the "?name,message,minimum,maximum,default;" lines of an Init
// text into the parameter slots, and telling the main dialog's rows.
#include <cstring>

#include "transform/transform.h"

namespace {

constexpr char kDeclarationMark = '?';

// The fields of one declaration line, as they stand (nothing trimmed).
struct Declaration {
  char name[kNameTextSize];
  char message[kNameTextSize];
  char minimumText[kDeclarationLineMax + 1];
  char maximumText[kDeclarationLineMax + 1];
  char defaultText[kNameTextSize];
};

// field: the text from *cursor up to the next comma, which must exist and
// must not be the first character; a field that does not fit size bytes is
// refused as well. On success *cursor moves past the comma.
int32_t TakeField(const char** cursor, char* field, size_t size) {
  const char* start = *cursor;
  const char* comma = std::strchr(start, ',');
  if (comma == nullptr || comma == start) return 0;
  size_t length = static_cast<size_t>(comma - start);
  if (length >= size) return 0;
  std::memcpy(field, start, length);
  field[length] = '\0';
  *cursor = comma + 1;
  return 1;
}

// The rest of the line is the default, a ";" and one more character, which
// is normally the CR of the line's CR LF and is dropped whatever it is. The
// default may hold commas; it is never empty.
// Blanks, then a comment (see CommentLength), then blanks, up to `end`.
bool IsTrailingComment(const char* from, const char* end) {
  const char* c = from;
  while (c < end && (*c == ' ' || *c == '\t')) ++c;
  const int32_t comment = CommentLength(c);
  if (comment == 0) return false;
  // "//" runs on to the end of the line, the dropped character included.
  if (c[1] == '/') return true;
  if (c + comment > end) return false;
  c += comment;
  while (c < end && (*c == ' ' || *c == '\t')) ++c;
  return c == end;
}

// The length of the default when the line ends in ";", a comment and its
// last character; 0 when it does not. A declaration that reads today
// without a comment never comes here, so its meaning stays.
size_t DefaultBeforeComment(const char* rest, size_t length) {
  const char* last = rest + length - 1;  // dropped like the CR
  for (const char* semicolon = std::strchr(rest, ';'); semicolon != nullptr && semicolon < last;
       semicolon = std::strchr(semicolon + 1, ';')) {
    if (semicolon > rest && IsTrailingComment(semicolon + 1, last))
      return static_cast<size_t>(semicolon - rest);
  }
  return 0;
}

int32_t TakeDefault(const char* rest, char* field, size_t size) {
  size_t length = std::strlen(rest);
  size_t defaultLength = length - 2;
  if (length < 3 || rest[length - 2] != ';') {
    defaultLength = length < 3 ? 0 : DefaultBeforeComment(rest, length);
    if (defaultLength == 0) return 0;
  }
  if (defaultLength >= size) return 0;
  std::memcpy(field, rest, defaultLength);
  field[defaultLength] = '\0';
  return 1;
}

int32_t SplitDeclaration(const char* line, Declaration* declaration) {
  const char* cursor = line + 1;
  return TakeField(&cursor, declaration->name, sizeof declaration->name) &&
         TakeField(&cursor, declaration->message, sizeof declaration->message) &&
         TakeField(&cursor, declaration->minimumText, sizeof declaration->minimumText) &&
         TakeField(&cursor, declaration->maximumText, sizeof declaration->maximumText) &&
         TakeDefault(cursor, declaration->defaultText, sizeof declaration->defaultText);
}

// The next line of text into line (at most kDeclarationLineMax characters).
// A longer line is marked cut and its remainder skipped, so the remainder is
// never mistaken for a line of its own. Returns the characters consumed, 0
// at the end of the text.
int32_t NextLine(const char* text, char* line, bool* cut) {
  int32_t consumed = ReadLine(text, line, kDeclarationLineMax + 1);
  *cut = false;
  if (consumed == 0) return 0;
  if (text[consumed - 1] == '\n' || text[consumed] == '\0') return consumed;
  *cut = true;
  while (text[consumed] != '\0' && text[consumed] != '\n') ++consumed;
  if (text[consumed] == '\n') ++consumed;
  return consumed;
}

void CopyText(char* destination, const char* source) {
  size_t length = strnlen(source, kNameTextSize - 1);
  std::memcpy(destination, source, length);
  destination[length] = '\0';
}

void StoreDeclaration(ScriptEngine& engine, const Declaration& declaration, DeclarationMode mode,
                      ParamSlot* slot) {
  CopyText(slot->name, declaration.name);
  CopyText(slot->message, declaration.message);
  slot->minimum = EvaluateParamText(engine, declaration.minimumText);
  slot->maximum = EvaluateParamText(engine, declaration.maximumText);
  if (mode != kDeclareKeepValues || slot->value[0] == '\0') {
    CopyText(slot->value, declaration.defaultText);
  }
}

// Fills slots from the declarations in order. The number of declarations,
// or -1 at a malformed or thirteenth one (earlier slots keep what they got).
int32_t ReadDeclarations(ScriptEngine& engine, const char* initText, ParamSlot* slots,
                         DeclarationMode mode) {
  const char* cursor = initText == nullptr ? "" : initText;
  char line[kDeclarationLineMax + 1];
  bool cut = false;
  int32_t count = 0;
  while (int32_t consumed = NextLine(cursor, line, &cut)) {
    cursor += consumed;
    if (line[0] != kDeclarationMark) continue;
    if (cut || count == kParamSlotCount) return -1;
    Declaration declaration;
    if (!SplitDeclaration(line, &declaration)) return -1;
    StoreDeclaration(engine, declaration, mode, &slots[count]);
    ++count;
  }
  return count;
}

void ResetRows(const ParamTable& table, DeclarationMode mode, ParamRowView* view) {
  for (int32_t row = 0; row < kParamSlotCount; ++row) {
    if (view != nullptr) view->ResetRow(row);
    ParamSlot& slot = table.slots[row];
    slot.message[0] = '\0';
    slot.name[0] = '\0';
    if (mode != kDeclareKeepValues) slot.value[0] = '\0';
  }
}

void ShowDeclaredRows(ScriptEngine& engine, const ParamTable& table, int32_t count,
                      ParamRowView* view) {
  if (table.paramCount != nullptr) *table.paramCount = count;
  if (view == nullptr) return;
  for (int32_t row = 0; row < count; ++row) {
    const ParamSlot& slot = table.slots[row];
    view->ShowRow(row, slot, EvaluateParamText(engine, slot.value));
  }
}

}  // namespace

int32_t ParseParamDeclarations(ScriptEngine& engine, const char* initText, const ParamTable& table,
                               DeclarationMode mode, ParamRowView* view) {
  if (table.slots == nullptr) return 0;
  const bool showsRows = mode != kDeclareCheckOnly;
  if (showsRows) ResetRows(table, mode, view);
  int32_t count = ReadDeclarations(engine, initText, table.slots, mode);
  if (count < 0) return 0;
  if (showsRows) ShowDeclaredRows(engine, table, count, view);
  return 1;
}
