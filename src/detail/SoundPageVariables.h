#pragma once
// The process-wide variables of the sound pages, under the names the
// extension's pages have always used. Each holds what the page that used it
// last put there and is replaced, never cleared, by the next page; all are
// touched on the main thread only.
#include <memory>

#include "foundation/NSDictionary.h"
#include "uikit/UISwitch.h"
#include "uikit/UITextField.h"

// The pages' working copy of the handed-off app's per-app settings file;
// none while that file is not a readable dictionary.
extern std::shared_ptr<NSMutableDictionary> plist;
// The sound switch most recently made by either sound page.
extern std::shared_ptr<UISwitch> switchview;
// The vibration switch most recently made by the per-app page.
extern std::shared_ptr<UISwitch> switchview123;
// The vibration count field most recently made by the per-app page.
extern std::shared_ptr<UITextField> fromDate;
// The vibration switch most recently made by the alternate page.
extern std::shared_ptr<UISwitch> switchview11;
