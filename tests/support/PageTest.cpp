#include "support/PageTest.h"

#include <stdexcept>

#include "dispatch/MainRunLoop.h"
#include "uikit/UIApplication.h"

void PageTest::SetUp() {
  ChimewellTest::SetUp();
  UIApplication::sharedApplication()->setLinkOpener([this](const std::string& url) { openedLinks_.push_back(url); });
}

void PageTest::TearDown() {
  UIApplication::sharedApplication()->setLinkOpener({});
  driver_.reset();
  navigation_.reset();
  window_.reset();
  ChimewellTest::TearDown();
}

void PageTest::showPage(const std::shared_ptr<UIViewController>& page) {
  window_ = std::make_shared<UIWindow>();
  navigation_ = UINavigationController::withRootViewController(page);
  window_->setRootViewController(navigation_);
  window_->makeKeyAndVisible();
  driver_.emplace(window_);
  MainRunLoop::main().runDue();
  window_->layoutIfNeeded();
}

UserDriver& PageTest::driver() {
  if (!driver_) throw std::logic_error("showPage first");
  return *driver_;
}

std::optional<ScreenRow> PageTest::rowWithText(const Screen& screen, const std::string& text) {
  if (!screen.table) return std::nullopt;
  for (const auto& section : screen.table->sections)
    for (const auto& row : section.rows) {
      if (row.text == text) return row;
      for (const auto& label : row.labels)
        if (label.text == text) return row;
    }
  return std::nullopt;
}

std::vector<std::string> PageTest::rowTexts(const Screen& screen) {
  std::vector<std::string> texts;
  if (!screen.table) return texts;
  for (const auto& section : screen.table->sections)
    for (const auto& row : section.rows) texts.push_back(row.text.value_or(""));
  return texts;
}
