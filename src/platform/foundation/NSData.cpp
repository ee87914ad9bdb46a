#include "foundation/NSData.h"

#include <string_view>

#include "foundation/DeviceFiles.h"
#include "foundation/NSError.h"
#include "foundation/NSFileManager.h"
#include "foundation/NSURL.h"
#include "foundation/URLLoader.h"

std::shared_ptr<NSData> NSData::dataWithContentsOfURL(const std::shared_ptr<NSURL>& url,
                                                      std::shared_ptr<NSError>* error) {
  if (!url) {
    if (error) *error = std::make_shared<NSError>(NSURLErrorDomain, NSURLErrorBadURL, "No link");
    return nullptr;
  }
  URLLoadResult result = loadURLContents(*url, urlLoadLimits());
  if (!result.bytes) {
    if (error) *error = result.error;
    return nullptr;
  }
  return std::make_shared<NSData>(std::move(*result.bytes));
}

bool NSData::writeToFileAtomically(const std::string& path, bool atomically,
                                   std::shared_ptr<NSError>* error) const {
  const std::string_view content(reinterpret_cast<const char*>(bytes_.data()), bytes_.size());
  const int failure = writeDeviceFile(path, content, atomically);
  if (failure == 0) return true;
  if (error) *error = fileWriteError(path, failure);
  return false;
}
