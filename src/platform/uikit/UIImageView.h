#pragma once
// Shows one image.
#include <memory>

#include "uikit/UIView.h"

class UIImage;

class UIImageView : public UIView {
 public:
  using UIView::UIView;
  explicit UIImageView(std::shared_ptr<UIImage> image) : image_(std::move(image)) {}  // initWithImage:

  const std::shared_ptr<UIImage>& image() const { return image_; }
  void setImage(std::shared_ptr<UIImage> image) { image_ = std::move(image); }

 private:
  std::shared_ptr<UIImage> image_;
};
