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

// The synthetic test images under their own name, for a program that links the table of the
// hardware build and still runs the simulated bench (kelmtool).
std::span<const EmbeddedImage> kelm_images_test_table();

}  // namespace kelm::flash
