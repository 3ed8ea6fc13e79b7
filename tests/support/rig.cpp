#include "tests/support/rig.h"

#include <algorithm>

#include "flash/embedded_image_table.h"

namespace kelm::test {

void Recorder::Show(std::string_view caption, std::string_view text, platform::MessageIcon icon) {
  boxes.push_back({std::string(caption), std::string(text), icon});
  events.push_back("box " + std::string(caption) + ": " + std::string(text));
}

void Recorder::OutputDebugString(std::string_view text) {
  debug.emplace_back(text);
  events.push_back("debug: " + std::string(text));
}

void Recorder::Write(std::string_view text) {
  out.emplace_back(text);
  events.push_back("out: " + std::string(text));
}

namespace {
flash::ImageSet TestImages() {
  flash::ImageSet set;
  for (const auto& image : flash::EmbeddedImageTable()) {
    set.Set(std::string(image.name), {image.bytes.begin(), image.bytes.end()});
  }
  return set;
}
}  // namespace

Rig::Rig(sim::Scenario scenario)
    : sim(std::move(scenario)),
      images(TestImages()),
      io{sim, sim, clock, recorder, recorder, recorder, images, files} {}

Rig::Rig(const std::string& scenarioJson) : Rig(sim::ParseScenario(scenarioJson, "test", ".")) {}

void RecordingHost::SetStatus(std::string_view text) {
  status_ = std::string(text);
  statusHistory.push_back(status_);
}

void RecordingHost::AdvanceProgress(std::int32_t step) {
  if (progressVisible) progress = std::min(100, progress + step);
}

namespace {
std::vector<std::uint8_t> Bytes(std::string_view text, std::size_t size) {
  std::vector<std::uint8_t> out(size, 0);
  std::copy(text.begin(), text.begin() + std::min(text.size(), size), out.begin());
  return out;
}
}  // namespace

// A JMB352 as the identification finds it: product record "352<rev-1>" with the F4 E7
// signature, and a "j352" chip-name record whose byte 5 is the revision character.
sim::DeviceSpec Jmb352Device(int revision, std::vector<std::uint8_t> flash) {
  sim::DeviceSpec device;
  std::vector<std::uint8_t> inquiry = Bytes("", 40);
  const std::string vendor = "KELM    USB BRIDGE      ";
  std::copy(vendor.begin(), vendor.end(), inquiry.begin() + 8);
  device.answers["Inquiry"] = inquiry;
  device.answers["ProbeBridge"] = {0x00, 0x00};
  std::vector<std::uint8_t> info = {0xF4, 0xE7, 0x15, 0x2D, 0x03, 0x52, 0x01, 0x02,
                                    '3',  '5',  '2',  static_cast<std::uint8_t>('0' + revision - 1),
                                    0x01, 0x02, 0x03, 0x00};
  device.answers["ReadChipInfo"] = info;
  std::vector<std::uint8_t> model = Bytes("j352", 40);
  model[5] = static_cast<std::uint8_t>('0' + revision - 1);
  device.answers["ReadChipModel"] = model;
  device.answers["IdentifyFlashStep2"] = {0xEF, 0x40, 0x13, 0x00};
  device.answers["ReadFlashIdentity"] = {0x06, 0x00, 0x00, 0x00};
  sim::SerialFlashSpec serial;
  serial.content.file = std::move(flash);
  device.serialFlash = serial;
  return device;
}

}  // namespace kelm::test
