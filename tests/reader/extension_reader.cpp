// Stands in for the extension that plays the sounds: reads every per-app
// settings file of a device root, over and over, as the extension reads one
// when a notification arrives, with libplist rather than the pane's own
// reader. Every file it opens must be a whole property-list dictionary.
//
//   extension_reader DEVICE_ROOT STOP_FILE
//
// Runs until STOP_FILE exists, then prints "reads N files M" (N files read,
// M distinct file names seen) and exits 0; at the first file that is not a
// whole dictionary it prints the file's name and bytes to standard error
// and exits 1. A file that goes between the listing and the read (a rename
// over it is not that) is no fault: the extension would read none.
#include <plist/plist.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::optional<std::string> readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool isWholeDictionary(const std::string& bytes) {
  plist_t root = nullptr;
  plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
  const bool whole = root && plist_get_node_type(root) == PLIST_DICT && plist_dict_get_size(root) > 0;
  if (root) plist_free(root);
  return whole;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: extension_reader DEVICE_ROOT STOP_FILE\n";
    return 2;
  }
  const fs::path folder = fs::path(argv[1]) / "var/jb/Library/Application Support/Chimewell-plist";
  const fs::path stop = argv[2];
  std::uint64_t reads = 0;
  std::set<std::string> seen;
  while (!fs::exists(stop)) {
    std::error_code listing;
    for (fs::directory_iterator entry(folder, listing), end; !listing && entry != end; entry.increment(listing)) {
      const std::string name = entry->path().filename().string();
      // Only settings files: the extension never opens a store's temporary file.
      if (name.starts_with(".") || !name.ends_with(".plist")) continue;
      auto bytes = readWhole(entry->path());
      if (!bytes) continue;
      ++reads;
      seen.insert(name);
      if (!isWholeDictionary(*bytes)) {
        std::cerr << "not a whole dictionary: " << name << " (" << bytes->size() << " bytes)\n" << *bytes << "\n";
        return 1;
      }
    }
  }
  std::cout << "reads " << reads << " files " << seen.size() << std::endl;
  return 0;
}
