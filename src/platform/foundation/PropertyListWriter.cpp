// Apple's XML property-list writer, reproduced byte for byte: the same header
// and DOCTYPE, one tab per level, keys in UTF-16 order, <data> wrapped in
// lines of at most 76 characters counting the indentation, reals as %.17g.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "foundation/PropertyList.h"

namespace {

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";
constexpr std::string_view kFooter = "</plist>\n";

// Seconds between 1970-01-01 and Foundation's reference date 2001-01-01.
constexpr double kReferenceDateOffset = 978307200.0;

bool isBmpHighLead(unsigned char byte) { return byte == 0xEE || byte == 0xEF; }
bool isSupplementaryLead(unsigned char byte) { return byte >= 0xF0; }

class XmlWriter {
 public:
  std::string take() { return std::move(out_); }

  void write(const PlistValue& value, std::size_t depth) {
    indent(depth);
    std::visit([&](const auto& held) { writeHeld(held, depth); }, value.storage());
  }

  void writeRoot(const PlistValue::Dictionary& dictionary) { writeHeld(dictionary, 0); }

 private:
  std::string out_;

  void indent(std::size_t depth) { out_.append(depth, '\t'); }

  void escaped(std::string_view text) {
    for (char c : text) {
      switch (c) {
        case '<': out_ += "&lt;"; break;
        case '>': out_ += "&gt;"; break;
        case '&': out_ += "&amp;"; break;
        default: out_ += c; break;
      }
    }
  }

  void element(std::string_view tag, std::string_view text) {
    out_ += '<';
    out_ += tag;
    out_ += '>';
    out_ += text;
    out_ += "</";
    out_ += tag;
    out_ += ">\n";
  }

  void writeHeld(bool value, std::size_t) { out_ += value ? "<true/>\n" : "<false/>\n"; }

  void writeHeld(std::int64_t value, std::size_t) { element("integer", std::to_string(value)); }

  void writeHeld(std::uint64_t value, std::size_t) { element("integer", std::to_string(value)); }

  void writeHeld(double value, std::size_t) { element("real", realText(value)); }

  void writeHeld(const std::string& value, std::size_t) {
    out_ += "<string>";
    escaped(value);
    out_ += "</string>\n";
  }

  void writeHeld(const PlistDate& value, std::size_t) { element("date", dateText(value)); }

  void writeHeld(const PlistData& value, std::size_t depth) {
    out_ += "<data>\n";
    base64Lines(value, depth);
    indent(depth);
    out_ += "</data>\n";
  }

  void writeHeld(const PlistValue::Array& array, std::size_t depth) {
    if (array.empty()) {
      out_ += "<array/>\n";
      return;
    }
    out_ += "<array>\n";
    for (const auto& item : array) write(item, depth + 1);
    indent(depth);
    out_ += "</array>\n";
  }

  void writeHeld(const PlistValue::Dictionary& dictionary, std::size_t depth) {
    if (dictionary.empty()) {
      out_ += "<dict/>\n";
      return;
    }
    out_ += "<dict>\n";
    for (const auto* entry : sortedEntries(dictionary)) {
      indent(depth + 1);
      out_ += "<key>";
      escaped(entry->first);
      out_ += "</key>\n";
      write(entry->second, depth + 1);
    }
    indent(depth);
    out_ += "</dict>\n";
  }

  static std::vector<const PlistValue::Dictionary::value_type*> sortedEntries(
      const PlistValue::Dictionary& dictionary) {
    std::vector<const PlistValue::Dictionary::value_type*> entries;
    entries.reserve(dictionary.size());
    for (const auto& entry : dictionary) entries.push_back(&entry);
    // The map is in code point order; only keys that mix U+E000..U+FFFF with
    // characters beyond U+FFFF move, so this is nearly always a no-op.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto* a, const auto* b) { return utf16Less(a->first, b->first); });
    return entries;
  }

  static std::string realText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "+infinity" : "-infinity";
    if (value == 0.0) return "0.0";
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
    return std::string(buffer, result.ptr);
  }

