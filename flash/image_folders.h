#pragma once
// The firmware images found at run time: the images built in first, then FW352A.bin,
// FW352B.bin and FW339.bin from a list of folders, in order. Each file is read bounded and
// checked as an image built in is (its size and the signature its bridge's files carry); a
// file that fails is named with why and not used, and the next folder is tried for it. A
// synthetic test image reaches only the drives the guard lets through.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "flash/images.h"
#include "platform/file_store.h"
#include "platform/host.h"

namespace kelm::flash {

inline constexpr std::array<std::string_view, 3> kImageNames = {"FW352A", "FW352B", "FW339"};

// "FW352A" -> "FW352A.bin"
std::string ImageFileName(std::string_view name);

// Why the image `name` cannot serve its bridges; empty when it can.
std::string ImageFault(std::string_view name, std::span<const std::uint8_t> bytes);

// Whether an image carries the marker of the synthetic test images in its first 64 bytes
// (cmake/EmbedImages.cmake refuses to build such a file in by the same marker).
bool IsSyntheticImage(std::span<const std::uint8_t> image);

// Which drives, by device path, may be handed a synthetic test image. Empty: none may, and
// such a file is refused when it is found.
using SyntheticImageGuard = std::function<bool(const std::string& devicePath)>;

struct RefusedImage {
  std::string file;
  std::string why;
  bool unreadable = false;  // not a regular file of at most 1 MiB, or it cannot be read
};

class FoundImages final : public platform::ImageSource {
 public:
  explicit FoundImages(SyntheticImageGuard guard = {}) : guard_(std::move(guard)) {}

  // The images built into the program; they come before any folder's.
  void TakeBuiltIn(const platform::ImageSource& builtIn);
  // Looks in `dir` for the images not found yet; a folder that is not there holds none, but
  // is refused when the user `named` it.
  void LookIn(const platform::FileStore& files, const std::string& dir, bool named = false);

  // Where it looked, in order, and the files it refused there.
  const std::vector<std::string>& folders() const { return folders_; }
  const std::vector<RefusedImage>& refused() const { return refused_; }
  bool FoundAny() const;

  std::span<const std::uint8_t> TakeImage(std::string_view name) const override;
  std::span<const std::uint8_t> TakeImageFor(std::string_view name,
                                             const std::string& devicePath) const override;

 private:
  SyntheticImageGuard guard_;
  ImageSet images_;
  std::set<std::string, std::less<>> synthetic_;
  std::vector<std::string> folders_;
  std::vector<RefusedImage> refused_;
};

// A program's images on a machine: those built in, then the folder the user named (if any),
// then `folders` in order.
FoundImages FindImages(const platform::ImageSource& builtIn, const std::optional<std::string>& named,
                       const std::vector<std::string>& folders, const platform::FileStore& files,
                       SyntheticImageGuard guard);

}  // namespace kelm::flash
