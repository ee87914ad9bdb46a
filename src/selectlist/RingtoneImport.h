#pragma once
// The ringtone import that the sound chooser's Add button starts: a chain of
// alerts presented from the chooser. The link alert offers the public
// ringtone site or a link; the name alert asks for the file name; then the
// link's content is downloaded, on the main thread, and written atomically
// into the sound library directory under that name. A confirmation asks the
// person to refresh the page, and the chooser's table is reloaded (its rows
// stay as they were given: the new sound shows when the chooser opens again).
//
// Nothing bad is saved: a name that is not a plain file name is refused
// before anything is downloaded (its alert leads back to the name alert, the
// link kept); a load that gives nothing, or content that does not open as
// audio, writes nothing and says so; a failed write says so, with the reason
// (a full disk, a folder without permission). Each failure
// logs one line with the reason.
//
// The alerts hold the chooser weakly: a chooser that has gone ends the flow.
#include <memory>

class UITableViewController;

// The site "Open site" opens.
inline constexpr const char* kRingtoneSiteURL = "https://www.zedge.net/ringtones";

// addSound: presents the link alert from the chooser.
void startRingtoneImport(const std::shared_ptr<UITableViewController>& chooser);
