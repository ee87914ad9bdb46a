#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <ostream>

#include "foundation/NSNumber.h"
#include "foundation/PropertyList.h"
#include "support/BinaryPropertyList.h"
#include "support/ChimewellTest.h"

namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;
using Dictionary = PlistValue::Dictionary;
using Array = PlistValue::Array;

PlistData bytesUpTo(int count) {
  PlistData data(static_cast<std::size_t>(count));
  std::iota(data.begin(), data.end(), 0);
  return data;
}

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";

class PropertyListTest : public ChimewellTest {};

TEST_F(PropertyListTest, WritesEveryValueTypeInApplesXmlFormByteForByte) {
  const double infinity = std::numeric_limits<double>::infinity();
  Dictionary contents{
      {"B", true},
      {"a", false},
      {"amp", "Tom & Jerry <b>\"quoted\" 'single'</b>"},
      {"array", Array{1, "two", Array{}, Dictionary{}}},
      {"data", bytesUpTo(60)},
      {"date", PlistDate{600000000.75}},
      {"earlier", PlistDate{-0.5}},
      {"emptyDict", Dictionary{}},
      {"integers", Array{0, -42, std::numeric_limits<std::int64_t>::max(),
                         std::numeric_limits<std::int64_t>::min()}},
      {"nested", Dictionary{{"inner", Dictionary{{"bytes", PlistData{0x00, 0x01, 0xff}}}}}},
      {"reals", Array{0.1, 3.0, -2.5, 1e300, 0.0, -0.0, infinity, -infinity, std::nan("")}},
      {"text", "naïve café — 日本語"},
      {"Ünï", "ü"},
      {"\xee\x80\x80", "private use"},    // U+E000
      {"\xf0\x9f\x8e\xb5", "note"},       // U+1F3B5, before U+E000 in UTF-16
  };
  const std::string expected = kHead +
      "<dict>\n"
      "\t<key>B</key>\n\t<true/>\n"
      "\t<key>a</key>\n\t<false/>\n"
      "\t<key>amp</key>\n"
      "\t<string>Tom &amp; Jerry &lt;b&gt;\"quoted\" 'single'&lt;/b&gt;</string>\n"
      "\t<key>array</key>\n"
      "\t<array>\n\t\t<integer>1</integer>\n\t\t<string>two</string>\n\t\t<array/>\n\t\t<dict/>\n"
      "\t</array>\n"
      "\t<key>data</key>\n"
      "\t<data>\n"
      "\tAAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEy\n"
      "\tMzQ1Njc4OTo7\n"
      "\t</data>\n"
      "\t<key>date</key>\n\t<date>2020-01-06T10:40:00Z</date>\n"
      "\t<key>earlier</key>\n\t<date>2000-12-31T23:59:59Z</date>\n"
      "\t<key>emptyDict</key>\n\t<dict/>\n"
      "\t<key>integers</key>\n"
      "\t<array>\n\t\t<integer>0</integer>\n\t\t<integer>-42</integer>\n"
      "\t\t<integer>9223372036854775807</integer>\n\t\t<integer>-9223372036854775808</integer>\n"
      "\t</array>\n"
      "\t<key>nested</key>\n"
      "\t<dict>\n\t\t<key>inner</key>\n\t\t<dict>\n\t\t\t<key>bytes</key>\n"
      "\t\t\t<data>\n\t\t\tAAH/\n\t\t\t</data>\n\t\t</dict>\n\t</dict>\n"
      "\t<key>reals</key>\n"
      "\t<array>\n\t\t<real>0.10000000000000001</real>\n\t\t<real>3</real>\n"
      "\t\t<real>-2.5</real>\n\t\t<real>1.0000000000000001e+300</real>\n\t\t<real>0.0</real>\n"
      "\t\t<real>0.0</real>\n\t\t<real>+infinity</real>\n\t\t<real>-infinity</real>\n"
      "\t\t<real>nan</real>\n"
      "\t</array>\n"
      "\t<key>text</key>\n\t<string>naïve café — 日本語</string>\n"
      "\t<key>Ünï</key>\n\t<string>ü</string>\n"
      "\t<key>\xf0\x9f\x8e\xb5</key>\n\t<string>note</string>\n"
      "\t<key>\xee\x80\x80</key>\n\t<string>private use</string>\n"
      "</dict>\n"
      "</plist>\n";
  EXPECT_EQ(xmlPropertyListData(contents), expected);
  EXPECT_EQ(xmlPropertyListData(PlistValue(contents)), expected);
}

// ---- Hostile lists read as none, and fast: the guard before libplist.
// Garbage in general is the property list fuzz target's.

using Object = BinaryPropertyList::Object;
constexpr int kDeep = 200000;

