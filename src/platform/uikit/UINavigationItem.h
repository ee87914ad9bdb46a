#pragma once
// What a page puts in the navigation bar while it is on top: a title (its
// own title when none is set here), a title view in its place, a right button.
#include <memory>
#include <optional>
#include <string>

#include "foundation/NSObject.h"

class UIView;
class UIBarButtonItem;

class UINavigationItem : public NSObject {
 public:
  const std::optional<std::string>& title() const { return title_; }
  void setTitle(std::optional<std::string> title) { title_ = std::move(title); }
  const std::shared_ptr<UIView>& titleView() const { return titleView_; }
  void setTitleView(std::shared_ptr<UIView> view) { titleView_ = std::move(view); }
  const std::shared_ptr<UIBarButtonItem>& rightBarButtonItem() const { return rightBarButtonItem_; }
  void setRightBarButtonItem(std::shared_ptr<UIBarButtonItem> item) { rightBarButtonItem_ = std::move(item); }
  void setRightBarButtonItemAnimated(std::shared_ptr<UIBarButtonItem> item, bool animated) {
    rightBarButtonItem_ = std::move(item);
  }

 private:
  std::optional<std::string> title_;
  std::shared_ptr<UIView> titleView_;
  std::shared_ptr<UIBarButtonItem> rightBarButtonItem_;
};
