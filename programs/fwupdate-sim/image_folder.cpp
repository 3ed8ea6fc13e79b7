// Kept apart from the rest of the inputs so a program can read an images folder without
// linking the built-in test images.

#include <filesystem>

#include "platform/native_file_store.h"
#include "programs/fwupdate-sim/bench_inputs.h"

namespace kelm::bench {

flash::ImageSet LoadImageFolder(const std::string& dir) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    throw InputError("--images " + dir + ": not a readable folder");
  }
  flash::ImageSet images;
  std::string error;
  bool loaded = false;
  try {
    loaded = images.LoadFolder(platform::NativeFileStore(), dir, error);
  } catch (const std::exception& failure) {  // the stream library throws on some files
    error = failure.what();
  }
  if (!loaded) throw InputError("--images " + dir + ": " + error);
  return images;
}

}  // namespace kelm::bench
