// Kept apart from the rest of the inputs so a program can read an images folder without
// linking the built-in test images.

#include <algorithm>
#include <filesystem>

#include "platform/native_file_store.h"
#include "platform/native_names.h"
#include "platform/utf8_path.h"
#include "programs/fwupdate-sim/bench_inputs.h"

namespace kelm::bench {

flash::FoundImages LoadImageFolder(const std::string& dir, flash::SyntheticImageGuard guard) {
  std::error_code ec;
  if (!std::filesystem::is_directory(platform::NativePath(dir), ec)) {
    throw InputError("--images " + dir + ": not a readable folder");
  }
  flash::FoundImages images(std::move(guard));
  try {
    images.LookIn(platform::NativeFileStore(), dir);
  } catch (const std::exception& failure) {  // the stream library throws on some files
    throw InputError("--images " + dir + ": " + failure.what());
  }
  // A file that cannot be read is bad input; one that reads but fails its checks is only
  // left out, and named.
  const auto& refused = images.refused();
  const auto unreadable = std::ranges::find_if(refused, &flash::RefusedImage::unreadable);
  if (unreadable != refused.end()) {
    throw InputError("--images " + dir + ": " + unreadable->file + ": " + unreadable->why);
  }
  return images;
}

std::vector<std::string> RefusedImageLines(const std::string& dir, const flash::FoundImages& images) {
  std::vector<std::string> lines;
  for (const flash::RefusedImage& image : images.refused()) {
    lines.push_back("--images " + dir + ": " + platform::Utf8Text(platform::Utf8Path(image.file).filename()) +
                    ": " + image.why + "; not used");
  }
  return lines;
}

}  // namespace kelm::bench
