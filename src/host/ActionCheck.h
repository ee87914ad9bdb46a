#pragma once
// Whether a browser action still means what the person meant. All tabs of
// all browsers act on one shared screen, so another tab may have moved it on
// between a person's tap and its arrival. The browser therefore names what
// each action was made on:
//   "host":   the host instance the page was talking to (ScreenPublisher)
//   "screen": for a tap, the version of the screen it was made on
//   "pageId": for typing, the page whose field (its "id") it is meant for
// A tap runs only when its element (the row, the switch with its state, the
// bar button, the alert, the mail sheet) is on the current screen as it was
// on the screen the person saw, on the same page. Typing runs while its page
// is on top and its field is there (a return, while the field is still being
// edited); ending an edit that has already ended does nothing. Scrolling,
// the viewport and anything that names no screen or page always run.
// Plain functions on the screens' JSON; any thread.
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

enum class ActionFit {
  applies,  // run it
  changed,  // refuse: the page had changed
  moot,     // nothing to do; not an error
};

// `seen`: the screen published as the action's "screen", if still kept.
// `current`: the screen as it is now. Both as ScreenPublisher writes them.
ActionFit checkAction(const nlohmann::json& action, const std::optional<nlohmann::json>& seen,
                      const nlohmann::json& current, const std::string& hostId);

// What the browser shows when an action was refused as `changed`.
extern const char* const kPageChangedMessage;
