#pragma once
// A simulated bench wired to the core's services, with everything the core says recorded.

#include <cstdint>
#include <string>
#include <vector>

#include "flash/images.h"
#include "platform/host.h"
#include "platform/native_file_store.h"
#include "platform/sim/sim_platform.h"

namespace kelm::test {

// Message boxes, debugger output and standard output, in the order they happened.
struct Recorder final : platform::MessageBoxes, platform::DebugOutput, platform::StandardOutput {
  struct Box {
    std::string caption, text;
    platform::MessageIcon icon;
  };
  std::vector<Box> boxes;
  std::vector<std::string> debug;
  std::vector<std::string> out;
  std::vector<std::string> events;  // "box <caption>: <text>", "debug: ..", "out: .."

  void Show(std::string_view caption, std::string_view text, platform::MessageIcon icon) override;
  void OutputDebugString(std::string_view text) override;
  void Write(std::string_view text) override;
};

// The simulated platform of a scenario plus recording outputs and an image set
// (the synthetic test images unless a test replaces them).
class Rig {
 public:
  explicit Rig(sim::Scenario scenario);
  explicit Rig(const std::string& scenarioJson);

  sim::SimPlatform sim;
  sim::SimClock clock;
  Recorder recorder;
  flash::ImageSet images;
  platform::NativeFileStore files;
  platform::Services io;
};

// A stand-in for the window: status history, a progress bar, message passes, options.
class RecordingHost final : public platform::Host {
 public:
  explicit RecordingHost(Rig& rig) : rig_(rig) {}

  const platform::Services& services() override { return rig_.io; }
  void SetStatus(std::string_view text) override;
  std::string Status() const override { return status_; }
  void ProcessMessages() override { ++messagePasses; }
  void AdvanceProgress(std::int32_t step) override;
  platform::Options options() const override { return opts; }

  platform::Options opts;
  std::vector<std::string> statusHistory;  // every text StatusEdit received
  bool progressVisible = true;
  int progress = 0;
  int messagePasses = 0;

 private:
  Rig& rig_;
  std::string status_;
};

// Builders for scenario devices used across tests.
sim::DeviceSpec Jmb352Device(int revision, std::vector<std::uint8_t> flash = {});

}  // namespace kelm::test
