#include "uikit/UIApplication.h"

#include "dispatch/dispatch.h"
#include "foundation/NSLog.h"
#include "foundation/NSURL.h"

std::shared_ptr<UIApplication> UIApplication::sharedApplication() {
  static const auto application = std::make_shared<UIApplication>();
  return application;
}

void UIApplication::openURLOptionsCompletionHandler(const std::shared_ptr<NSURL>& url,
                                                    const PlistValue::Dictionary& options,
                                                    std::function<void(bool success)> completion) {
  const bool handedOn = url && linkOpener_;
  if (handedOn)
    linkOpener_(url->absoluteString());
  else if (url)
    NSLog("No link opener; not opening %@", url->absoluteString());
  if (completion) {
    dispatch_async(dispatch_get_main_queue(), [completion, handedOn] { completion(handedOn); });
  }
}

void UIApplication::setLinkOpener(LinkOpener opener) { linkOpener_ = std::move(opener); }

void UIApplication::setNetworkActivityIndicatorVisible(bool visible) {
  if (visible == networkActivityIndicatorVisible_) return;
  networkActivityIndicatorVisible_ = visible;
  if (activityListener_) activityListener_(visible);
}

void UIApplication::setNetworkActivityListener(std::function<void(bool visible)> listener) {
  activityListener_ = std::move(listener);
}
