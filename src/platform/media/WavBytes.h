#pragma once
// A WAV file (RIFF, 16-bit PCM) of samples in the output format: the form in
// which a browser gets its clip, as every browser plays it.
#include <cstdint>
#include <string>
#include <vector>

std::string wavBytes(const std::int16_t* samples, std::size_t sampleCount);
