#pragma once
// The enclosure a newcomer gets without a scenario file: one JMB352 revision 2 bridge whose
// flash holds an older firmware behind its own parameter block.

#include <cstdint>
#include <span>

#include "platform/sim/scenario.h"

namespace kelm::bench {

// `currentImage` is the FW352B image the program carries (may be empty); the demo's flash
// holds a variant of it that differs after the parameter block, so the update has work to do.
sim::Scenario DemoScenario(std::span<const std::uint8_t> currentImage);

}  // namespace kelm::bench
