#include "foundation/CaseInsensitiveSearch.h"

#include <utf8proc.h>

#include <cstring>

namespace {

constexpr char kSeparator = '\xFF';
constexpr auto kFoldOptions = static_cast<utf8proc_option_t>(UTF8PROC_DECOMPOSE | UTF8PROC_CASEFOLD);

// The code points of the decomposed, folded text; false for invalid UTF-8.
bool foldedCodePoints(std::string_view text, std::vector<utf8proc_int32_t>& codePoints) {
  codePoints.resize(text.size() + 8);
  for (;;) {
    auto size = utf8proc_decompose(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                                   static_cast<utf8proc_ssize_t>(text.size()), codePoints.data(),
                                   static_cast<utf8proc_ssize_t>(codePoints.size()), kFoldOptions);
    if (size < 0) return false;
    if (static_cast<std::size_t>(size) <= codePoints.size()) {
      codePoints.resize(static_cast<std::size_t>(size));
      return true;
    }
    codePoints.resize(static_cast<std::size_t>(size));
  }
}

// Appends the folded text, marking for each byte whether a character
// (grapheme cluster) begins there; the position after the text counts as one.
bool appendFolded(std::string_view text, std::string& out, std::vector<bool>* characterStarts) {
  std::vector<utf8proc_int32_t> codePoints;
  if (!foldedCodePoints(text, codePoints)) return false;
  utf8proc_int32_t state = 0;
  for (std::size_t index = 0; index < codePoints.size(); ++index) {
    bool starts = index == 0 || utf8proc_grapheme_break_stateful(codePoints[index - 1], codePoints[index], &state);
    utf8proc_uint8_t bytes[4];
    auto length = utf8proc_encode_char(codePoints[index], bytes);
    out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    if (characterStarts) {
      characterStarts->push_back(starts);
      characterStarts->insert(characterStarts->end(), static_cast<std::size_t>(length) - 1, false);
    }
  }
  return true;
}

}  // namespace

std::string caseFoldedText(std::string_view text) {
  std::string folded;
  if (!appendFolded(text, folded, nullptr)) return {};
  return folded;
}

CaseInsensitiveIndex::CaseInsensitiveIndex(const std::vector<std::string>& texts) {
  starts_.reserve(texts.size() + 1);
  for (const auto& text : texts) {
    starts_.push_back(folded_.size());
    const std::size_t before = folded_.size();
    if (!appendFolded(text, folded_, &characterStarts_)) {
      folded_.resize(before);
      characterStarts_.resize(before);
    }
    folded_.push_back(kSeparator);
    characterStarts_.push_back(true);
  }
  starts_.push_back(folded_.size());
}

std::vector<std::size_t> CaseInsensitiveIndex::positionsContaining(std::string_view search) const {
  std::vector<std::size_t> found;
  const std::string needle = caseFoldedText(search);
  if (needle.empty() || folded_.empty()) return found;
  const char* begin = folded_.data();
  const char* end = begin + folded_.size();
  std::size_t text = 0;
  // A one-byte search (a first letter) hits most names; memchr costs less per
  // hit than memmem's set-up, which pays off when hits are rare.
  const auto next = [&](const char* from) {
    const auto length = static_cast<std::size_t>(end - from);
    if (needle.size() == 1) return static_cast<const char*>(std::memchr(from, needle.front(), length));
    return static_cast<const char*>(memmem(from, length, needle.data(), needle.size()));
  };
  for (const char* from = begin; from < end;) {
    const char* hit = next(from);
    if (!hit) break;
    const auto at = static_cast<std::size_t>(hit - begin);
    while (starts_[text + 1] <= at) ++text;
    // The needle never holds the separator, so a hit lies inside one text.
    if (characterStarts_[at] && characterStarts_[at + needle.size()]) {
      found.push_back(text);
      from = begin + starts_[text + 1];
    } else {
      from = hit + 1;
    }
  }
  return found;
}
