// Navigation and presentation: the lifecycle calls in UIKit's order, the
// navigation bar on screen, and alerts with their fields and actions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/PageTest.h"
#include "uikit/UIAlertController.h"
#include "uikit/UIBarButtonItem.h"
#include "uikit/UITextField.h"
#include "uikit_test_pages.h"

namespace {

using Log = std::vector<std::string>;

// Writes each lifecycle call to a log shared by the pages of one test.
class RecordingPage : public ListPage {
 public:
  RecordingPage(std::string name, Log& log) : name_(std::move(name)), log_(log) {}
  void loadView() override {
    log_.push_back(name_ + " loadView");
    ListPage::loadView();
  }
  void viewDidLoad() override { log_.push_back(name_ + " viewDidLoad"); }
  void viewWillAppear(bool animated) override { log_.push_back(name_ + " willAppear" + (animated ? " animated" : "")); }
  void viewDidAppear(bool) override { log_.push_back(name_ + " didAppear"); }
  void viewWillDisappear(bool) override { log_.push_back(name_ + " willDisappear"); }
  void viewDidDisappear(bool) override { log_.push_back(name_ + " didDisappear"); }
  void addSound() { log_.push_back(name_ + " add"); }

 private:
  std::string name_;
  Log& log_;
};

class NavigationTest : public PageTest {
 protected:
  Log log;
};

TEST_F(NavigationTest, PushAndPopCallTheLifecycleInUIKitsOrder) {
  auto first = std::make_shared<RecordingPage>("first", log);
  showPage(first);
  EXPECT_EQ(log, (Log{"first loadView", "first viewDidLoad", "first willAppear", "first didAppear"}));

  log.clear();
  auto second = std::make_shared<RecordingPage>("second", log);
  navigationController()->pushViewControllerAnimated(second, true);
  EXPECT_EQ(log, (Log{"second loadView", "second viewDidLoad", "first willDisappear", "second willAppear animated",
                      "first didDisappear", "second didAppear"}));
  EXPECT_EQ(second->navigationController(), navigationController());

  log.clear();
  driver().goBack();
  EXPECT_EQ(log, (Log{"second willDisappear", "first willAppear animated", "second didDisappear", "first didAppear"}))
      << "the view loads once; a page shown again only appears";
  EXPECT_EQ(second->navigationController(), nullptr);
  EXPECT_THROW(driver().goBack(), std::invalid_argument) << "the first page has no back button";
  EXPECT_EQ(navigationController()->popViewControllerAnimated(true), nullptr);
}

TEST_F(NavigationTest, NavigationBarShowsTitlesBackTitleAndRightButton) {
  auto first = std::make_shared<RecordingPage>("first", log);
  first->setTitle("Chimewell");
  showPage(first);
  EXPECT_EQ(screen().navigationBar.title, "Chimewell");
  EXPECT_FALSE(screen().navigationBar.backTitle);

  auto second = std::make_shared<RecordingPage>("second", log);
  navigationController()->pushViewControllerAnimated(second, true);
  second->navigationItem()->setRightBarButtonItem(
      std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemAdd, second, &RecordingPage::addSound));
  auto bar = screen().navigationBar;
  EXPECT_FALSE(bar.title);
  EXPECT_EQ(bar.backTitle, "Chimewell");
  ASSERT_TRUE(bar.rightButton);
  EXPECT_EQ(bar.rightButton->systemItem, ScreenSystemItem::add);
  driver().tapRightBarButton();
  EXPECT_EQ(log.back(), "second add");

  auto third = std::make_shared<RecordingPage>("third", log);
  navigationController()->pushViewControllerAnimated(third, true);
  EXPECT_EQ(screen().navigationBar.backTitle, "Back") << "the page below has no title";
}

class AlertTest : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    showPage(page);
  }

  // An alert with two fields and three actions; every handler records the
  // fields' texts and whether the alert was still presented when it ran.
  std::shared_ptr<UIAlertController> makeAlert() {
    auto alert = UIAlertController::alertControllerWithTitleMessagePreferredStyle("Chimewell", "Type a name",
                                                                                  UIAlertControllerStyleAlert);
    auto record = [this, weak = std::weak_ptr(alert)](const std::shared_ptr<UIAlertAction>& action) {
      auto shown = weak.lock();
      handled.push_back(*action->title() + " " + shown->textFields()[0]->text() + "," + shown->textFields()[1]->text() +
                        (page->presentedViewController() ? " while presented" : ""));
    };
    alert->addAction(UIAlertAction::actionWithTitleStyleHandler("Open site", UIAlertActionStyleDefault, record));
    alert->addTextFieldWithConfigurationHandler([](const auto& field) { field->setPlaceholder("URL"); });
    alert->addAction(UIAlertAction::actionWithTitleStyleHandler("Import", UIAlertActionStyleDefault, record));
    alert->addTextFieldWithConfigurationHandler([](const auto& field) { field->setText("given"); });
    alert->addAction(UIAlertAction::actionWithTitleStyleHandler("Cancel", UIAlertActionStyleCancel, record));
    return alert;
  }

  std::shared_ptr<ListPage> page = std::make_shared<ListPage>();
  std::vector<std::string> handled;
};

TEST_F(AlertTest, AnActionFillsTheFieldsDismissesThenRunsItsHandler) {
  page->presentViewControllerAnimatedCompletion(makeAlert(), true);
  // The import's suite reads titles, placeholders and actions off the screen.
  auto alert = screen().alert;
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->actions.at(2).id, "alert/action2");
  EXPECT_THROW(driver().tapRow("s0r0"), std::invalid_argument) << "the alert covers the page";
  EXPECT_THROW(driver().tapAlertAction("Import", {"a", "b", "c"}), std::invalid_argument) << "two fields only";

  driver().tapAlertAction("Import", {"https://example.com/tone.m4r"});
  EXPECT_EQ(handled, (std::vector<std::string>{"Import https://example.com/tone.m4r,given"}));
  EXPECT_FALSE(screen().alert);
  EXPECT_THROW(driver().tapAlertAction("Import"), std::invalid_argument);
}

TEST_F(AlertTest, PresentingOverAPresentedControllerIsRefusedWithALogLine) {
  auto first = makeAlert();
  page->presentViewControllerAnimatedCompletion(first, true);
  bool completed = false;
  page->presentViewControllerAnimatedCompletion(makeAlert(), true, [&completed] { completed = true; });
  EXPECT_FALSE(completed);
  EXPECT_EQ(navigationController()->presentedViewController(), first);
  ASSERT_EQ(logMessages().size(), 1u);
  EXPECT_EQ(logMessages()[0].rfind("Attempt to present <UIAlertController: ", 0), 0u) << logMessages()[0];
  EXPECT_NE(logMessages()[0].find("which is already presenting <UIAlertController: "), std::string::npos);

  EXPECT_EQ(first->presentingViewController(), navigationController()) << "a page on a stack presents from the stack";
  page->dismissViewControllerAnimatedCompletion(true, [&completed] { completed = true; });
  EXPECT_TRUE(completed) << "the page asks the stack to dismiss";
  EXPECT_EQ(navigationController()->presentedViewController(), nullptr);
  EXPECT_EQ(first->presentingViewController(), nullptr);
}

}  // namespace
