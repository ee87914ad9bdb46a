#pragma once
// Mounts that hide links. Debian's sshfs refuses by default (its
// contain_symlinks) to read a link whose target is absolute or climbs with
// "..", as a phone's /var and /var/jb are: reading one gives EPERM, and every
// path through it fails with a bare "Operation not permitted". These find
// such a link and word the way out, in one place for every caller: the file
// error texts (fileWriteError, fileReadError: the stores' and readers' log
// lines) and a check of a device root at start. Any thread; they look inside
// the current device root and change nothing.
#include <optional>
#include <string>
#include <string_view>

// The first symbolic link on the way to devicePath, the last name included,
// that cannot be read (EPERM), as a device path. None when every link on the
// way reads, or the way stops at a missing name first.
std::optional<std::string> unreadableLinkOnPath(std::string_view devicePath);

// One sentence: the link cannot be read on this mount, and the two ways out.
std::string hiddenLinkAdvice(std::string_view linkPath);

// For a file step on devicePath that failed with `error`: the advice, when
// the error is EPERM and a link on the way cannot be read; none otherwise.
std::optional<std::string> hiddenLinkReason(std::string_view devicePath, int error);
