#pragma once
// What kelmtool's sides for this machine share, whichever system's calls they make.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>

#include "flash/image_folders.h"
#include "programs/kelmtool/command_line.h"
#include "programs/kelmtool/tool_environment.h"

namespace kelm::kelmtool {

// Opens the file --trace names, when it names one; false (said on standard error) when it
// cannot be written.
bool OpenTrace(const CommandLine& line, std::ofstream& trace);

// The images for this machine's enclosures: those built in, then the image folders in order;
// a synthetic test image only for the drives the locator lets take one. Each file refused is
// said on standard error.
flash::FoundImages FindToolImages(const platform::ImageSource& builtIn,
                                  const std::vector<std::string>& folders,
                                  const platform::FileStore& files, const DriveLocator& locator);

// Waits, five minutes at the most, for a drive to go away and the enclosure to be found again
// after it. Each arrival after the removal asks `foundAgain`; once one has come, so does each
// second without another, as a drive the system announces may answer only a moment later.
// `listen` hands the system's device-change codes to the handler given (false when it cannot
// listen at all); `wait` lets changes through for at most the time given.
using DeviceChangeHandler = std::function<void(std::uint32_t code)>;
bool AwaitRemovalThenArrival(std::FILE* out,
                             const std::function<bool(DeviceChangeHandler)>& listen,
                             const std::function<void(std::chrono::milliseconds)>& wait,
                             const std::function<bool()>& foundAgain);

}  // namespace kelm::kelmtool
