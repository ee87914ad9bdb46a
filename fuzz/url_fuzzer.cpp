// Any bytes as a URL string: parsing never crashes, and percent-encoding
// always decodes back to the bytes it encoded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "foundation/NSURL.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (auto url = NSURL::URLWithString(text)) {
    (void)url->path();
    (void)NSURL::URLWithString(url->absoluteString());
  }
  if (NSURL::percentDecode(NSURL::percentEncode(text)) != text) std::abort();
  (void)NSURL::percentDecode(text);
  (void)NSURL::fileURLWithPath(text);
  return 0;
}