std::string repeated(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// A binary list of `levels` arrays, each holding the next.
std::string nestedBinaryArrays(int levels) {
  BinaryPropertyList list;
  Object inner = list.array({});
  for (int level = 1; level < levels; ++level) inner = list.array({inner});
  return list.bytes(inner);
}

// Deep nesting after closing tags that close nothing, so that a count of
// tags alone would let it through to libplist's recursion.
std::string nestingBehind(const std::string& before, const std::string& after) {
  const std::string closes = repeated("</array>", kDeep);
  return kHead + "<array>" + before + closes + after + repeated("<array>", kDeep) + closes + "</array></plist>\n";
}

struct HostileList {
  const char* name;
  std::string (*bytes)();
};
void PrintTo(const HostileList& list, std::ostream* out) { *out << list.name; }

const HostileList kHostileLists[] = {
    // libplist aborts the process on a NUL in a binary dictionary key.
    {"NulInAnAsciiKey",
     [] { BinaryPropertyList l; return l.bytes(l.dictionary({l.ascii("id\0x"sv)}, {l.ascii("v")})); }},
    {"NulInAUtf16Key",
     [] { BinaryPropertyList l; return l.bytes(l.dictionary({l.utf16(u"id\0x"sv)}, {l.ascii("v")})); }},
    // Cut at the NUL, an identifier would name another app's file.
    {"NulInAnAsciiString", [] { BinaryPropertyList l; return l.bytes(l.ascii("com.probe\0/../x"sv)); }},
    {"NulInAnXmlKey", [] { return kHead + "<dict><key>a\0b</key><true/></dict></plist>\n"s; }},
    {"NulInAnXmlString", [] { return kHead + "<string>a\0b</string></plist>\n"s; }},
    {"DeepBinaryNesting", [] { return nestedBinaryArrays(kDeep); }},
    {"DeepXmlNesting", [] { return kHead + repeated("<array>", kDeep) + repeated("</array>", kDeep) + "</plist>\n"; }},
    {"NestingBehindAComment", [] { return nestingBehind("<!-- ", " -->"); }},
    {"NestingBehindCdata", [] { return nestingBehind("<string><![CDATA[", "]]></string>"); }},
    {"NestingBehindAProcessingInstruction", [] { return nestingBehind("<?note a='", "'?>"); }},
    {"NestingBehindAnAttribute", [] { return nestingBehind("<dict x=\"", "\"/>"); }},
    // A few hundred bytes whose arrays each name the next twice: 2^40 values.
    {"ArraysNamingTheNextTwice", [] {
       BinaryPropertyList l;
       Object inner = l.ascii("leaf");
       for (int level = 0; level < 40; ++level) inner = l.array({inner, inner});
       return l.bytes(inner);
     }},
    {"AMegabyteStringNamedAHundredTimes", [] {
       BinaryPropertyList l;
       return l.bytes(l.array(std::vector<Object>(100, l.ascii(std::string(1 << 20, 'x')))));
     }},
    {"AnArrayHoldingItself", [] {
       BinaryPropertyList l;
       const Object self = l.reserve();
       l.fillArray(self, {l.ascii("a"), self});
       return l.bytes(self);
     }},
    {"ThreeHundredThousandValues",
     [] { return kHead + "<array>" + repeated("<true/>", 300000) + "</array></plist>\n"; }},
};

class HostilePropertyListTest : public ChimewellTest, public ::testing::WithParamInterface<HostileList> {};

TEST_P(HostilePropertyListTest, ReadsAsNone) { EXPECT_FALSE(parsePropertyList(GetParam().bytes())); }

INSTANTIATE_TEST_SUITE_P(, HostilePropertyListTest, ::testing::ValuesIn(kHostileLists),
                         [](const auto& test) { return std::string(test.param.name); });

// What is near a hostile list but honest reads.
TEST_F(PropertyListTest, ListsNearTheHostileOnesRead) {
  BinaryPropertyList kept;  // a UTF-16 string keeps its NUL, as Apple's binary form does
  EXPECT_EQ(parsePropertyList(kept.bytes(kept.utf16(u"a\0b"sv))), PlistValue("a\0b"s));
  EXPECT_TRUE(parsePropertyList(nestedBinaryArrays(100)));
  EXPECT_EQ(parsePropertyList(kHead + "<array><!-- </array> --><string><![CDATA[</array>]]></string>"
                                      "<array><true/></array></array></plist>\n"),
            PlistValue(Array{"</array>", Array{true}}));
  // Apple's writer names an equal string once for all its uses.
  BinaryPropertyList shared;
  const Object name = shared.ascii("Bell.m4r");
  EXPECT_EQ(parsePropertyList(shared.bytes(shared.array(std::vector<Object>(1000, name)))),
            PlistValue(Array(1000, "Bell.m4r")));
  std::string cache = kHead + "<dict>\n";  // an app list cache of ten thousand apps
  for (int app = 0; app < 10000; ++app) {
    cache += "<key>App " + std::to_string(app) + "</key><string>com.example.app" + std::to_string(app) + "</string>\n";
  }
  auto parsed = parsePropertyList(cache + "</dict>\n</plist>\n");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->as<Dictionary>()->size(), 10000u);
}

}  // namespace
