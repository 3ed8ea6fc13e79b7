#pragma once
// What kelmtool's sides for this machine share, whichever system's calls they make.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>

#include "programs/kelmtool/command_line.h"

namespace kelm::kelmtool {

// Opens the file --trace names, when it names one; false (said on standard error) when it
// cannot be written.
bool OpenTrace(const CommandLine& line, std::ofstream& trace);

// Waits, five minutes at the most, for a drive to go away and one to arrive after it.
// `listen` hands the system's device-change codes to the handler given (false when it cannot
// listen at all); `wait` lets changes through for at most the time given.
using DeviceChangeHandler = std::function<void(std::uint32_t code)>;
bool AwaitRemovalThenArrival(std::FILE* out,
                             const std::function<bool(DeviceChangeHandler)>& listen,
                             const std::function<void(std::chrono::milliseconds)>& wait);

}  // namespace kelm::kelmtool
