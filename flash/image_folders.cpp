#include "flash/image_folders.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "flash/engine_settings.h"
#include "platform/utf8_path.h"

namespace kelm::flash {

namespace {

constexpr std::string_view kSyntheticMarker = "KELM-SYNTHETIC-TEST-IMAGE";
constexpr std::size_t kMarkerWindow = 64;

// The JMB352 update writes its image over a fixed layout, so each revision's image has one
// size; FW339 serves bridges whose flash (serial or the 64 KiB parallel one) it must fit.
struct ImageRule {
  std::string_view name;
  std::size_t smallest;
  std::size_t largest;
  std::string_view signature;  // at bytes 4.., as the bridge's firmware files carry it
};

constexpr std::array<ImageRule, 3> kRules = {{
    {"FW352A", 20480, 20480, "352"},
    {"FW352B", 36864, 36864, "352"},
    // Its signature differs between the bridges it serves, so only its size is checked.
    {"FW339", 1, 65536, ""},
}};

constexpr std::size_t kSignatureOffset = 4;

std::string SizeText(const ImageRule& rule) {
  if (rule.smallest == rule.largest) return std::to_string(rule.smallest) + " bytes";
  return std::to_string(rule.smallest) + " to " + std::to_string(rule.largest) + " bytes";
}

}  // namespace

std::string ImageFileName(std::string_view name) { return std::string(name) + ".bin"; }

std::string ImageFault(std::string_view name, std::span<const std::uint8_t> bytes) {
  const auto rule = std::ranges::find(kRules, name, &ImageRule::name);
  if (rule == kRules.end()) return "not an image this program uses";
  if (bytes.size() < rule->smallest || bytes.size() > rule->largest) {
    return std::to_string(bytes.size()) + " bytes, not " + SizeText(*rule);
  }
  if (rule->signature.empty()) return {};
  const std::string_view signature(
      reinterpret_cast<const char*>(bytes.data()) + kSignatureOffset,
      std::min(rule->signature.size(), bytes.size() - kSignatureOffset));
  if (signature != rule->signature) {
    return "no \"" + std::string(rule->signature) + "\" signature at byte 4";
  }
  return {};
}

bool IsSyntheticImage(std::span<const std::uint8_t> image) {
  const std::string_view head(reinterpret_cast<const char*>(image.data()),
                              std::min(image.size(), kMarkerWindow));
  return head.find(kSyntheticMarker) != std::string_view::npos;
}

void FoundImages::TakeBuiltIn(const platform::ImageSource& builtIn) {
  for (std::string_view name : kImageNames) {
    const std::span<const std::uint8_t> bytes = builtIn.TakeImage(name);
    if (bytes.empty()) continue;
    images_.Set(std::string(name), {bytes.begin(), bytes.end()});
    if (IsSyntheticImage(bytes)) synthetic_.insert(std::string(name));
  }
}

void FoundImages::LookIn(const platform::FileStore& files, const std::string& dir, bool named) {
  folders_.push_back(dir);
  if (named && !files.Exists(dir)) {
    refused_.push_back({dir, "no such folder", true});
    return;
  }
  for (std::string_view name : kImageNames) {
    if (!images_.TakeImage(name).empty()) continue;
    const std::string file = platform::Utf8Text(platform::Utf8Path(dir) / ImageFileName(name));
    if (!files.Exists(file)) continue;
    const std::optional<std::vector<std::uint8_t>> bytes = files.ReadWholeFile(file, kLargestFlashSize);
    if (!bytes) {
      refused_.push_back({file, "cannot be read (no file, or larger than " +
                                    std::to_string(kLargestFlashSize) + " bytes)", true});
      continue;
    }
    std::string why = ImageFault(name, *bytes);
    const bool synthetic = IsSyntheticImage(*bytes);
    if (why.empty() && synthetic && !guard_) {
      why = "a synthetic test image, which is never written to a real device";
    }
    if (!why.empty()) {
      refused_.push_back({file, why});
      continue;
    }
    images_.Set(std::string(name), *bytes);
    if (synthetic) synthetic_.insert(std::string(name));
  }
}

bool FoundImages::FoundAny() const {
  return std::ranges::any_of(kImageNames, [this](std::string_view name) {
    return !images_.TakeImage(name).empty();
  });
}

std::span<const std::uint8_t> FoundImages::TakeImage(std::string_view name) const {
  return images_.TakeImage(name);
}

std::span<const std::uint8_t> FoundImages::TakeImageFor(std::string_view name,
                                                        const std::string& devicePath) const {
  if (synthetic_.contains(name) && !(guard_ && guard_(devicePath))) return {};
  return images_.TakeImage(name);
}

FoundImages FindImages(const platform::ImageSource& builtIn, const std::optional<std::string>& named,
                       const std::vector<std::string>& folders, const platform::FileStore& files,
                       SyntheticImageGuard guard) {
  FoundImages images(std::move(guard));
  images.TakeBuiltIn(builtIn);
  if (named) images.LookIn(files, *named, true);
  for (const std::string& folder : folders) images.LookIn(files, folder);
  return images;
}

}  // namespace kelm::flash
