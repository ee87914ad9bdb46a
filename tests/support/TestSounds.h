#pragma once
// Small sounds made at test time with the ffmpeg command (a sine tone), in
// the format the file's extension names: m4r, m4a, caf, mp3, wav, aiff, ogg.
// Throws std::runtime_error when ffmpeg is missing or fails.
#include <filesystem>

#include "support/HostFiles.h"

void makeTestSound(const std::filesystem::path& file, double seconds, int frequency = 660);
