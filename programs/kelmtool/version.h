#pragma once
// The version text; the number comes from the build (the project's version, set once).

#include <string_view>

namespace kelm::kelmtool {

inline constexpr std::string_view kVersionText = "kelmtool " KELM_VERSION;

}  // namespace kelm::kelmtool
