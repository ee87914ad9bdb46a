#include "foundation/PropertyListGuard.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace {

// ---- Binary lists: walk the object references as a read would follow them.

std::uint64_t bigEndian(std::string_view bytes, std::size_t at, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// What reading one object (and everything it names) builds.
struct Cost {
  std::uint64_t values = 0;
  std::uint64_t bytes = 0;
  int height = 0;  // levels below the object
};

bool withinLimits(const Cost& cost) {
  return cost.values <= kMaximumPropertyListValues && cost.bytes <= kMaximumPropertyListBuiltBytes;
}

enum Kind : unsigned {
  kData = 0x4,
  kAsciiString = 0x5,
  kUtf16String = 0x6,
  kArray = 0xA,
  kSet = 0xC,
  kDictionary = 0xD,
};

struct ObjectHead {
  unsigned kind = 0;
  std::uint64_t count = 0;  // bytes, UTF-16 units, references or entries
  std::size_t body = 0;     // where the content starts
};

class BinaryGuard {
 public:
  explicit BinaryGuard(std::string_view bytes) : bytes_(bytes) {}

  bool safe() {
    if (!readTrailer()) return false;
    state_.assign(static_cast<std::size_t>(objectCount_), State::unseen);
    costs_.assign(static_cast<std::size_t>(objectCount_), Cost{});
    return visit(topObject_, 0).has_value();
  }

 private:
  enum class State : std::uint8_t { unseen, open, done };
  static constexpr std::size_t kTrailerSize = 32;
  static constexpr std::size_t kHeaderSize = 8;

  std::string_view bytes_;
  std::size_t end_ = 0;  // objects lie before the trailer
  std::size_t offsetSize_ = 0;
  std::size_t referenceSize_ = 0;
  std::uint64_t objectCount_ = 0;
  std::uint64_t topObject_ = 0;
  std::uint64_t tableOffset_ = 0;
  std::vector<State> state_;
  std::vector<Cost> costs_;

  bool readTrailer() {
    if (bytes_.size() < kHeaderSize + kTrailerSize) return false;
    end_ = bytes_.size() - kTrailerSize;
    offsetSize_ = static_cast<unsigned char>(bytes_[end_ + 6]);
    referenceSize_ = static_cast<unsigned char>(bytes_[end_ + 7]);
    objectCount_ = bigEndian(bytes_, end_ + 8, 8);
    topObject_ = bigEndian(bytes_, end_ + 16, 8);
    tableOffset_ = bigEndian(bytes_, end_ + 24, 8);
    if (offsetSize_ < 1 || offsetSize_ > 8 || referenceSize_ < 1 || referenceSize_ > 8) return false;
    // The offset table lies inside the file, which bounds the object count.
    return tableOffset_ >= kHeaderSize && tableOffset_ <= end_ &&
           objectCount_ <= (end_ - tableOffset_) / offsetSize_ && topObject_ < objectCount_;
  }

  std::uint64_t reference(std::size_t at, std::uint64_t index) const {
    return bigEndian(bytes_, at + static_cast<std::size_t>(index) * referenceSize_, referenceSize_);
  }

  std::optional<ObjectHead> head(std::uint64_t object) const {
    const std::uint64_t offset = bigEndian(bytes_, static_cast<std::size_t>(tableOffset_ + object * offsetSize_),
                                           offsetSize_);
    if (offset < kHeaderSize || offset >= end_) return std::nullopt;
    const auto marker = static_cast<unsigned char>(bytes_[offset]);
    ObjectHead head{static_cast<unsigned>(marker >> 4u), marker & 0xFu, static_cast<std::size_t>(offset) + 1};
    const bool counted = head.kind == kData || head.kind == kAsciiString || head.kind == kUtf16String ||
                         head.kind == kArray || head.kind == kSet || head.kind == kDictionary;
    if (!counted || head.count != 0xF) return head;
    // A longer count follows as an integer object of 1, 2, 4 or 8 bytes.
    if (head.body >= end_) return std::nullopt;
    const auto countMarker = static_cast<unsigned char>(bytes_[head.body]);
    if (countMarker >> 4u != 1 || (countMarker & 0xFu) > 3) return std::nullopt;
    const std::size_t size = std::size_t{1} << (countMarker & 0xFu);
    if (head.body + 1 + size > end_) return std::nullopt;
    head.count = bigEndian(bytes_, head.body + 1, size);
    head.body += 1 + size;
    return head;
  }

  // Units of `unitSize` bytes that fit between `at` and the trailer.
  bool fits(const ObjectHead& head, std::uint64_t unitSize) const {
    return head.count <= (end_ - head.body) / unitSize;
  }

  bool holdsNul(const ObjectHead& head) const {
    const std::string_view body = bytes_.substr(head.body);
    if (head.kind == kAsciiString) return body.substr(0, head.count).find('\0') != std::string_view::npos;
    for (std::uint64_t unit = 0; unit < head.count; ++unit) {
      if (body[2 * unit] == 0 && body[2 * unit + 1] == 0) return true;
    }
    return false;
  }

  // A dictionary key with a NUL aborts libplist; a key that is no string it refuses itself.
  bool keyIsSafe(std::uint64_t object) const {
    if (object >= objectCount_) return false;
    auto key = head(object);
    if (!key) return false;
    if (key->kind == kAsciiString) return fits(*key, 1) && !holdsNul(*key);
    if (key->kind == kUtf16String) return fits(*key, 2) && !holdsNul(*key);
    return true;
  }

  // The object's own part of the cost; none when libplist must not read it.
  std::optional<Cost> ownCost(const ObjectHead& head) const {
    switch (head.kind) {
      case kData:
        if (!fits(head, 1)) return std::nullopt;
        return Cost{1, head.count, 0};
      case kAsciiString:
        // libplist cuts an ASCII string at its first NUL.
        if (!fits(head, 1) || holdsNul(head)) return std::nullopt;
        return Cost{1, head.count, 0};
      case kUtf16String:
        // At most three bytes of UTF-8 for each UTF-16 unit.
        if (!fits(head, 2)) return std::nullopt;
        return Cost{1, 3 * head.count, 0};
      default: return Cost{1, 0, 0};
    }
  }

  std::optional<Cost> visit(std::uint64_t object, int depth) {
    if (object >= objectCount_ || depth > kMaximumPropertyListDepth) return std::nullopt;
    const auto index = static_cast<std::size_t>(object);
    if (state_[index] == State::open) return std::nullopt;  // refers to itself
    if (state_[index] == State::done) {
      if (depth + costs_[index].height > kMaximumPropertyListDepth) return std::nullopt;
      return costs_[index];
    }
    state_[index] = State::open;
    auto cost = walk(object, depth);
    if (!cost) return std::nullopt;
    state_[index] = State::done;
    costs_[index] = *cost;
    return cost;
  }

  std::optional<Cost> walk(std::uint64_t object, int depth) {
    auto head = this->head(object);
    if (!head) return std::nullopt;
    auto cost = ownCost(*head);
    if (!cost) return std::nullopt;
    const bool dictionary = head->kind == kDictionary;
    if (!dictionary && head->kind != kArray && head->kind != kSet) return cost;
    const std::uint64_t perEntry = dictionary ? 2 : 1;
    if (!fits(*head, perEntry * referenceSize_)) return std::nullopt;
    for (std::uint64_t i = 0; i < perEntry * head->count; ++i) {
      const std::uint64_t child = reference(head->body, i);
      if (dictionary && i < head->count && !keyIsSafe(child)) return std::nullopt;
      auto childCost = visit(child, depth + 1);
      if (!childCost) return std::nullopt;
      cost->values += childCost->values;
      cost->bytes += childCost->bytes;
      cost->height = std::max(cost->height, childCost->height + 1);
      if (!withinLimits(*cost)) return std::nullopt;
    }
    return cost;
  }
};

// ---- XML lists: count elements and their nesting. Where the guard cannot
// tell how libplist reads a stretch (inside a tag's quotes, a processing
// instruction or a DOCTYPE) it counts what opens there and nothing that
// closes, so that it never sees less nesting than libplist builds.

bool nameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
}

