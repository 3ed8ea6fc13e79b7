#pragma once
// A drive as `kelmtool list` shows it: a block of lines, or one JSON object.

#include <cstdio>
#include <nlohmann/json.hpp>

#include "programs/kelmtool/tool_environment.h"
#include "programs/kelmtool/tool_support.h"

namespace kelm::kelmtool {

nlohmann::json DriveJson(std::size_t number, const DriveReport& drive, const DriveNodes& nodes);
void PrintDrive(std::FILE* out, std::size_t number, const DriveReport& drive, const DriveNodes& nodes);

}  // namespace kelm::kelmtool
