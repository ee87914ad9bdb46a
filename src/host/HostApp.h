#pragma once
// The Settings stand-in as it lives on the main thread: a key window whose
// navigation stack starts with the list of installed panes, and the user
// driver that acts on it for the browser. Make it, use it and drop it on the
// main thread only.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "uikit/ScreenModel.h"
#include "uikit/UserDriver.h"

class PaneCatalog;
class UINavigationController;
class UIViewController;
class UIWindow;

class HostApp {
 public:
  explicit HostApp(std::shared_ptr<PaneCatalog> catalog);
  ~HostApp();
  HostApp(const HostApp&) = delete;
  HostApp& operator=(const HostApp&) = delete;

  // What the phone shows, and the sound preview the browser is to play.
  Screen screen() const;
  // Names the page on top of the stack: one number per page object, never
  // reused while the host runs, so a browser action can say which page it
  // was meant for (pushing the same class again gives a new number; going
  // back gives the old page's number again).
  std::uint64_t pageId();
  // The number of the page a Back would return to, when there is one.
  std::optional<std::uint64_t> backPageId();

  // A browser action: one of the user driver's (see UserActions.h), or
  // {"action": "push", "class": NAME}, which pushes an exported page onto
  // the current stack. Throws std::invalid_argument for a bad action and
  // std::runtime_error when a pane fails to open.
  void perform(const nlohmann::json& action);
  void pushPage(const std::string& className);

 private:
  std::shared_ptr<PaneCatalog> catalog_;
  std::shared_ptr<UINavigationController> navigation_;
  std::shared_ptr<UIWindow> window_;
  UserDriver driver_;
  std::optional<std::string> openFailure_;  // told by the pane list during an action
  // The pages numbered so far that still exist, with their numbers.
  std::uint64_t idOf(const std::shared_ptr<UIViewController>& page);

  std::vector<std::pair<std::weak_ptr<UIViewController>, std::uint64_t>> pageIds_;
  std::uint64_t lastPageId_ = 0;
};
