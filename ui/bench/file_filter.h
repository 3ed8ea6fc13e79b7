#pragma once
// The window's file filters are written "Name|patterns|Name|patterns"; Qt's dialog wants
// "Name (patterns);;Name (patterns)".

#include <string>
#include <string_view>

namespace kelm::bench {

std::string QtFilterOf(std::string_view filter);

}  // namespace kelm::bench
