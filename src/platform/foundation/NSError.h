#pragma once
// An error object as Foundation hands it back through an error out-parameter.
#include <memory>
#include <string>

#include "foundation/NSObject.h"

inline const std::string NSCocoaErrorDomain = "NSCocoaErrorDomain";
inline const std::string NSPOSIXErrorDomain = "NSPOSIXErrorDomain";

// The Cocoa file error codes this platform reports.
enum : long {
  NSFileNoSuchFileError = 4,
  NSFileReadUnknownError = 256,
  NSFileReadNoPermissionError = 257,
  NSFileReadNoSuchFileError = 260,
  NSFileWriteUnknownError = 512,
  NSFileWriteNoPermissionError = 513,
  NSFileWriteFileExistsError = 516,
  NSFileWriteOutOfSpaceError = 640,
  NSFileWriteVolumeReadOnlyError = 642,
  NSPropertyListWriteInvalidError = 3851,
};

class NSError : public NSObject {
 public:
  NSError(std::string domain, long code, std::string localizedDescription,
          std::shared_ptr<NSError> underlyingError = nullptr);

  // An NSPOSIXErrorDomain error for an errno value, described by strerror.
  static std::shared_ptr<NSError> posixError(int errorNumber);

  const std::string& domain() const { return domain_; }
  long code() const { return code_; }
  const std::string& localizedDescription() const { return localizedDescription_; }
  // The POSIX error behind a Cocoa error (NSUnderlyingErrorKey), or none.
  const std::shared_ptr<NSError>& underlyingError() const { return underlyingError_; }

  // Error Domain=NSCocoaErrorDomain Code=516 "..."
  std::string description() const override;

 private:
  std::string domain_;
  long code_;
  std::string localizedDescription_;
  std::shared_ptr<NSError> underlyingError_;
};
