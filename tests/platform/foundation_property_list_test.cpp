#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>

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

TEST_F(PropertyListTest, DataLinesShortenWithIndentationDownToEightTabs) {
  // Ten levels deep: Apple indents data lines by at most eight tabs and counts
  // each tab as eight columns of the 76, leaving twelve characters a line.
  PlistValue value = bytesUpTo(40);
  for (int level = 0; level < 9; ++level) value = Array{value};
  const std::string eight(8, '\t');
  const std::string ten(10, '\t');
  std::string expected = kHead + "<dict>\n\t<key>x</key>\n";
  for (int level = 1; level <= 9; ++level) expected += std::string(level, '\t') + "<array>\n";
  expected += ten + "<data>\n" + eight + "AAECAwQFBgcI\n" + eight + "CQoLDA0ODxAR\n" + eight +
              "EhMUFRYXGBka\n" + eight + "GxwdHh8gISIj\n" + eight + "JCUmJw==\n" + ten + "</data>\n";
  for (int level = 9; level >= 1; --level) expected += std::string(level, '\t') + "</array>\n";
  expected += "</dict>\n</plist>\n";
  EXPECT_EQ(xmlPropertyListData(Dictionary{{"x", value}}), expected);
}

TEST_F(PropertyListTest, ReadsBinaryPropertyLists) {
  // Made by another writer: {name: "Café ☕", count: 42, on: true, ratio: 0.5,
  // list: [1, "two"], blob: 00 01 ff, when: 2020-01-02T03:04:05Z}.
  const unsigned char binary[] = {
      0x62, 0x70, 0x6c, 0x69, 0x73, 0x74, 0x30, 0x30, 0xd7, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06,
      0x07, 0x08, 0x09, 0x0a, 0x0d, 0x0e, 0x0f, 0x10, 0x54, 0x62, 0x6c, 0x6f, 0x62, 0x55, 0x63,
      0x6f, 0x75, 0x6e, 0x74, 0x54, 0x6c, 0x69, 0x73, 0x74, 0x54, 0x6e, 0x61, 0x6d, 0x65, 0x52,
      0x6f, 0x6e, 0x55, 0x72, 0x61, 0x74, 0x69, 0x6f, 0x54, 0x77, 0x68, 0x65, 0x6e, 0x43, 0x00,
      0x01, 0xff, 0x10, 0x2a, 0xa2, 0x0b, 0x0c, 0x10, 0x01, 0x53, 0x74, 0x77, 0x6f, 0x66, 0x00,
      0x43, 0x00, 0x61, 0x00, 0x66, 0x00, 0xe9, 0x00, 0x20, 0x26, 0x15, 0x09, 0x23, 0x3f, 0xe0,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x33, 0x41, 0xc1, 0xde, 0xca, 0x92, 0x80, 0x00, 0x00,
      0x08, 0x17, 0x1c, 0x22, 0x27, 0x2c, 0x2f, 0x35, 0x3a, 0x3e, 0x40, 0x43, 0x45, 0x49, 0x56,
      0x57, 0x60, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x69};
  auto parsed = parsePropertyList(
      std::string_view(reinterpret_cast<const char*>(binary), sizeof binary));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(*parsed, PlistValue(Dictionary{{"blob", PlistData{0x00, 0x01, 0xff}}, {"count", 42},
                                           {"list", Array{1, "two"}}, {"name", "Café ☕"}, {"on", true},
                                           {"ratio", 0.5}, {"when", PlistDate{599627045}}}));
}

TEST_F(PropertyListTest, AnythingButAPropertyListGivesNone) {
  const std::string valid = xmlPropertyListData(Dictionary{{"key", "value"}, {"n", 1}});
  for (std::string_view bytes : {
           std::string_view(""),
           std::string_view("hello, world"),
           std::string_view("{ key = value; }garbage\x01\x02"),
           std::string_view("bplist00\xff\xff\xff"),
           std::string_view(valid).substr(0, valid.size() / 2),
           std::string_view("<plist version=\"1.0\"><dict><key>a</key></plist>"),
       }) {
    EXPECT_FALSE(parsePropertyList(bytes)) << bytes;
  }
}

