// Turns the parser's notes on a failed compile into a reason the user can
// act on: where it lies, the text at fault, what was expected, and a sure
// hint where there is one.
#include <cstdio>
#include <cstring>

#include "script/parser.h"
#include "script/scanner.h"

namespace {

const char* const kFaultFormats[] = {
    "",
#define MORFEL_FAULT(Name, format) format,
#include "script/compile_faults.h"
};

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The token that starts at `at`, for a message: a name, a number, a text's
// beginning, a two-character operator or a single character.
int32_t TokenLength(const char* at) {
  if (at[0] == '\0') return 0;
  if (IsNameChar(at[0]) || at[0] == '.') {
    int32_t n = 0;
    while (IsNameChar(at[n]) || at[n] == '.') ++n;
    return n;
  }
  if (at[0] == '"') {
    int32_t n = 1;
    while (at[n] != '\0' && at[n] != '"' && at[n] != '\n' && n < 24) ++n;
    return at[n] == '"' ? n + 1 : n;
  }
  static const char* const kPairs[] = {"<=", ">=", "==", "!=", "&&", "||", "/*"};
  for (const char* pair : kPairs)
    if (at[0] == pair[0] && at[1] == pair[1]) return 2;
  return 1;
}

void CopyToken(const char* at, int32_t length, char* out, size_t size) {
  size_t kept = static_cast<size_t>(length) < size - 1 ? static_cast<size_t>(length) : size - 1;
  std::memcpy(out, at, kept);
  out[kept] = '\0';
}

// "'x'" or "the end of the text".
void Quoted(const char* token, char* out, size_t size) {
  if (token[0] == '\0') {
    std::snprintf(out, size, "the end of the text");
  } else if (token[0] == '\n') {
    std::snprintf(out, size, "the end of the line");
  } else {
    std::snprintf(out, size, "'%s'", token);
  }
}

// The last non-blank character before `at`, comments not looked into.
char CharacterBefore(const char* text, const char* at) {
  for (const char* c = at; c > text;) {
    --c;
    if (*c != ' ' && *c != '\t' && *c != '\r' && *c != '\n') return *c;
  }
  return '\0';
}

// The name that ends at or before `at`, blanks skipped; "" when none.
void NameBefore(const char* text, const char* at, char* out, size_t size) {
  const char* end = at;
  while (end > text && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r' || end[-1] == '\n'))
    --end;
  const char* start = end;
  while (start > text && IsNameChar(start[-1])) --start;
  CopyToken(start, static_cast<int32_t>(end - start), out, size);
}

bool IsRelational(const char* token) {
  return std::strcmp(token, "<") == 0 || std::strcmp(token, ">") == 0 ||
         std::strcmp(token, "<=") == 0 || std::strcmp(token, ">=") == 0 ||
         std::strcmp(token, "==") == 0 || std::strcmp(token, "!=") == 0;
}

bool IsLanguageCharacter(char c) {
  return IsNameChar(c) || std::strchr(" \t\r\n.;(){}=&|<>!,+-*/%\"", c) != nullptr;
}

void Place(const char* text, const char* at, CompileDiagnostic* out) {
  out->offset = static_cast<int32_t>(at - text);
  out->line = 1;
  const char* lineStart = text;
  for (const char* c = text; c < at; ++c) {
    if (*c == '\n') {
      ++out->line;
      lineStart = c + 1;
    }
  }
  out->column = static_cast<int32_t>(at - lineStart) + 1;
}

bool OnLaterLine(const char* from, const char* to) {
  for (const char* c = from; c < to; ++c)
    if (*c == '\n') return true;
  return false;
}

const ParseFinding* FindingAt(const Parser& parser, const char* at) {
  const ParseFinding* best = nullptr;
  for (int32_t k = 0; k < parser.findingCount; ++k) {
    const ParseFinding& finding = parser.findings[k];
    if (finding.from <= at && at <= finding.to && (best == nullptr || finding.from > best->from))
      best = &finding;
  }
  return best;
}

void DescribeFinding(const char* text, const ParseFinding& finding, CompileDiagnostic* out) {
  out->fault = finding.fault;
  CopyToken(finding.from, TokenLength(finding.from), out->atFault, sizeof out->atFault);
  Place(text, finding.from, out);
  const char* format = kFaultFormats[static_cast<int32_t>(finding.fault)];
  if (finding.fault == CompileFault::kArgumentCount) {
    std::snprintf(out->reason, sizeof out->reason, format, out->atFault, finding.wanted,
                  finding.wanted == 1 ? "value" : "values", finding.given);
    return;
  }
  std::snprintf(out->reason, sizeof out->reason, format, out->atFault);
  const char* names[kBuiltinRows];
  int32_t count = 0;
  for (const BuiltinEntry* row = BuiltinTable; row->name != nullptr; ++row)
    names[count++] = row->name;
  if (const char* closest = ClosestName(out->atFault, names, count))
    std::snprintf(out->hint, sizeof out->hint, "did you mean '%s'?", closest);
}

// The fault from what was missing at `missedAt` and the token found there.
CompileFault Classify(const char* text, const Parser& parser, const char* found,
                      const char* token) {
  const uint32_t missed = parser.missed;
  if (found[0] == '/' && found[1] == '*') return CompileFault::kUnterminatedComment;
  if (found[0] != '\0' && !IsLanguageCharacter(found[0])) return CompileFault::kUnknownCharacter;
  if (std::strcmp(token, "else") == 0 && (missed & kMissedSemicolon))
    return CompileFault::kElseAfterStatement;
  if (missed & kMissedCloseParen) {
    if (std::strcmp(token, "=") == 0) return CompileFault::kAssignmentInCondition;
    if (IsRelational(token)) return CompileFault::kComparisonInArgument;
    return CompileFault::kCloseParenExpected;
  }
  if (missed & kMissedOpenBrace) return CompileFault::kWhileNeedsBraces;
  if (missed & kMissedOpenParen) return CompileFault::kOpenParenExpected;
  if (token[0] == '}' && CharacterBefore(text, found) == '{') return CompileFault::kEmptyBlock;
  if (missed & kMissedCloseBrace) return CompileFault::kCloseBraceExpected;
  char before[16];
  NameBefore(text, parser.missedAt, before, sizeof before);
  if (std::strcmp(before, "else") == 0) return CompileFault::kElseWithoutIf;
  if (missed & kMissedSemicolon) {
    return found[0] == '\0' || OnLaterLine(parser.missedAt, found)
               ? CompileFault::kMissingSemicolon
               : CompileFault::kSemicolonExpected;
  }
  if ((missed & kMissedStatement) && (token[0] == ')' || token[0] == '}'))
    return CompileFault::kUnexpected;
  if (missed & kMissedValue) {
    if (NameAt(found) >= kScanLimit - 1) return CompileFault::kTooLong;
    if (found[0] == '"') {
      const char* close = std::strchr(found + 1, '"');
      if (close == nullptr || close - found >= kScanLimit - 1) return CompileFault::kTooLong;
    }
    if ((found[0] >= '0' && found[0] <= '9') || found[0] == '.') return CompileFault::kBadNumber;
    return CompileFault::kValueExpected;
  }
  return CompileFault::kUnexpected;
}

void DescribeMissing(const char* text, const Parser& parser, CompileDiagnostic* out) {
  const char* found = parser.missedAt + SkipLayout(parser.missedAt);
  char token[sizeof out->atFault];
  CopyToken(found, TokenLength(found), token, sizeof token);
  out->fault = Classify(text, parser, found, token);
  std::memcpy(out->atFault, token, sizeof token);
  // A missing ';' belongs at the end of the statement, not on the next line.
  Place(text, out->fault == CompileFault::kMissingSemicolon ? parser.missedAt : found, out);
  char quoted[sizeof token + 24];
  Quoted(token, quoted, sizeof quoted);
  const char* format = kFaultFormats[static_cast<int32_t>(out->fault)];
  if (out->fault == CompileFault::kOpenParenExpected) {
    char keyword[24];
    NameBefore(text, parser.missedAt, keyword, sizeof keyword);
    std::snprintf(out->reason, sizeof out->reason, format, keyword);
  } else {
    std::snprintf(out->reason, sizeof out->reason, format, quoted);
  }
  if (out->fault == CompileFault::kElseAfterStatement)
    std::snprintf(out->hint, sizeof out->hint, "end the statement before it with ';'");
  if (out->fault == CompileFault::kEmptyBlock)
    std::snprintf(out->hint, sizeof out->hint, "a lone ';' is a statement that does nothing");
}

void Simple(const char* text, CompileFault fault, const char* at, CompileDiagnostic* out) {
  out->fault = fault;
  Place(text, at, out);
  CopyToken(at, TokenLength(at), out->atFault, sizeof out->atFault);
  std::snprintf(out->reason, sizeof out->reason, "%s", kFaultFormats[static_cast<int32_t>(fault)]);
}

bool OnlyBlanks(const char* text) { return text[SkipBlanks(text)] == '\0'; }

}  // namespace

CompileDiagnostic DiagnoseFailure(const char* text, const Parser& parser, const char* errorAt) {
  CompileDiagnostic out;
  if (parser.outOfMemory) {
    Simple(text, CompileFault::kOutOfMemory, errorAt, &out);
  } else if (parser.loopTooDeepAt != nullptr && errorAt == parser.loopTooDeepAt) {
    Simple(text, CompileFault::kLoopsTooDeep, errorAt, &out);
  } else if (parser.tooDeepAt != nullptr && errorAt == parser.tooDeepAt) {
    Simple(text, CompileFault::kNestedTooDeep, errorAt, &out);
  } else if (OnlyBlanks(text)) {
    Simple(text, CompileFault::kOnlyBlanks, text, &out);
  } else if (const ParseFinding* finding = FindingAt(parser, parser.missedAt)) {
    DescribeFinding(text, *finding, &out);
  } else if (parser.missedAt != nullptr) {
    DescribeMissing(text, parser, &out);
  } else {
    Simple(text, CompileFault::kUnexpected, errorAt, &out);
  }
  return out;
}

void FormatDiagnostic(const CompileDiagnostic& diagnostic, char* out, int32_t outSize) {
  if (outSize <= 0) return;
  if (diagnostic.hint[0] != '\0') {
    std::snprintf(out, static_cast<size_t>(outSize), "%s (%s)", diagnostic.reason, diagnostic.hint);
  } else {
    std::snprintf(out, static_cast<size_t>(outSize), "%s", diagnostic.reason);
  }
}

// ---- close names ----------------------------------------------------------

int32_t NameDistance(const char* a, const char* b) {
  const int32_t la = static_cast<int32_t>(std::strlen(a));
  const int32_t lb = static_cast<int32_t>(std::strlen(b));
  if (la > 63 || lb > 63) return 1 << 20;
  int32_t d[64][64];
  for (int32_t i = 0; i <= la; ++i) d[i][0] = 2 * i;
  for (int32_t j = 0; j <= lb; ++j) d[0][j] = 2 * j;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (int32_t i = 1; i <= la; ++i) {
    for (int32_t j = 1; j <= lb; ++j) {
      int32_t change = a[i - 1] == b[j - 1] ? 0 : lower(a[i - 1]) == lower(b[j - 1]) ? 1 : 2;
      int32_t best = d[i - 1][j - 1] + change;
      if (d[i - 1][j] + 2 < best) best = d[i - 1][j] + 2;
      if (d[i][j - 1] + 2 < best) best = d[i][j - 1] + 2;
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1] &&
          d[i - 2][j - 2] + 2 < best)
        best = d[i - 2][j - 2] + 2;
      d[i][j] = best;
    }
  }
  return d[la][lb];
}

const char* ClosestName(const char* name, const char* const* candidates, int32_t count) {
  const int32_t length = static_cast<int32_t>(std::strlen(name));
  // One step for short names, two from six characters on; never so many
  // that most of the name would change.
  const int32_t limit = length >= 6 ? 4 : length >= 3 ? 2 : 1;
  const char* best = nullptr;
  int32_t bestDistance = limit + 1;
  bool tie = false;
  for (int32_t k = 0; k < count; ++k) {
    if (std::strcmp(candidates[k], name) == 0) continue;
    const int32_t distance = NameDistance(name, candidates[k]);
    if (distance < bestDistance) {
      best = candidates[k];
      bestDistance = distance;
      tie = false;
    } else if (distance == bestDistance && best != nullptr &&
               std::strcmp(best, candidates[k]) != 0) {
      tie = true;
    }
  }
  return tie ? nullptr : best;
}
