#pragma once
// Whole files on the host file system, as bytes: writing makes the parent
// folders and replaces the file; both throw std::runtime_error on failure.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

std::string readHostFile(const std::filesystem::path& file);
void writeHostFile(const std::filesystem::path& file, std::string_view bytes);
void writeHostFile(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);
