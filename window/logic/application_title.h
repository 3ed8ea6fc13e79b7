#pragma once
// The program's title: its name, and the caption of a box that shows an escaped error.

#include <string_view>

namespace kelm::window {

inline constexpr std::string_view kApplicationTitle = "Kelm Firmware Update Utility";

}  // namespace kelm::window
