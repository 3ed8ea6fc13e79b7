#include "flash/images.h"

#include <array>
#include <filesystem>
#include <optional>
#include <vector>

#include "flash/engine_settings.h"

namespace kelm::flash {

namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 3> kImageNames = {"FW352A", "FW352B", "FW339"};

}  // namespace

bool ImageSet::LoadFolder(const platform::FileStore& files, const std::string& dir,
                          std::string& error) {
  for (std::string_view name : kImageNames) {
    const std::string file = (fs::path(dir) / (std::string(name) + ".bin")).string();
    if (!files.Exists(file)) continue;
    std::optional<std::vector<std::uint8_t>> bytes = files.ReadWholeFile(file, kLargestFlashSize);
    if (!bytes) {
      error = file + ": cannot be read (no file, or larger than " +
              std::to_string(kLargestFlashSize) + " bytes)";
      return false;
    }
    Set(std::string(name), std::move(*bytes));
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
