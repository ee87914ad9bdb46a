#include "foundation/NSError.h"

#include <cstring>

NSError::NSError(std::string domain, long code, std::string localizedDescription,
                 std::shared_ptr<NSError> underlyingError)
    : domain_(std::move(domain)),
      code_(code),
      localizedDescription_(std::move(localizedDescription)),
      underlyingError_(std::move(underlyingError)) {}

std::shared_ptr<NSError> NSError::posixError(int errorNumber) {
  return std::make_shared<NSError>(NSPOSIXErrorDomain, errorNumber, std::strerror(errorNumber));
}

std::string NSError::description() const {
  std::string text = "Error Domain=" + domain_ + " Code=" + std::to_string(code_) + " \"" +
                     localizedDescription_ + "\"";
  if (underlyingError_) text += " UserInfo={NSUnderlyingError=" + underlyingError_->description() + "}";
  return text;
}
