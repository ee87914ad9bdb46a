#include "support/HostFiles.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

std::string readHostFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeHostFile(const std::filesystem::path& file, std::string_view bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

void writeHostFile(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  writeHostFile(file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}
