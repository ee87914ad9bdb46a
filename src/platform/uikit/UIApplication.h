#pragma once
// The running application. Opening a link hands it to the link opener that
// the host (or a test) installs; without one the link goes nowhere, is
// logged, and the completion hears that it was not handed on. The network
// activity indicator says that something is being gathered (the screen
// model carries it); main thread only.
#include <functional>
#include <memory>
#include <string>

#include "foundation/NSObject.h"
#include "foundation/PropertyList.h"

class NSURL;

class UIApplication : public NSObject {
 public:
  using LinkOpener = std::function<void(const std::string& url)>;

  static std::shared_ptr<UIApplication> sharedApplication();

  // [application openURL:options:completionHandler:]. The completion, when
  // given, runs later on the main queue with whether the link was handed on
  // (false for none).
  void openURLOptionsCompletionHandler(const std::shared_ptr<NSURL>& url,
                                       const PlistValue::Dictionary& options,
                                       std::function<void(bool success)> completion);

  // The host's (or a test's) opener; an empty function removes it.
  void setLinkOpener(LinkOpener opener);

  bool isNetworkActivityIndicatorVisible() const { return networkActivityIndicatorVisible_; }
  // Tells the activity listener when the indicator comes or goes.
  void setNetworkActivityIndicatorVisible(bool visible);
  // The host's: it shows the screen at once when the indicator changes (a
  // list gathered is in); an empty function removes it.
  void setNetworkActivityListener(std::function<void(bool visible)> listener);

 private:
  LinkOpener linkOpener_;
  std::function<void(bool visible)> activityListener_;
  bool networkActivityIndicatorVisible_ = false;
};
