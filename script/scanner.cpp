// The scanners the parser calls at each text position.
#include "script/scanner.h"

#include <cmath>
#include <cstring>

#include "script/script.h"

namespace {

// Far beyond the exponent of any finite double; larger exponents saturate
// here so that the accumulator cannot overflow.
constexpr int32_t kExponentLimit = 99999;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }

int32_t HexDigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Length of the name that starts `offset` characters after a scan position,
// or 0 when there is none or it does not end within kScanLimit - 1
// characters of that position (so it always fits a kScanLimit buffer).
int32_t NameLength(const char* name, int32_t offset) {
  if (!IsNameStart(name[0])) return 0;
  int32_t length = 0;
  while (IsNameChar(name[length])) {
    if (offset + length >= kScanLimit - 1) return 0;
    ++length;
  }
  return length;
}

// An optional "+" or "-" at text[*n]: -1 for a minus, else 1; *n moves
// past the sign.
int32_t ScanSign(const char* text, int32_t* n) {
  if (text[*n] != '-' && text[*n] != '+') return 1;
  return text[(*n)++] == '-' ? -1 : 1;
}

}  // namespace

int32_t CommentLength(const char* text) {
  if (text[0] != '/') return 0;
  if (text[1] == '/') {
    int32_t n = 2;
    while (text[n] != '\0' && text[n] != '\n') ++n;
    return n;  // the line break stays: it is a token of its own
  }
  if (text[1] != '*') return 0;
  const char* end = strstr(text + 2, "*/");
  // An unclosed comment is not skipped, so the parser stops in front of it
  // and the error points at its start.
  return end == nullptr ? 0 : static_cast<int32_t>(end + 2 - text);
}

int32_t SkipBlanks(const char* text, const char* set) {
  int32_t n = 0;
  if (set == nullptr) {
    // No valid text held "//" or "/*" outside a string literal before
    // comments existed ("/" must be followed by an operand), so skipping
    // them as blanks changes the meaning of no text.
    for (;;) {
      while (IsBlank(text[n])) ++n;
      const int32_t comment = CommentLength(text + n);
      if (comment == 0) break;
      n += comment;
    }
  } else {
    while (text[n] != '\0' && strchr(set, text[n]) != nullptr) ++n;
  }
  return n;
}

int32_t SkipLayout(const char* text) {
  int32_t n = SkipBlanks(text);
  while (text[n] == '\n') n += 1 + SkipBlanks(text + n + 1);
  return n;
}

int32_t NameAt(const char* text) {
  if (!IsNameStart(text[0])) return 0;
  int32_t length = 0;
  while (IsNameChar(text[length])) ++length;
  return length;
}

int32_t ScanName(const char* text, char* name) {
  name[0] = '\0';
  int32_t lead = SkipBlanks(text);
  int32_t length = NameLength(text + lead, lead);
  if (length == 0) return 0;
  memcpy(name, text + lead, static_cast<size_t>(length));
  name[length] = '\0';
  return lead + length + SkipBlanks(text + lead + length);
}

int32_t MatchToken(const char* text, const char* token) {
  int32_t lead = SkipBlanks(text);
  const char* at = text + lead;
  size_t tokenLength = strlen(token);
  int32_t length = 0;
  if (IsNameStart(at[0])) {
    // A keyword must be the whole name: "if" is no prefix of "iffy".
    while (IsNameChar(at[length])) ++length;
    if (static_cast<size_t>(length) != tokenLength) return 0;
    if (memcmp(at, token, tokenLength) != 0) return 0;
  } else {
    if (strncmp(at, token, tokenLength) != 0) return 0;
    length = static_cast<int32_t>(tokenLength);
  }
  return lead + length + SkipBlanks(at + length);
}

int32_t MatchTokenSkippingLines(const char* text, const char* token) {
  if (text[0] == '\0') return 0;
  int32_t n = 0;
  for (;;) {
    int32_t matched = MatchToken(text + n, token);
    if (matched > 0) {
      n += matched;
      break;
    }
    int32_t lineBreak = MatchToken(text + n, "\n");
    if (lineBreak == 0) return 0;
    n += lineBreak;
  }
  // One line break after the token goes with it, so an operand may start the
  // next line.
  return n + MatchToken(text + n, "\n");
}

int32_t ScanExponent(const char* text, int32_t* exponent) {
  *exponent = 0;
  int32_t n = SkipBlanks(text);
  int32_t sign = ScanSign(text, &n);
  int32_t magnitude = 0;
  int32_t digits = 0;
  for (; IsDigit(text[n]); ++n, ++digits) {
    magnitude = magnitude * 10 + (text[n] - '0');
    if (magnitude > kExponentLimit) magnitude = kExponentLimit;
  }
  if (digits == 0) return 0;
  *exponent = sign * magnitude;
  return n + SkipBlanks(text + n);
}

