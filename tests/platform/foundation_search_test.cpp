#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/CaseInsensitiveSearch.h"

namespace {

using Texts = std::vector<std::string>;

const Texts kApps{"Messages", "MAIL", "Notes", "Mail Drop", "Photos"};
const std::string kComposedCafe = "Caf\u00e9";     // é as one code point
const std::string kDecomposedCafe = "Cafe\u0301";  // e, then a combining acute
const Texts kCafes{kComposedCafe, kDecomposedCafe, "Cafe"};
const Texts kScripts{"Почта Мини", "日記", "خرائط", "각시탈", "Ωmega Tasks", "Family 👨‍👩‍👧"};

struct Search {
  const char* name;
  Texts texts;
  std::string search;
  Texts found;
};
void PrintTo(const Search& search, std::ostream* out) { *out << search.name; }

const Search kSearches[] = {
    {"CaseIgnored", kApps, "mail", {"MAIL", "Mail Drop"}},
    {"InsideAWord", kApps, "SAGE", {"Messages"}},
    {"AnywhereAndMoreThanOnce", kApps, "o", {"Notes", "Mail Drop", "Photos"}},
    {"AtTheVeryStart", kApps, "m", {"Messages", "MAIL", "Mail Drop"}},
    {"LongerThanAnyText", kApps, "Messages!", {}},
    // Full case folding: ß is ss, and Greek final sigma is sigma.
    {"SharpSAsDoubleS", Texts{"Straße", "ΟΔΟΣ"}, "STRASSE", {"Straße"}},
    {"FinalSigma", Texts{"Straße", "ΟΔΟΣ"}, "οδος", {"ΟΔΟΣ"}},
    // Either form of é finds both forms, and not the plain e: no match
    // splits a letter from its marks.
    {"ComposedFindsBothForms", kCafes, "caf\u00e9", {kComposedCafe, kDecomposedCafe}},
    {"DecomposedFindsBothForms", kCafes, "CAFE\u0301", {kComposedCafe, kDecomposedCafe}},
    {"ALetterWithItsMarkAlone", kCafes, "\u00c9", {kComposedCafe, kDecomposedCafe}},
    {"PlainEFindsOnlyThePlainE", kCafes, "cafe", {"Cafe"}},
    {"PlainELetterAlone", kCafes, "e", {"Cafe"}},
    {"AMarkAlone", kCafes, "\u0301", {}},
    {"ABeginningWhateverTheEnd", kCafes, "caf", {kComposedCafe, kDecomposedCafe, "Cafe"}},
    {"MarksInAnotherOrder", Texts{"e\u0323\u0301x"}, "E\u0301\u0323", {"e\u0323\u0301x"}},
    {"Cyrillic", kScripts, "мини", {"Почта Мини"}},
    {"Han", kScripts, "記", {"日記"}},
    {"Arabic", kScripts, "رائ", {"خرائط"}},
    {"Greek", kScripts, "ωMEGA", {"Ωmega Tasks"}},
    // A Hangul syllable is one character: 가 is not the start of 각.
    {"HangulSyllablePart", kScripts, "가", {}},
    {"HangulSyllable", kScripts, "각", {"각시탈"}},
    {"PartOfAnEmojiSequence", kScripts, "👨", {}},
    {"AWholeEmojiSequence", kScripts, "👨‍👩‍👧", {"Family 👨‍👩‍👧"}},
    {"Empty", Texts{"Mail", ""}, "", {}},
    {"NotUtf8", Texts{"Mail"}, "\xFF", {}},
    {"InATextThatIsNotUtf8", Texts{"Mail", "bad \xC3 byte"}, "bad", {}},
};

class CaseInsensitiveSearchTest : public ::testing::TestWithParam<Search> {};

TEST_P(CaseInsensitiveSearchTest, FindsWhatItShould) {
  const Search& search = GetParam();
  Texts found;
  for (auto position : CaseInsensitiveIndex(search.texts).positionsContaining(search.search)) {
    found.push_back(search.texts[position]);
  }
  EXPECT_EQ(found, search.found);
}

INSTANTIATE_TEST_SUITE_P(, CaseInsensitiveSearchTest, ::testing::ValuesIn(kSearches),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
