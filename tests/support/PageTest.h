#pragma once
// The fixture of page tests: on top of ChimewellTest's fresh device root,
// log capture and manual clock, a key window whose root is a navigation
// controller with the page under test at the bottom of its stack, and a
// user driver acting on that window.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/ChimewellTest.h"
#include "uikit/ScreenModel.h"
#include "uikit/UINavigationController.h"
#include "uikit/UIWindow.h"
#include "uikit/UserDriver.h"

class PageTest : public ChimewellTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Shows the page in a new key window (its view loads, it appears) and
  // lets the first run loop turn end, as the Settings app does.
  void showPage(const std::shared_ptr<UIViewController>& page);
  template <class Page, class... Args>
  std::shared_ptr<Page> showNewPage(Args&&... arguments) {
    auto page = std::make_shared<Page>(std::forward<Args>(arguments)...);
    showPage(page);
    return page;
  }

  UserDriver& driver();
  Screen screen() { return driver().screen(); }
  const std::shared_ptr<UIWindow>& window() const { return window_; }
  const std::shared_ptr<UINavigationController>& navigationController() const { return navigation_; }
  // Links the pages opened (the test's link opener), oldest first.
  const std::vector<std::string>& openedLinks() const { return openedLinks_; }

  // The first visible row showing this text (or a label with it), or none.
  static std::optional<ScreenRow> rowWithText(const Screen& screen, const std::string& text);
  // The texts of the visible rows, in order (an empty string for none).
  static std::vector<std::string> rowTexts(const Screen& screen);

 private:
  std::shared_ptr<UIWindow> window_;
  std::shared_ptr<UINavigationController> navigation_;
  std::optional<UserDriver> driver_;
  std::vector<std::string> openedLinks_;
};
