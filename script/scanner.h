// Scanners of the script compiler. The parser works straight on the text and
// asks, at each position, whether an item starts there. Every scanner returns
// the number of characters it consumed, blanks before and after the item
// included, or 0 when the item is not there; it never changes the text.
// Scanners that read a value clear their output first.
//
// Blanks are space, tab and CR, and comments: "//" to the end of the line
// and "/*" to the next "*/" (line breaks inside it included). LF is a line
// break: not a blank but a token of its own ("\n").
#pragma once

#include <cstdint>

#include "core/value_list.h"

// Longest name or string that a scanner reads from one position.
constexpr int32_t kScanLimit = 2048;

// Leading blanks (comments included), or leading characters of `set` when
// one is given.
int32_t SkipBlanks(const char* text, const char* set = nullptr);
// CommentLength (script.h) tells the length of a comment.
// Blanks, comments and line breaks: where the next item starts.
int32_t SkipLayout(const char* text);
// Length of the name at text (no blanks skipped), 0 when none starts there.
int32_t NameAt(const char* text);
// A name: a letter or underscore, then letters, digits, underscores. Reads
// at most kScanLimit - 1 characters into name (kScanLimit bytes).
int32_t ScanName(const char* text, char* name);
// A keyword, symbol or "\n". Keywords match only a whole name; symbols
// match by prefix ("<" matches the start of "<=").
int32_t MatchToken(const char* text, const char* token);
// As MatchToken, but any number of line breaks may come first and one line
// break directly after the token is taken with it. 0 at the end of the text.
int32_t MatchTokenSkippingLines(const char* text, const char* token);
// Decimal literal with optional sign, point and exponent (.5 and 5. too).
int32_t ScanDecimal(const char* text, double* value);
// Exponent digits with optional sign; saturates far beyond any double range.
int32_t ScanExponent(const char* text, int32_t* exponent);
// "0x" literal with optional "-"; the digits wrap modulo 2^32.
int32_t ScanHex(const char* text, int32_t* value);
// Double-quoted literal; a backslash takes the next character literally. An
// unterminated literal runs to the end of the text. Writes at most
// outSize - 1 characters (always terminated).
int32_t ScanString(const char* text, char* out, int32_t outSize);
// A built-in function name (exact, case-sensitive, first row that matches).
// Does not look for the "(".
int32_t LookupBuiltin(const char* text, int32_t* code, int32_t* argCount);
// Line breaks, then a name in a variable position, created with value 0.0
// in `variables` when it is new. *index is its position in the table.
int32_t ParseVariable(const char* text, ValueList& variables, int32_t* index);