  static std::string dateText(const PlistDate& date) {
    // Kept within years 0001..9999 so that the conversion below is defined.
    const double unixSeconds =
        std::clamp(date.secondsSinceReferenceDate, kEarliestPlistDate, kLatestPlistDate) + kReferenceDateOffset;
    auto seconds = static_cast<std::time_t>(std::floor(std::isnan(unixSeconds) ? 0.0 : unixSeconds));
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return buffer;
  }

  void base64Lines(const PlistData& data, std::size_t depth) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    // Apple caps the indentation at eight tabs and counts each as eight columns.
    const std::size_t levels = std::min<std::size_t>(depth, 8);
    const std::size_t lineLength = 76 - 8 * levels;
    std::string line;
    auto flush = [&] {
      indent(levels);
      out_ += line;
      out_ += '\n';
      line.clear();
    };
    for (std::size_t i = 0; i < data.size(); ++i) {
      const unsigned current = data[i];
      const unsigned previous = i > 0 ? data[i - 1] : 0;
      switch (i % 3) {
        case 0: line += kAlphabet[(current >> 2) & 0x3f]; break;
        case 1: line += kAlphabet[(((previous << 8) | current) >> 4) & 0x3f]; break;
        case 2:
          line += kAlphabet[(((previous << 8) | current) >> 6) & 0x3f];
          line += kAlphabet[current & 0x3f];
          break;
      }
      if (line.size() >= lineLength) flush();
    }
    if (!data.empty()) {
      const unsigned last = data.back();
      switch (data.size() % 3) {
        case 1: line += kAlphabet[(last << 4) & 0x30]; line += "=="; break;
        case 2: line += kAlphabet[(last << 2) & 0x3c]; line += '='; break;
        default: break;
      }
    }
    if (!line.empty()) flush();
  }
};

}  // namespace

bool utf16Less(std::string_view left, std::string_view right) {
  auto [l, r] = std::mismatch(left.begin(), left.end(), right.begin(), right.end());
  if (r == right.end()) return false;
  if (l == left.end()) return true;
  const auto a = static_cast<unsigned char>(*l);
  const auto b = static_cast<unsigned char>(*r);
  // Past a common prefix both bytes sit at the same place in one character.
  // UTF-16 puts characters beyond U+FFFF (surrogates, D800..DFFF) before
  // U+E000..U+FFFF; everywhere else it agrees with code point order.
  if (isBmpHighLead(a) && isSupplementaryLead(b)) return false;
  if (isSupplementaryLead(a) && isBmpHighLead(b)) return true;
  return a < b;
}

namespace {

std::string framed(std::string body) {
  std::string out;
  out.reserve(kHeader.size() + body.size() + kFooter.size());
  out += kHeader;
  out += body;
  out += kFooter;
  return out;
}

}  // namespace

namespace {

bool holdsNul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

}  // namespace

bool fitsXmlPropertyList(const PlistValue& value) {
  if (auto text = value.as<std::string>()) return !holdsNul(*text);
  if (auto array = value.as<PlistValue::Array>()) {
    return std::all_of(array->begin(), array->end(), [](const PlistValue& item) { return fitsXmlPropertyList(item); });
  }
  if (auto dictionary = value.as<PlistValue::Dictionary>()) return fitsXmlPropertyList(*dictionary);
  return true;
}

bool fitsXmlPropertyList(const PlistValue::Dictionary& dictionary) {
  return std::all_of(dictionary.begin(), dictionary.end(), [](const auto& entry) {
    return !holdsNul(entry.first) && fitsXmlPropertyList(entry.second);
  });
}

std::string xmlPropertyListData(const PlistValue& value) {
  XmlWriter writer;
  writer.write(value, 0);
  return framed(writer.take());
}

std::string xmlPropertyListData(const PlistValue::Dictionary& dictionary) {
  XmlWriter writer;
  writer.writeRoot(dictionary);
  return framed(writer.take());
}
