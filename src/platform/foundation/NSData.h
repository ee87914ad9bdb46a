#pragma once
// NSData: an immutable run of bytes, shared by reference. Loaded whole from a
// web link (URLLoader.h gives the rules and limits) and written whole to a
// device path; audio players read bytes from it. Main thread, like every
// platform object; a load blocks the calling thread until it ends.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/NSObject.h"

class NSError;
class NSURL;

class NSData : public NSObject {
 public:
  explicit NSData(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  // [NSData dataWithContentsOfURL:]: the whole content of an http or https
  // link, or none on any failure (none for no URL). The error out-parameter
  // is this platform's addition: an NSURLErrorDomain error saying why.
  static std::shared_ptr<NSData> dataWithContentsOfURL(const std::shared_ptr<NSURL>& url,
                                                       std::shared_ptr<NSError>* error = nullptr);

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::size_t length() const { return bytes_.size(); }

  // [data writeToFile:atomically:] on a device path: the bytes as they are;
  // atomically replaces the file in one step (see writeDeviceFile). False on
  // failure, with a Cocoa file error in the out-parameter when given.
  bool writeToFileAtomically(const std::string& path, bool atomically,
                             std::shared_ptr<NSError>* error = nullptr) const;

 private:
  std::vector<std::uint8_t> bytes_;
};
