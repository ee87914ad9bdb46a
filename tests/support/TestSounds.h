#pragma once
// Small sounds made at test time with the ffmpeg command (a sine tone), in
// the format the file's extension names: m4r, m4a, caf, mp3, wav, aiff, ogg.
// Throws std::runtime_error when ffmpeg is missing or fails.
#include <filesystem>
#include <string>

void makeTestSound(const std::filesystem::path& file, double seconds, int frequency = 660);
// The file's bytes, and a whole file replaced by given bytes.
std::string readHostFile(const std::filesystem::path& file);
void writeHostFile(const std::filesystem::path& file, const std::string& bytes);
