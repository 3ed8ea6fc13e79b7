#include "programs/kelmtool/machine_side.h"

#include <algorithm>

#include "platform/native_names.h"
#include "platform/system.h"
#include "programs/kelmtool/tool.h"

namespace kelm::kelmtool {

bool OpenTrace(const CommandLine& line, std::ofstream& trace) {
  if (!line.trace) return true;
  // Binary, so that both systems write the same bytes.
  trace.open(platform::NativePath(*line.trace), std::ios::out | std::ios::trunc | std::ios::binary);
  if (trace) return true;
  TellError("--trace " + *line.trace + ": cannot be written");
  return false;
}

flash::FoundImages FindToolImages(const platform::ImageSource& builtIn,
                                  const std::vector<std::string>& folders,
                                  const platform::FileStore& files, const DriveLocator& locator) {
  flash::FoundImages images = flash::FindImages(
      builtIn, std::nullopt, folders, files,
      [&locator](const std::string& path) { return locator.TakesSyntheticImages(path); });
  for (const flash::RefusedImage& image : images.refused()) {
    TellError(image.file + ": " + image.why + "; not used");
  }
  return images;
}

bool AwaitRemovalThenArrival(std::FILE* out,
                             const std::function<bool(DeviceChangeHandler)>& listen,
                             const std::function<void(std::chrono::milliseconds)>& wait,
                             const std::function<bool()>& foundAgain) {
  constexpr auto kPatience = std::chrono::minutes(5);
  constexpr auto kLookAgain = std::chrono::seconds(1);
  bool removed = false;
  bool arrived = false;  // a drive, after the removal
  const bool listening = listen([&](std::uint32_t code) {
    if (code == platform::kDeviceRemoveComplete) removed = true;
    if (code == platform::kDeviceArrival && removed) arrived = true;
  });
  if (!listening) return false;
  std::fprintf(out, "Waiting for the enclosure to be unplugged and plugged in again...\n");
  std::fflush(out);
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!(arrived && foundAgain())) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    wait(arrived ? std::min<std::chrono::milliseconds>(left, kLookAgain) : left);
  }
  return true;
}

}  // namespace kelm::kelmtool
