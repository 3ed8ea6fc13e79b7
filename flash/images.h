#pragma once
// Image sources: where "take image (name)" finds its bytes.

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
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

}  // namespace kelm::flash
