#pragma once
// Every JSON text the browser page reads is written here, and this comment is
// its contract: the browser page (web/) and the tests read the same list. Optional values
// that are none are left out (an empty text is kept: none and "" differ).
//
// Kinds cross by name, never by UIKit's number. Numbers are only what is a
// number by right: versions, depth, sections, rows, indexes, sequences,
// positions and sizes in points, font sizes, line counts.
//
// screen:
//   depth, pageClass, pageId, backPageId?, navigationBar, table?, alert?, mail?, audio?,
//   deviceUnreachable? (true, or left out: the device's files could not be reached)
//   loading (a list is being gathered: the page shows that it loads once it lasts)
//   (pageId: one number per page object while the host runs, HostApp::pageId;
//   backPageId: the page a Back returns to)
// navigationBar:
//   title?, backTitle? (none on the first page),
//   searchBar? {text, placeholder?, showsCancelButton, editing},
//   rightButton? {id, systemItem?, title?}  (a system item or a title)
// table:
//   style, separators, contentHeight, contentOffset, viewportHeight, overscan,
//   sections [{index, header?, footer?, footerY, rowCount, rows [row...]}]  (only
//   the rows held: those meeting the viewport or the overscan, its height above
//   and below it; rowCount all of them; footerY places the footer of a section
//   none of whose rows is there)
// row:
//   id, section, row, style, text?, detailText?, image?, accessory,
//   switch? {id, on}, textFields [field...], labels [label...],
//   selectionStyle, selected, clearBackground,
//   separator (false when the cell's separator inset puts it out of sight), y, height
// field:
//   id, text, placeholder?, alignment, editing, highlighted,
//   frame {x, y, width, height}  (in the row's content view; zero when unplaced)
// label:
//   text, fontName, fontSize, bold, alignment, secondaryColor,
//   maxLines? (none: as many lines as the text needs),
//   frame {x, y, width, height}  (in the row's content view; zero when unplaced)
// image:
//   {src: "/images/<id>.png", width, height}  (in points)
// alert:
//   title?, message?, textFields [field...], actions [{id, title, style}],
//   returnKeyAction? (the id of the action Enter in a field taps: the last of default style)
// mail:
//   toRecipients [text...], subject, body, isHTML
// audio (the latest sound preview, when previews go to the browser):
//   clip, parts ("/clips/<clip>/": part n is <parts><n>.wav), tab? (the tab
//   whose action started it; none: any), state
//
// The names:
//   table style       "plain" "grouped"
//   row style         "basic" "value1" "value2" "subtitle"
//   accessory         "none" "disclosure" "detailDisclosure" "checkmark"
//   selectionStyle    "none" "highlight"
//   alignment         "left" "center" "right" "justified"
//   systemItem        "done" "cancel" "edit" "save" "add"
//   alert action style "default" "cancel" "destructive"
//   audio state       "playing" "stopped" (end it at once) "ended"
//
// Around the screen:
//   screen message  {host, version, screen}: GET /api/screen, the "screen"
//                   event; host names this host instance (random at start):
//                   a page follows a restart by it
//   action answer   the screen message with links [link...] (the links this
//                   action opened), and error when the action failed or was
//                   refused because the page had changed (ActionCheck.h);
//                   with that refusal, changedBy? names the tab whose action
//                   last ran (a tab's own earlier tap is no conflict)
//   action          what the page sends: UserActions.h, with "host" and, for a
//                   tap, "screen" (the version it was made on) or, for typing,
//                   "pageId"
//   link            {sequence, url}; GET /api/links gives {links [link...]};
//                   the "link" event carries only links opened outside actions
//   "busy" event    true or false
//   a refusal       {error}
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/LinkLog.h"
#include "uikit/ScreenModel.h"

class ImageRegistry;

// Registers the screen's images with `images` as it goes.
nlohmann::json screenToJson(const Screen& screen, ImageRegistry& images);
// The screen as the page gets it: screenToJson with the page it is on.
nlohmann::json pageScreenToJson(const Screen& screen, std::uint64_t pageId, std::optional<std::uint64_t> backPageId,
                                ImageRegistry& images);
nlohmann::json screenMessage(const std::string& host, std::uint64_t version, const nlohmann::json& screen);
nlohmann::json actionAnswer(const nlohmann::json& message, const std::vector<OpenedLink>& links,
                            const std::optional<std::string>& error,
                            const std::optional<std::string>& changedBy = std::nullopt);
nlohmann::json linkJson(const OpenedLink& link);
nlohmann::json linksMessage(const std::vector<OpenedLink>& links);
nlohmann::json errorJson(const std::string& message);