// ---- Hostile lists read as none, and fast: the guard before libplist.

using Object = BinaryPropertyList::Object;

std::string repeated(std::string_view text, int times) {
  std::string out;
  out.reserve(text.size() * static_cast<std::size_t>(times));
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

TEST_F(PropertyListTest, ANulThatLibplistWouldAbortOnOrCutShortReadsAsNone) {
  // In a binary dictionary key libplist aborts the process.
  for (bool wide : {false, true}) {
    BinaryPropertyList list;
    const Object key = wide ? list.utf16(u"id\0x"sv) : list.ascii("id\0x"sv);
    const Object value = list.ascii("v");
    EXPECT_FALSE(parsePropertyList(list.bytes(list.dictionary({key}, {value})))) << wide;
  }
  // A binary ASCII string it would cut at the NUL: an identifier would then
  // name another app's file.
  BinaryPropertyList cut;
  EXPECT_FALSE(parsePropertyList(cut.bytes(cut.ascii("com.probe\0/../x"sv))));
  // XML cannot hold U+0000 at all (libplist cuts a key at it).
  EXPECT_FALSE(parsePropertyList(kHead + "<dict><key>a\0b</key><true/></dict></plist>\n"s));
  EXPECT_FALSE(parsePropertyList(kHead + "<string>a\0b</string></plist>\n"s));
  // A UTF-16 string keeps its NUL, as Apple's binary form does.
  BinaryPropertyList kept;
  auto parsed = parsePropertyList(kept.bytes(kept.utf16(u"a\0b"sv)));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(*parsed->as<std::string>(), "a\0b"sv);
}

// A binary list of `levels` arrays, each holding the next.
std::string nestedBinaryArrays(int levels) {
  BinaryPropertyList list;
  Object inner = list.array({});
  for (int level = 1; level < levels; ++level) inner = list.array({inner});
  return list.bytes(inner);
}

TEST_F(PropertyListTest, DeepNestingIsRefusedWhereverClosingTagsHide) {
  EXPECT_TRUE(parsePropertyList(nestedBinaryArrays(100)));
  EXPECT_FALSE(parsePropertyList(nestedBinaryArrays(200000)));
  const int levels = 200000;
  const std::string opens = repeated("<array>", levels);
  const std::string closes = repeated("</array>", levels);
  EXPECT_FALSE(parsePropertyList(kHead + opens + closes + "</plist>\n"));
  // Closing tags that close nothing, so that a count of tags alone would let
  // the nesting after them through to libplist's recursion.
  for (const std::string& hiding : {"<!-- " + closes + " -->", "<string><![CDATA[" + closes + "]]></string>",
                                    "<?note a='" + closes + "'?>", "<dict x=\"" + closes + "\"/>"}) {
    EXPECT_FALSE(parsePropertyList(kHead + "<array>" + hiding + opens + closes + "</array></plist>\n"))
        << hiding.substr(0, 20);
  }
  // The same hiding places read as usual in an honest list.
  auto honest = parsePropertyList(kHead + "<array><!-- </array> --><string><![CDATA[</array>]]></string>"
                                          "<array><true/></array></array></plist>\n");
  ASSERT_TRUE(honest);
  EXPECT_EQ(*honest, PlistValue(Array{"</array>", Array{true}}));
}

TEST_F(PropertyListTest, AnObjectCountsEveryTimeItIsNamed) {
  // A few hundred bytes whose arrays each name the next twice: 2^40 values.
  BinaryPropertyList doubling;
  Object inner = doubling.ascii("leaf");
  for (int level = 0; level < 40; ++level) inner = doubling.array({inner, inner});
  EXPECT_FALSE(parsePropertyList(doubling.bytes(inner)));
  // One long string named many times asks for gigabytes of copies.
  BinaryPropertyList copies;
  const Object text = copies.ascii(std::string(1 << 20, 'x'));
  EXPECT_FALSE(parsePropertyList(copies.bytes(copies.array(std::vector<Object>(100, text)))));
  // An array that holds itself.
  BinaryPropertyList loop;
  const Object self = loop.reserve();
  loop.fillArray(self, {loop.ascii("a"), self});
  EXPECT_FALSE(parsePropertyList(loop.bytes(self)));
  // Apple's writer names an equal string once for all its uses: that reads.
  BinaryPropertyList shared;
  const Object name = shared.ascii("Bell.m4r");
  auto parsed = parsePropertyList(shared.bytes(shared.array(std::vector<Object>(1000, name))));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(*parsed, PlistValue(Array(1000, "Bell.m4r")));
}

TEST_F(PropertyListTest, ListsTooLargeToBuildReadAsNoneButAnAppListCacheReads) {
  std::string cache = kHead + "<dict>\n";
  for (int app = 0; app < 10000; ++app) {
    cache += "<key>App " + std::to_string(app) + "</key><string>com.example.app" + std::to_string(app) +
             "</string>\n";
  }
  auto parsed = parsePropertyList(cache + "</dict>\n</plist>\n");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->as<Dictionary>()->size(), 10000u);
  EXPECT_FALSE(parsePropertyList(kHead + "<array>" + repeated("<true/>", 300000) + "</array></plist>\n"));
}

