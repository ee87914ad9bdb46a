#pragma once
// The host's side of sound previews heard in the browser: the current clip
// as the screen names it, and its parts as the HTTP server hands them out
// (GET /clips/<id>/<n>.wav), never waiting. The media framework makes the clips.
#include <cstddef>
#include <optional>
#include <string>

#include "uikit/ScreenModel.h"

// The clip of the latest preview, when previews go to the browser.
std::optional<ScreenAudio> currentScreenAudio();

struct ClipPartAnswer {
  int status = 404;          // 200 with the part, 202 while it is still being made, 404 when there is none
  std::string wav;           // the part, for 200
};
// Part `index` of clip `id` as it is now.
ClipPartAnswer clipPart(const std::string& id, std::size_t index);
