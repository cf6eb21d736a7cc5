// Which statement each record of a compiled text belongs to, for a tracer
// that shows the statements a run executed as they are written.
//
// The parser keeps each record's token offset (SourceMap). An expression
// statement runs from its leftmost token to its ';' (the END record); an if
// from its keyword to the ')' that closes the condition, whose '(' the
// IF-TEST record stands on; a while from its keyword (the LOOP-START record)
// to the ')' after its condition (LOOP-TEST). The other markers belong to
// no statement.
#include <cstring>

#include "script/parser.h"
#include "script/scanner.h"

namespace {

bool IsLayoutByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Just past the ')' that closes the '(' at `open`, string literals passed
// over; the end of the text when none does.
int32_t PastClosingParen(const char* text, int32_t open) {
  int32_t depth = 0;
  int32_t k = open;
  for (; text[k] != '\0'; ++k) {
    if (text[k] == '"') {
      for (++k; text[k] != '\0' && text[k] != '"'; ++k)
        if (text[k] == '\\' && text[k + 1] != '\0') ++k;
      if (text[k] == '\0') break;
      continue;
    }
    if (text[k] == '(') ++depth;
    if (text[k] == ')' && --depth == 0) return k + 1;
  }
  return k;
}

// Where the "if" before the '(' at `open` starts (blanks between allowed);
// `open` itself when the keyword is not found there.
int32_t IfKeywordBefore(const char* text, int32_t open) {
  int32_t k = open;
  while (k > 0 && IsLayoutByte(text[k - 1])) --k;
  if (k >= 2 && std::strncmp(text + k - 2, "if", 2) == 0) return k - 2;
  return open;
}

StatementSource Located(const char* text, int32_t from, int32_t to) {
  StatementSource statement = {from, to, 1, 1};
  for (int32_t k = 0; k < from && text[k] != '\0'; ++k) {
    if (text[k] == '\n') {
      ++statement.line;
      statement.column = 1;
    } else {
      ++statement.column;
    }
  }
  return statement;
}

bool IsOp(const Instruction& record, int32_t code) {
  return record.kind == KIND_OP && record.code == code;
}

// Records first..last (inclusive) form one statement of text from..to.
bool AddStatement(const char* text, StatementMap* map, int32_t first, int32_t last, int32_t from,
                  int32_t to) {
  const int32_t index = map->statements.size;
  StatementSource* statement = map->statements.SetAtGrow(index);
  if (statement == nullptr) return false;
  *statement = Located(text, from, to);
  for (int32_t k = first; k <= last; ++k) map->statementOf.data[k] = index;
  return true;
}

bool MapRecords(const char* text, const GrowArray<Instruction>& code, const SourceMap& sources,
                StatementMap* map) {
  if (!map->statementOf.Resize(code.size)) return false;
  int32_t first = 0;  // the first record of the statement being read
  for (int32_t i = 0; i < code.size; ++i) {
    map->statementOf.data[i] = -1;
    const Instruction& record = code.data[i];
    const int32_t at = sources.data[i].offset;
    int32_t from = at;
    for (int32_t k = first; k < i; ++k)
      if (sources.data[k].offset < from) from = sources.data[k].offset;
    bool ends = true;
    if (IsOp(record, OP_END)) {
      if (!AddStatement(text, map, first, i, from, at + 1)) return false;
    } else if (IsOp(record, OP_IF_TEST)) {
      if (!AddStatement(text, map, first, i, IfKeywordBefore(text, at), PastClosingParen(text, at)))
        return false;
    } else if (IsOp(record, OP_LOOP_TEST)) {
      if (!AddStatement(text, map, first, i, from, PastClosingParen(text, at))) return false;
    } else if (IsOp(record, OP_LOOP_START)) {
      first = i;  // the head of the while: its keyword, then its condition
      ends = false;
    } else {
      ends = record.kind == KIND_OP &&
             (record.code == OP_ELSE || record.code == OP_IF_END || record.code == OP_LOOP_END);
    }
    if (ends) first = i + 1;
  }
  return true;
}

}  // namespace

bool MapStatements(const char* text, StatementMap* map) {
  map->statementOf.Release();
  map->statements.Release();
  if (text == nullptr) return true;
  ScriptEngine engine;
  engine.furthestPoint = text;
  SourceMap sources;
  Parser parser(engine, text, &sources);
  const int32_t n = parser.Sequence(text);
  if (parser.outOfMemory || sources.size != engine.scratchCode.size) return false;
  const char* rest = text + n;
  // A text of comments and blanks alone compiles to no code.
  if (rest[0] != '\0' && !(n == 0 && rest[SkipBlanks(rest)] == '\0')) return false;
  return MapRecords(text, engine.scratchCode, sources, map);
}