// ---- Values that must come back from a store as they were read.

TEST_F(PropertyListTest, IntegersOfEveryRangeAndDatesOfEveryYearSurviveARewrite) {
  const std::string xml = kHead +
      "<array>\n"
      "\t<integer>-9223372036854775808</integer>\n\t<integer>-1</integer>\n"
      "\t<integer>9223372036854775807</integer>\n\t<integer>9223372036854775808</integer>\n"
      "\t<integer>18446744073709551615</integer>\n"
      "\t<date>1800-02-03T04:05:06Z</date>\n\t<date>1933-01-01T00:00:00Z</date>\n"
      "\t<date>2069-12-31T23:59:59Z</date>\n\t<date>2500-06-30T12:34:56Z</date>\n"
      "</array>\n</plist>\n";
  auto parsed = parsePropertyList(xml);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(xmlPropertyListData(*parsed), xml);
  const auto& items = *parsed->as<Array>();
  EXPECT_EQ(items[1], PlistValue(-1));
  EXPECT_EQ(items[4], PlistValue(std::numeric_limits<std::uint64_t>::max()));
  EXPECT_NE(items[1], items[4]);
  // A date libplist reads beyond the years the XML form can write reads as
  // the nearest one it can.
  auto garbled = parsePropertyList(kHead + "<date>1-00201-00:00T01:00Z</date></plist>\n");
  ASSERT_TRUE(garbled);
  EXPECT_EQ(parsePropertyList(xmlPropertyListData(*garbled)), garbled);

  // Binary: sixteen bytes hold an unsigned integer, eight a signed one; a
  // date keeps whole seconds, as the XML form that a store writes.
  BinaryPropertyList list;
  auto parsedBinary = parsePropertyList(list.bytes(list.array(
      {list.unsignedInteger(std::numeric_limits<std::uint64_t>::max()), list.integer(-1),
       list.date(600000000.75), list.date(-86400), list.date(-3155760000.0)})));
  ASSERT_TRUE(parsedBinary);
  EXPECT_EQ(*parsedBinary, PlistValue(Array{std::numeric_limits<std::uint64_t>::max(), -1, PlistDate{600000000},
                                            PlistDate{-86400}, PlistDate{-3155760000.0}}));
  EXPECT_EQ(parsePropertyList(xmlPropertyListData(*parsedBinary)), parsedBinary);
}

TEST_F(PropertyListTest, BoolValueFollowsFoundation) {
  for (const PlistValue& yes : {PlistValue(true), PlistValue(2), PlistValue(0.5), PlistValue("YES"),
                                PlistValue("true"), PlistValue("  +007"), PlistValue("9 lives")}) {
    EXPECT_TRUE(boolValue(yes));
  }
  for (const PlistValue& no : {PlistValue(false), PlistValue(0), PlistValue("NO"), PlistValue(""),
                               PlistValue("-0"), PlistValue("x1"), PlistValue(Dictionary{})}) {
    EXPECT_FALSE(boolValue(no));
  }
}

}  // namespace
