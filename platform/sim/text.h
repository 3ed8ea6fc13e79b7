#pragma once
// ASCII text helpers of the simulator (device paths and class identifiers ignore case).

#include <string_view>

namespace kelm::sim {

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace kelm::sim
