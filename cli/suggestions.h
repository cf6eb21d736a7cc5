// The names closest to a mistyped one, for "did you mean" hints.
#ifndef MORFEL_CLI_SUGGESTIONS_H
#define MORFEL_CLI_SUGGESTIONS_H

#include <cstddef>
#include <string>
#include <vector>

// Edits (insert, delete, replace, swap two neighbours; letters compared
// without case) that turn one word into the other.
size_t EditDistance(const std::string& a, const std::string& b);

// The candidates nearest to word, best first, at most count, in their
// order on ties.
std::vector<std::string> ClosestWords(const std::string& word,
                                      const std::vector<std::string>& candidates, size_t count);

// "; did you mean 'X'?" (or "'X' or 'Y'") naming the candidates near enough
// to word to be a slip of the keyboard; "" when none is.
std::string DidYouMean(const std::string& word, const std::vector<std::string>& candidates);

#endif
