#include "flash/images.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>


namespace kelm::flash {

namespace {
constexpr std::array<std::string_view, 3> kImageNames = {"FW352A", "FW352B", "FW339"};
}

bool ImageSet::LoadFolder(const std::string& dir, std::string& error) {
  for (std::string_view name : kImageNames) {
    const std::filesystem::path file = std::filesystem::path(dir) / (std::string(name) + ".bin");
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) continue;
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
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
