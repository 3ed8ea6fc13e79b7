#include "flash/images.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <vector>

namespace kelm::flash {

namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 3> kImageNames = {"FW352A", "FW352B", "FW339"};

// The whole file; false when it is no file or cannot be read to its end.
bool ReadWholeFile(const fs::path& file, std::vector<std::uint8_t>& bytes) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(file, ec);
  if (ec) return false;
  std::ifstream in(file, std::ios::binary);
  if (!in.is_open()) return false;
  bytes.resize(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return in.gcount() == static_cast<std::streamsize>(bytes.size());
}

}  // namespace

bool ImageSet::LoadFolder(const std::string& dir, std::string& error) {
  for (std::string_view name : kImageNames) {
    const fs::path file = fs::path(dir) / (std::string(name) + ".bin");
    std::error_code ec;
    if (!fs::exists(file, ec)) continue;
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(file, bytes)) {
      error = file.string() + ": cannot be read";
      return false;
    }
    Set(std::string(name), std::move(bytes));
  }
  return true;
}

void ImageSet::Set(std::string name, std::vector<std::uint8_t> bytes) {
  images_[std::move(name)] = std::move(bytes);
}

std::span<const std::uint8_t> ImageSet::TakeImage(std::string_view name) const {
  const auto it = images_.find(name);
  if (it == images_.end()) return {};
  return it->second;
}

}  // namespace kelm::flash
