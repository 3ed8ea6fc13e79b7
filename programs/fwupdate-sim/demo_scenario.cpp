#include "programs/fwupdate-sim/demo_scenario.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace kelm::bench {

namespace {

constexpr std::size_t kFlashSize = 65536;
constexpr std::size_t kParameterBlockSize = 4096;
constexpr std::size_t kOlderFirmwareSize = 36864;

void Put(std::vector<std::uint8_t>& bytes, std::size_t at, std::string_view text) {
  std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

std::vector<std::uint8_t> Padded(std::string_view text, std::size_t size) {
  std::vector<std::uint8_t> bytes(size, 0);
  Put(bytes, 0, text.substr(0, size));
  return bytes;
}

// What an enclosure maker leaves in the first 4 KiB: ids, strings, a serial number; the
// rest of the block erased.
void WriteParameterBlock(std::vector<std::uint8_t>& flash) {
  const std::uint8_t header[] = {0x55, 0xAA, 0x01, 0x00, 0x15, 0x2D, 0x03, 0x52};
  std::copy(std::begin(header), std::end(header), flash.begin());
  Put(flash, 0x10, "KELM");
  Put(flash, 0x30, "USB Bridge 352");
  Put(flash, 0x50, "KD352-0001742");
}

// The older firmware: the current image with its version bytes and a scattering of code
// bytes changed; a deterministic stand-in when the program carries no FW352B.
void WriteOlderFirmware(std::vector<std::uint8_t>& flash, std::span<const std::uint8_t> image) {
  for (std::size_t at = kParameterBlockSize; at < kOlderFirmwareSize; ++at) {
    flash[at] = at < image.size() ? image[at] : static_cast<std::uint8_t>(at * 7 + (at >> 8));
  }
  for (std::size_t at = kParameterBlockSize; at < kOlderFirmwareSize; at += 509) {
    flash[at] ^= 0x5A;
  }
}

}  // namespace

sim::Scenario DemoScenario(std::span<const std::uint8_t> currentImage) {
  sim::DeviceSpec device;
  device.deviceClass = "disk";

  std::vector<std::uint8_t> inquiry = Padded("", 40);
  Put(inquiry, 0, std::string_view("\x00\x80\x02\x02\x1F", 5));
  Put(inquiry, 8, "KELM    Enclosure 352   ");
  device.answers["Inquiry"] = inquiry;
  device.answers["ProbeBridge"] = {0x00, 0x00};
  // Product record: F4 E7, USB ids 152D:0352, version 1.02, model text "3521"
  // (the fourth character is the revision digit), long version 1.02.03.
  device.answers["ReadChipInfo"] = {0xF4, 0xE7, 0x15, 0x2D, 0x03, 0x52, 0x01, 0x02,
                                    '3',  '5',  '2',  '1',  0x01, 0x02, 0x03, 0x00};
  std::vector<std::uint8_t> chipName = Padded("j352", 40);
  chipName[5] = '1';  // revision character: "1" is revision 2
  device.answers["ReadChipModel"] = chipName;
  device.answers["IdentifyFlashStep2"] = {0xEF, 0x40, 0x13, 0x00};
  device.answers["ReadFlashIdentity"] = {0x06, 0x00, 0x00, 0x00};

  std::vector<std::uint8_t> flash(kFlashSize, 0xFF);
  WriteParameterBlock(flash);
  WriteOlderFirmware(flash, currentImage);
  sim::SerialFlashSpec serial;
  serial.size = kFlashSize;
  serial.content.file = std::move(flash);
  device.serialFlash = serial;

  sim::Scenario scenario;
  scenario.devices.push_back(std::move(device));
  return scenario;
}

}  // namespace kelm::bench
