#include "cli/suggestions.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

bool SameLetter(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// Near enough to be a slip: at most one edit in three letters.
bool IsSlip(const std::string& word, const std::string& candidate, size_t distance) {
  return distance > 0 && distance * 3 <= std::max(word.size(), candidate.size());
}

}  // namespace

size_t EditDistance(const std::string& a, const std::string& b) {
  // Three rows of the table, as a swap looks two letters back.
  std::vector<size_t> before(b.size() + 1), previous(b.size() + 1), row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t cost = SameLetter(a[i - 1], b[j - 1]) ? 0 : 1;
      row[j] = std::min({previous[j] + 1, row[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && SameLetter(a[i - 1], b[j - 2]) && SameLetter(a[i - 2], b[j - 1])) {
        row[j] = std::min(row[j], before[j - 2] + 1);
      }
    }
    std::swap(before, previous);
    std::swap(previous, row);
  }
  return previous[b.size()];
}

std::vector<std::string> ClosestWords(const std::string& word,
                                      const std::vector<std::string>& candidates, size_t count) {
  std::vector<std::pair<size_t, const std::string*>> scored;
  for (const std::string& candidate : candidates) {
    scored.emplace_back(EditDistance(word, candidate), &candidate);
  }
  std::stable_sort(scored.begin(), scored.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> closest;
  for (size_t i = 0; i < scored.size() && i < count; ++i) closest.push_back(*scored[i].second);
  return closest;
}

std::string DidYouMean(const std::string& word, const std::vector<std::string>& candidates) {
  std::vector<std::string> near;
  size_t best = 0;
  for (const std::string& candidate : ClosestWords(word, candidates, 3)) {
    size_t distance = EditDistance(word, candidate);
    if (!IsSlip(word, candidate, distance) || (!near.empty() && distance > best)) break;
    best = distance;
    near.push_back(candidate);
  }
  std::string text;
  for (size_t i = 0; i < near.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == near.size() ? " or " : ", ") + ("'" + near[i] + "'");
  }
  return text.empty() ? "" : "; did you mean " + text + "?";
}
