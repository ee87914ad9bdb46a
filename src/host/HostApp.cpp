#include "host/HostApp.h"

#include <stdexcept>
#include <vector>
#include <utility>

#include "foundation/DeviceRoot.h"
#include "host/BrowserAudio.h"
#include "host/PaneCatalog.h"
#include "host/SettingsListController.h"
#include "host/UserActions.h"
#include "uikit/UINavigationController.h"
#include "uikit/UIWindow.h"

namespace {

std::shared_ptr<UIWindow> makeWindow(const std::shared_ptr<UINavigationController>& navigation) {
  auto window = std::make_shared<UIWindow>();
  window->setRootViewController(navigation);
  window->makeKeyAndVisible();
  return window;
}

}  // namespace

HostApp::HostApp(std::shared_ptr<PaneCatalog> catalog)
    : catalog_(std::move(catalog)),
      navigation_(UINavigationController::withRootViewController(std::make_shared<SettingsListController>(
          catalog_, [this](const std::string& message) { openFailure_ = message; }))),
      window_(makeWindow(navigation_)),
      driver_(window_) {}

HostApp::~HostApp() {
  if (window_->isKeyWindow()) window_->resignKeyWindow();
}

Screen HostApp::screen() const {
  Screen screen = driver_.screen();
  screen.audio = currentScreenAudio();
  screen.deviceUnreachable = currentDeviceRoot()->unreachable();
  return screen;
}

void HostApp::perform(const nlohmann::json& action) {
  // Read by type first: value() would throw the library's own message at a number.
  auto name = action.is_object() ? action.find("action") : action.end();
  if (name != action.end() && *name == "push") {
    auto className = action.find("class");
    if (className == action.end() || !className->is_string()) {
      throw std::invalid_argument("the push action needs a text \"class\"");
    }
    pushPage(className->get<std::string>());
    return;
  }
  openFailure_.reset();
  performUserAction(driver_, action);
  if (openFailure_) throw std::runtime_error(*std::exchange(openFailure_, std::nullopt));
}

void HostApp::pushPage(const std::string& className) {
  navigation_->pushViewControllerAnimated(catalog_->makePage(className), true);
}

std::uint64_t HostApp::pageId() { return idOf(navigation_->topViewController()); }

std::optional<std::uint64_t> HostApp::backPageId() {
  const auto& pages = navigation_->viewControllers();
  if (pages.size() < 2) return std::nullopt;
  return idOf(pages[pages.size() - 2]);
}

std::uint64_t HostApp::idOf(const std::shared_ptr<UIViewController>& page) {
  std::erase_if(pageIds_, [](const auto& entry) { return entry.first.expired(); });
  for (const auto& [known, id] : pageIds_) {
    if (known.lock() == page) return id;
  }
  pageIds_.emplace_back(page, ++lastPageId_);
  return lastPageId_;
}