int32_t ScanDecimal(const char* text, double* value) {
  *value = 0.0;
  int32_t n = SkipBlanks(text);
  double sign = ScanSign(text, &n);
  double number = 0.0;
  double divisor = 1.0;
  bool sawPoint = false;
  bool sawDigit = false;
  for (;; ++n) {
    char c = text[n];
    if (IsDigit(c)) {
      sawDigit = true;
      if (!sawPoint) {
        number = number * 10.0 + (c - '0');
      } else {
        divisor *= 10.0;
        number += (c - '0') / divisor;
      }
    } else if (c == '.') {
      if (sawPoint) return 0;
      sawPoint = true;
    } else {
      break;
    }
  }
  if (text[n] == 'E' || text[n] == 'e') {
    int32_t exponent = 0;
    int32_t used = ScanExponent(text + n + 1, &exponent);
    if (used == 0) return 0;
    n += 1 + used;
    number *= pow(10.0, exponent);
  }
  if (!sawDigit) return 0;
  *value = number * sign;
  return n + SkipBlanks(text + n);
}

int32_t ScanHex(const char* text, int32_t* value) {
  *value = 0;
  int32_t n = SkipBlanks(text);
  bool negative = text[n] == '-';
  if (negative) ++n;
  if (text[n] != '0' || text[n + 1] != 'x') return 0;
  n += 2;
  uint32_t accumulator = 0;  // wraps modulo 2^32 by design
  int32_t digits = 0;
  for (int32_t digit; (digit = HexDigitValue(text[n])) >= 0; ++n, ++digits)
    accumulator = accumulator * 16u + static_cast<uint32_t>(digit);
  if (digits == 0) return 0;
  if (negative) accumulator = 0u - accumulator;
  *value = static_cast<int32_t>(accumulator);
  return n + SkipBlanks(text + n);
}

int32_t ScanString(const char* text, char* out, int32_t outSize) {
  if (outSize > 0) out[0] = '\0';
  int32_t n = SkipBlanks(text);
  if (text[n] != '"') return 0;
  ++n;
  int32_t length = 0;
  for (;;) {
    char c = text[n];
    if (c == '\0') break;  // unterminated: the literal runs to the end
    if (c == '"') {
      ++n;
      break;
    }
    if (n >= kScanLimit) return 0;
    if (c == '\\') {
      if (text[n + 1] == '\0') return 0;
      c = text[n + 1];
      n += 2;
    } else {
      ++n;
    }
    if (length + 1 < outSize) out[length++] = c;
  }
  if (outSize > 0) out[length] = '\0';
  return n + SkipBlanks(text + n);
}

int32_t LookupBuiltin(const char* text, int32_t* code, int32_t* argCount) {
  *code = 0;
  *argCount = 0;
  int32_t lead = SkipBlanks(text);
  const char* name = text + lead;
  int32_t length = NameLength(name, lead);
  if (length == 0) return 0;
  for (const BuiltinEntry* row = BuiltinTable; row->name != nullptr; ++row) {
    if (row->name[0] == name[0] && strlen(row->name) == static_cast<size_t>(length) &&
        memcmp(row->name, name, static_cast<size_t>(length)) == 0) {
      *code = row->code;
      *argCount = row->argCount;
      return lead + length + SkipBlanks(name + length);
    }
  }
  return 0;
}

int32_t ParseVariable(const char* text, ValueList& variables, int32_t* index) {
  *index = -1;
  int32_t n = 0;
  for (int32_t lineBreak; (lineBreak = MatchToken(text + n, "\n")) > 0;) n += lineBreak;
  if (text[n] == '\0') return 0;
  int32_t lead = SkipBlanks(text + n);
  int32_t length = NameLength(text + n + lead, lead);
  if (length == 0) return 0;
  // The table keeps kValueNameMax characters of a name; so does the look-up.
  char name[kValueNameMax + 1];
  int32_t kept = length < kValueNameMax ? length : kValueNameMax;
  memcpy(name, text + n + lead, static_cast<size_t>(kept));
  name[kept] = '\0';
  int32_t found = variables.IndexOf(name);
  if (found < 0) {
    variables.SetNumber(name, 0.0);
    found = variables.IndexOf(name);
  }
  *index = found;
  n += lead + length;
  return n + SkipBlanks(text + n);
}
