#pragma once
// The core's services over a simulated platform, with outputs that go nowhere: what a fuzz
// target hands the code under test.

#include <cstddef>
#include <cstdint>
#include <span>

#include "flash/images.h"
#include "platform/host.h"
#include "platform/posix/posix_file_store.h"
#include "platform/sim/sim_platform.h"

namespace kelm::fuzz {

class Silent final : public platform::MessageBoxes,
                     public platform::DebugOutput,
                     public platform::StandardOutput {
 public:
  void Show(std::string_view, std::string_view, platform::MessageIcon) override {}
  void OutputDebugString(std::string_view) override {}
  void Write(std::string_view) override {}
};

struct FuzzServices {
  explicit FuzzServices(sim::Scenario scenario) : sim(std::move(scenario)) {}

  sim::SimPlatform sim;
  sim::SimClock clock;
  Silent silent;
  flash::ImageSet images;
  posix::PosixFileStore files;
  platform::Services io{sim, sim, clock, silent, silent, silent, images, files};
};

// Takes bytes off the front of the input; past its end every read gives zeros.
class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size) : rest_(data, size) {}

  std::uint8_t Byte() {
    if (rest_.empty()) return 0;
    const std::uint8_t value = rest_.front();
    rest_ = rest_.subspan(1);
    return value;
  }
  std::vector<std::uint8_t> Bytes(std::size_t count) {
    count = std::min(count, rest_.size());
    std::vector<std::uint8_t> out(rest_.begin(), rest_.begin() + static_cast<std::ptrdiff_t>(count));
    rest_ = rest_.subspan(count);
    return out;
  }

 private:
  std::span<const std::uint8_t> rest_;
};

}  // namespace kelm::fuzz
