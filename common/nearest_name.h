// Suggestions for misspelt names (project-file settings, command names). Portable C++.
#pragma once
#include <string>
#include <vector>

namespace tessel {

// Edit distance of two names, ignoring case: insertions, deletions, substitutions and swaps of
// neighbouring characters each count one.
size_t nameDistance(const std::string& a, const std::string& b);

// The candidate closest to `word` when it is close enough to be a likely slip (one edit for
// short names, up to three for long ones); empty when none is. The first of equally close
// candidates wins.
std::string nearestName(const std::string& word, const std::vector<std::string>& candidates);

// "; did you mean `NAME`?" for the nearest candidate, or empty.
std::string didYouMean(const std::string& word, const std::vector<std::string>& candidates);

}  // namespace tessel
