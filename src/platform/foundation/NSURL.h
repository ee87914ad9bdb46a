#pragma once
// A URL as Foundation keeps it: the string it was made from, split into its
// RFC 3986 parts. URLWithString: refuses what is not a URL (a blank, a
// character that must be percent-encoded, a broken %-escape), as NSURL does.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/NSObject.h"

class NSURL : public NSObject {
 public:
  // [NSURL URLWithString:]: none for an empty or malformed string.
  static std::shared_ptr<NSURL> URLWithString(std::string_view text);
  // [NSURL fileURLWithPath:]: "file://" and the percent-encoded absolute path.
  static std::shared_ptr<NSURL> fileURLWithPath(std::string_view path);

  const std::string& absoluteString() const { return text_; }
  const std::optional<std::string>& scheme() const { return scheme_; }
  const std::optional<std::string>& host() const { return host_; }
  // The path with its %-escapes decoded ("" when the URL has none).
  std::string path() const;
  const std::optional<std::string>& query() const { return query_; }
  const std::optional<std::string>& fragment() const { return fragment_; }
  bool isFileURL() const { return scheme_ == "file"; }

  std::string description() const override { return text_; }

  // Percent-encodes every byte except RFC 3986's unreserved characters, as
  // for a query value; and the reverse.
  static std::string percentEncode(std::string_view text);
  static std::string percentDecode(std::string_view text);

  explicit NSURL(std::string text);

 private:
  std::string text_;
  std::optional<std::string> scheme_;
  std::optional<std::string> host_;
  std::string encodedPath_;
  std::optional<std::string> query_;
  std::optional<std::string> fragment_;
};
