// Whatever a bridge answers to the identification commands: the decode must name a model of
// the table, the flash code must be one the erase step knows or -1, and nothing may crash.
//
// Input: one byte of faults (bit k: answer k fails at the transport, bit 6: every answer
// comes back with a last-error, bit 7: the device has a serial flash), then per answer a
// length byte and that many bytes.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "chip/bridge_models.h"
#include "chip/identification.h"
#include "flash/flash_identification.h"
#include "fuzz/fuzz_services.h"

namespace {

using namespace kelm;

constexpr std::array<const char*, 6> kAnswered = {"Inquiry",      "ProbeBridge",        "ReadChipInfo",
                                                  "ReadChipModel", "IdentifyFlashStep2", "ReadFlashIdentity"};
constexpr std::uint8_t kLastErrorBit = 1 << 6;
constexpr std::uint8_t kSerialFlashBit = 1 << 7;
constexpr std::array<std::int32_t, 5> kFlashCodes = {1, 3, 4, 5, -1};

sim::Scenario ScenarioFrom(fuzz::InputReader& input) {
  const std::uint8_t faults = input.Byte();
  sim::DeviceSpec device;
  for (std::size_t k = 0; k < kAnswered.size(); ++k) {
    const std::size_t length = input.Byte();
    device.answers[kAnswered[k]] = input.Bytes(length);
    if (faults & (1u << k)) device.fail.push_back({kAnswered[k], std::nullopt, 0});
    if (faults & kLastErrorBit) device.lastError.push_back({kAnswered[k], 2, 0});
  }
  if (faults & kSerialFlashBit) device.serialFlash = sim::SerialFlashSpec{};
  sim::Scenario scenario;
  scenario.devices.push_back(std::move(device));
  return scenario;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputReader input(data, size);
  fuzz::FuzzServices services(ScenarioFrom(input));
  const std::string path = services.sim.DevicePath(0);

  const chip::ChipCode code = chip::IdentifyBridgeChip(services.io, path);
  if (chip::ModelOf(code) >= chip::kBridgeModelCount) std::abort();
  chip::ReportFirmwareVersion(services.io, path, code);

  const flash::SerialFlashIdentity flash = flash::IdentifySerialFlash(services.io, path);
  if (std::ranges::find(kFlashCodes, flash.flashCode) == kFlashCodes.end()) std::abort();
  const bool knownMaker = flash.makerText.empty() ||
                          std::ranges::find(flash::kFlashMakers, flash.makerText) != flash::kFlashMakers.end();
  if (!knownMaker) std::abort();
  return 0;
}
