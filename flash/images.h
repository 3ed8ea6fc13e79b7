#pragma once
// Image sources: where "take image (name)" finds its bytes.

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/host.h"

namespace kelm::flash {

// The images linked into this program (see embedded_image_table.h); defined with the image
// table the program links, so a program without one cannot use it by mistake.
class EmbeddedImages final : public platform::ImageSource {
 public:
  std::span<const std::uint8_t> TakeImage(std::string_view name) const override;
};

// Images held in memory, by name: FW352A.bin etc. read from a folder, or set by tests.
class ImageSet final : public platform::ImageSource {
 public:
  // Reads FW352A.bin, FW352B.bin and FW339.bin from dir; a file that is not there is absent.
  // Returns false (with `error` naming the file) when something is there that is no regular
  // file of at most 1 MiB, or cannot be read.
  bool LoadFolder(const platform::FileStore& files, const std::string& dir, std::string& error);
  void Set(std::string name, std::vector<std::uint8_t> bytes);
  std::span<const std::uint8_t> TakeImage(std::string_view name) const override;

 private:
  std::map<std::string, std::vector<std::uint8_t>, std::less<>> images_;
};

// Another source's images, with one image replaced under the name a procedure asks for (the
// user's image, or the backup to restore).
class ReplacedImage final : public platform::ImageSource {
 public:
  ReplacedImage(const platform::ImageSource& base, std::string name, std::vector<std::uint8_t> bytes)
      : base_(base), name_(std::move(name)), bytes_(std::move(bytes)) {}
  std::span<const std::uint8_t> TakeImage(std::string_view name) const override {
    return name == name_ ? std::span<const std::uint8_t>(bytes_) : base_.TakeImage(name);
  }

 private:
  const platform::ImageSource& base_;
  std::string name_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace kelm::flash
