#pragma once
// NSCaseInsensitiveSearch as rangeOfString:options: applies it, over many
// texts at once: case is ignored by Unicode case folding, canonically
// equivalent forms match (a precomposed "é" and "e" followed by a combining
// acute), accents and other marks must match, and a match starts and ends
// only between user-perceived characters, so "e" never matches the "e" of
// "é". Each text is folded once, when the index is made; a search then costs
// one pass over the folded texts. Plain values, no threads of their own.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The text canonically decomposed and case folded: equal for texts that a
// case-insensitive comparison finds equal. Invalid UTF-8 gives "".
std::string caseFoldedText(std::string_view text);

class CaseInsensitiveIndex {
 public:
  CaseInsensitiveIndex() = default;
  explicit CaseInsensitiveIndex(const std::vector<std::string>& texts);

  std::size_t count() const { return starts_.empty() ? 0 : starts_.size() - 1; }
  // The positions of the texts in which `search` occurs, in ascending order.
  // An empty search, or one that is not valid UTF-8, occurs nowhere.
  std::vector<std::size_t> positionsContaining(std::string_view search) const;

 private:
  std::string folded_;                 // the folded texts, each followed by 0xFF (never in UTF-8)
  std::vector<std::size_t> starts_;    // where each text begins; then the end of folded_
  std::vector<bool> characterStarts_;  // per byte: a user-perceived character may begin here
};
