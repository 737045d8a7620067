#include "nearest_name.h"

#include <algorithm>
#include <cctype>

namespace tessel {
namespace {

// Names longer than this are not worth comparing: no setting is that long.
constexpr size_t kMaxCompared = 64;

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

size_t allowedDistance(size_t length) {
  if (length <= 4) return 1;
  if (length <= 11) return 2;
  return 3;
}

}  // namespace

size_t nameDistance(const std::string& a, const std::string& b) {
  const size_t n = a.size(), m = b.size();
  // Three rows of the table suffice for the swap of neighbours.
  std::vector<size_t> before(m + 1), previous(m + 1), current(m + 1);
  for (size_t j = 0; j <= m; ++j) previous[j] = j;
  for (size_t i = 1; i <= n; ++i) {
    current[0] = i;
    for (size_t j = 1; j <= m; ++j) {
      const size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
      size_t best = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) && lower(a[i - 2]) == lower(b[j - 1]))
        best = std::min(best, before[j - 2] + 1);
      current[j] = best;
    }
    before.swap(previous);
    previous.swap(current);
  }
  return previous[m];
}

std::string nearestName(const std::string& word, const std::vector<std::string>& candidates) {
  if (word.empty() || word.size() > kMaxCompared) return "";
  std::string best;
  size_t bestDistance = allowedDistance(word.size()) + 1;
  for (const std::string& c : candidates) {
    if (c.size() > kMaxCompared) continue;
    const size_t d = nameDistance(word, c);
    if (d < bestDistance) {
      bestDistance = d;
      best = c;
    }
  }
  return best;
}

std::string didYouMean(const std::string& word, const std::vector<std::string>& candidates) {
  const std::string near = nearestName(word, candidates);
  return near.empty() ? "" : "; did you mean `" + near + "`?";
}

}  // namespace tessel