bool nameCharacter(char c) {
  return nameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

class XmlGuard {
 public:
  explicit XmlGuard(std::string_view xml) : xml_(xml) {}

  bool safe() {
    if (xml_.find('\0') != std::string_view::npos) return false;
    std::size_t at = 0;
    while ((at = xml_.find('<', at)) != std::string_view::npos) {
      const std::string_view rest = xml_.substr(at);
      if (rest.starts_with("<!--")) {
        at = skipPast(at + 4, "-->");
      } else if (rest.starts_with("<![CDATA[")) {
        at = skipPast(at + 9, "]]>");
      } else if (rest.starts_with("</")) {
        depth_ = std::max(depth_ - 1, 0);
        at += 2;
      } else if (rest.starts_with("<?") || rest.starts_with("<!")) {
        at = endOfMarkup(at + 2);
      } else if (rest.size() > 1 && nameStart(rest[1])) {
        if (!emptyElement(rest) && ++depth_ > kMaximumPropertyListDepth + 1) return false;
        if (!counted()) return false;
        at = endOfMarkup(at + 1);
      } else {
        ++at;
      }
      if (failed_) return false;
    }
    return true;
  }

 private:
  std::string_view xml_;
  int depth_ = 0;  // the <plist> element is one level more than libplist's values
  std::uint64_t elements_ = 0;
  bool failed_ = false;

  bool counted() { return ++elements_ <= kMaximumPropertyListValues + 1; }

  // Past the terminator; an unterminated stretch is no property list.
  std::size_t skipPast(std::size_t from, std::string_view terminator) {
    const std::size_t end = xml_.find(terminator, from);
    if (end == std::string_view::npos) {
      failed_ = true;
      return xml_.size();
    }
    return end + terminator.size();
  }

  // <name/> with nothing else in it; anything fancier counts as opening.
  static bool emptyElement(std::string_view tag) {
    std::size_t i = 1;
    while (i < tag.size() && nameCharacter(tag[i])) ++i;
    return tag.substr(i).starts_with("/>");
  }

  // Past the '>' that ends a tag, processing instruction or DOCTYPE, outside
  // quotes and brackets (the latest end any reader could take). Elements that
  // open inside count.
  std::size_t endOfMarkup(std::size_t at) {
    char quote = 0;
    int brackets = 0;
    for (; at < xml_.size(); ++at) {
      const char c = xml_[at];
      if (c == '<' && at + 1 < xml_.size() && nameStart(xml_[at + 1])) {
        if (++depth_ > kMaximumPropertyListDepth + 1 || !counted()) failed_ = true;
      }
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '[') {
        ++brackets;
      } else if (c == ']') {
        brackets = std::max(brackets - 1, 0);
      } else if (c == '>' && brackets == 0) {
        return at + 1;
      }
    }
    failed_ = true;
    return xml_.size();
  }
};

}  // namespace

bool propertyListIsSafeToRead(std::string_view bytes) {
  if (bytes.starts_with("bplist")) return BinaryGuard(bytes).safe();
  return XmlGuard(bytes).safe();
}
