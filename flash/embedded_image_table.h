#pragma once
// The images built into a program. Each program links exactly one table: the hardware
// program the vendor images of its build, the simulated bench the synthetic test images.

#include <cstdint>
#include <span>
#include <string_view>

namespace kelm::flash {

struct EmbeddedImage {
  std::string_view name;
  std::span<const std::uint8_t> bytes;
};

std::span<const EmbeddedImage> EmbeddedImageTable();

}  // namespace kelm::flash
