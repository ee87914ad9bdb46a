// Target-action of controls and bar buttons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uikit/UIBarButtonItem.h"
#include "uikit/UISwitch.h"

namespace {

class Target : public NSObject {
 public:
  std::vector<std::string> calls;
  void toggled(const std::shared_ptr<UISwitch>& sender) { calls.push_back(sender->isOn() ? "toggled on" : "toggled off"); }
  void tapped(const std::shared_ptr<UISwitch>& sender) { calls.push_back(sender->isOn() ? "tapped on" : "tapped off"); }
  void anySender(const std::shared_ptr<NSObject>& sender) { calls.push_back(sender ? "sender" : "none"); }
  void add() { calls.push_back("add"); }
};

TEST(TargetActionTest, TheSameTargetActionAndEventsAddedTwiceStayOneRegistration) {
  auto target = std::make_shared<Target>();
  auto other = std::make_shared<Target>();
  auto toggle = std::make_shared<UISwitch>(CGRectZero);
  toggle->addTargetActionForControlEvents(target, &Target::tapped, UIControlEventTouchUpInside);
  toggle->addTargetActionForControlEvents(target, &Target::tapped, UIControlEventTouchUpInside);
  EXPECT_EQ(toggle->numberOfRegistrationsForControlEvents(UIControlEventTouchUpInside), 1u);

  toggle->addTargetActionForControlEvents(target, &Target::toggled, UIControlEventTouchUpInside);
  toggle->addTargetActionForControlEvents(other, &Target::tapped, UIControlEventTouchUpInside);
  EXPECT_EQ(toggle->numberOfRegistrationsForControlEvents(UIControlEventTouchUpInside), 3u)
      << "another action or another target is another registration";

  toggle->sendActionsForControlEvents(UIControlEventTouchUpInside);
  EXPECT_EQ(target->calls, (std::vector<std::string>{"tapped off", "toggled off"}));
  EXPECT_EQ(other->calls, (std::vector<std::string>{"tapped off"}));
}

TEST(TargetActionTest, AUsersTapFlipsTheSwitchThenSendsValueChangedThenTouchUpInside) {
  auto target = std::make_shared<Target>();
  auto toggle = std::make_shared<UISwitch>(CGRectMake(10, 10, 200, 200));
  toggle->addTargetActionForControlEvents(target, &Target::tapped, UIControlEventTouchUpInside);
  toggle->addTargetActionForControlEvents(target, &Target::toggled, UIControlEventValueChanged);

  toggle->setOn(true);
  EXPECT_TRUE(target->calls.empty()) << "setting the state in code sends nothing";
  toggle->userTap();
  EXPECT_FALSE(toggle->isOn());
  EXPECT_EQ(target->calls, (std::vector<std::string>{"toggled off", "tapped off"}));

  toggle->setEnabled(false);
  toggle->userTap();
  EXPECT_FALSE(toggle->isOn()) << "a disabled switch ignores taps";
}

TEST(TargetActionTest, TargetsAreHeldWeaklyAndSendersHandedOverByType) {
  auto toggle = std::make_shared<UISwitch>();
  auto target = std::make_shared<Target>();
  toggle->addTargetActionForControlEvents(target, &Target::anySender, UIControlEventValueChanged);
  auto gone = std::make_shared<Target>();
  toggle->addTargetActionForControlEvents(gone, &Target::tapped, UIControlEventValueChanged);
  std::weak_ptr<Target> watch = gone;
  gone.reset();
  EXPECT_TRUE(watch.expired()) << "the control does not keep its target alive";
  toggle->userTap();
  EXPECT_EQ(target->calls, (std::vector<std::string>{"sender"}));
  EXPECT_EQ(toggle->numberOfRegistrationsForControlEvents(UIControlEventValueChanged), 1u);

  toggle->removeTargetActionForControlEvents(target, &Target::anySender, UIControlEventValueChanged);
  toggle->userTap();
  EXPECT_EQ(target->calls.size(), 1u);
}

TEST(TargetActionTest, BarButtonSendsItsActionWhenTappedAndEnabled) {
  auto target = std::make_shared<Target>();
  auto item = std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemAdd, target, &Target::add);
  item->tap();
  item->setEnabled(false);
  item->tap();
  EXPECT_EQ(target->calls, (std::vector<std::string>{"add"}));
}

}  // namespace
