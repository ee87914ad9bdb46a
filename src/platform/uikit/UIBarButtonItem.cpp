#include "uikit/UIBarButtonItem.h"

void UIBarButtonItem::tap() {
  if (enabled_) targetAction_.send(shared_from_this());
}
