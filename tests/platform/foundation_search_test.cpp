#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/CaseInsensitiveSearch.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// The texts of `texts` in which `search` occurs.
std::vector<std::string> matching(const std::vector<std::string>& texts, const std::string& search) {
  std::vector<std::string> found;
  for (auto position : CaseInsensitiveIndex(texts).positionsContaining(search)) found.push_back(texts[position]);
  return found;
}

const std::string composedCafe = "Caf\u00e9";     // é as one code point
const std::string decomposedCafe = "Cafe\u0301";  // e, then a combining acute

TEST(CaseInsensitiveSearchTest, IgnoresCaseAnywhereInTheText) {
  const std::vector<std::string> names{"Messages", "MAIL", "Notes", "Mail Drop", "Photos"};
  EXPECT_THAT(matching(names, "mail"), ElementsAre("MAIL", "Mail Drop"));
  EXPECT_THAT(matching(names, "SAGE"), ElementsAre("Messages"));
  EXPECT_THAT(matching(names, "o"), ElementsAre("Notes", "Mail Drop", "Photos"));
  EXPECT_THAT(matching(names, "m"), ElementsAre("Messages", "MAIL", "Mail Drop"));  // a hit at the very start
  EXPECT_THAT(matching(names, "Messages!"), IsEmpty());
  // Full case folding: ß is ss, and Greek final sigma is sigma.
  EXPECT_THAT(matching({"Straße", "ΟΔΟΣ"}, "STRASSE"), ElementsAre("Straße"));
  EXPECT_THAT(matching({"Straße", "ΟΔΟΣ"}, "οδος"), ElementsAre("ΟΔΟΣ"));
}

TEST(CaseInsensitiveSearchTest, CanonicallyEquivalentFormsMatchButMarksMustMatch) {
  const std::vector<std::string> names{composedCafe, decomposedCafe, "Cafe"};
  // Either form of é finds both forms, and not the plain e.
  EXPECT_THAT(matching(names, "caf\u00e9"), ElementsAre(composedCafe, decomposedCafe));
  EXPECT_THAT(matching(names, "CAFE\u0301"), ElementsAre(composedCafe, decomposedCafe));
  EXPECT_THAT(matching(names, "\u00c9"), ElementsAre(composedCafe, decomposedCafe));
  // "e" finds only the plain e: no match splits a letter from its marks.
  EXPECT_THAT(matching(names, "cafe"), ElementsAre("Cafe"));
  EXPECT_THAT(matching(names, "e"), ElementsAre("Cafe"));
  EXPECT_THAT(matching(names, "\u0301"), IsEmpty());
  // The beginning of a name matches however it ends.
  EXPECT_THAT(matching(names, "caf"), ElementsAre(composedCafe, decomposedCafe, "Cafe"));
  // Marks in another order are the same letter (dot below, then acute).
  EXPECT_THAT(matching({"e\u0323\u0301x"}, "E\u0301\u0323"), ElementsAre("e\u0323\u0301x"));
}

TEST(CaseInsensitiveSearchTest, NonLatinScriptsAndCharactersOfSeveralCodePoints) {
  const std::vector<std::string> names{"Почта Мини", "日記", "خرائط", "각시탈", "Ωmega Tasks", "Family 👨‍👩‍👧"};
  EXPECT_THAT(matching(names, "ПОЧТА"), ElementsAre("Почта Мини"));
  EXPECT_THAT(matching(names, "мини"), ElementsAre("Почта Мини"));
  EXPECT_THAT(matching(names, "記"), ElementsAre("日記"));
  EXPECT_THAT(matching(names, "رائ"), ElementsAre("خرائط"));
  EXPECT_THAT(matching(names, "ωMEGA"), ElementsAre("Ωmega Tasks"));
  // A Hangul syllable is one character: 가 is not the start of 각.
  EXPECT_THAT(matching(names, "가"), IsEmpty());
  EXPECT_THAT(matching(names, "각"), ElementsAre("각시탈"));
  // Part of an emoji sequence is no match; the whole sequence is.
  EXPECT_THAT(matching(names, "👨"), IsEmpty());
  EXPECT_THAT(matching(names, "👨‍👩‍👧"), ElementsAre("Family 👨‍👩‍👧"));
}

TEST(CaseInsensitiveSearchTest, EmptyOrInvalidTextMatchesNothing) {
  const std::vector<std::string> names{"Mail", "", "bad \xC3 byte"};
  EXPECT_THAT(matching(names, ""), IsEmpty());
  EXPECT_THAT(matching(names, "\xFF"), IsEmpty());
  EXPECT_THAT(matching(names, "bad"), IsEmpty());  // a text that is not UTF-8 is never found
  EXPECT_THAT(matching(names, "l"), ElementsAre("Mail"));
  EXPECT_THAT(matching({}, "a"), IsEmpty());
  EXPECT_EQ(caseFoldedText("Caf\u00e9"), caseFoldedText("CAFE\u0301"));
  EXPECT_NE(caseFoldedText("Cafe"), caseFoldedText("Caf\u00e9"));
}

}  // namespace
