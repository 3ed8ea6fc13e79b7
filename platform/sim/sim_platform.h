#pragma once
// The simulated platform: enclosures that answer the bridge's commands, the setup service
// that lists them, a clock, and the request trace.

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/device_file.h"
#include "platform/setup_service.h"
#include "platform/sim/scenario.h"
#include "platform/system.h"

namespace kelm::sim {

class SimDevice;  // one enclosure: answers, faults, flash

// Virtual time advances at once on Sleep; real time sleeps as well (with a display).
class SimClock final : public platform::Clock {
 public:
  explicit SimClock(bool realTime = false) : realTime_(realTime) {}
  void Sleep(std::uint32_t milliseconds) override;
  std::uint64_t ElapsedMs() const { return elapsedMs_; }

 private:
  bool realTime_;
  std::uint64_t elapsedMs_ = 0;
};

class SimPlatform final : public platform::DeviceFile, public platform::SetupService {
 public:
  explicit SimPlatform(Scenario scenario);
  ~SimPlatform() override;

  // DeviceFile
  platform::Handle Open(const std::string& path, platform::ShareMode share) override;
  bool Control(platform::Handle handle, std::uint32_t code,
               platform::PassThroughRequest& request) override;
  std::uint32_t LastError() const override;
  void Close(platform::Handle handle) override;

  // SetupService
  platform::DeviceInfoSet GetClassDevs(std::string_view interfaceClass) override;
  bool EnumDeviceInterfaces(platform::DeviceInfoSet set, std::string_view interfaceClass,
                            std::uint32_t memberIndex,
                            platform::DeviceInterfaceData& data) override;
  bool GetDeviceInterfacePath(platform::DeviceInfoSet set,
                              const platform::DeviceInterfaceData& data,
                              std::string& path) override;
  void DestroyDeviceInfoList(platform::DeviceInfoSet set) override;

  // The bench: remove or put back every enclosure; flash contents are kept.
  void Unplug();
  void Plug();
  bool Plugged() const;

  // One line per request that reached the control call; nullptr stops tracing.
  void SetTrace(std::ostream* trace);

  std::size_t DeviceCount() const;
  const std::string& DevicePath(std::size_t index) const;
  // Flash contents of a device (empty when it has no such flash).
  std::vector<std::uint8_t> SerialFlash(std::size_t index) const;
  std::vector<std::uint8_t> ParallelFlash(std::size_t index) const;
  // Overwrites flash contents (tests set up a device's firmware this way).
  void SetSerialFlash(std::size_t index, std::vector<std::uint8_t> bytes);
  void SetParallelFlash(std::size_t index, std::vector<std::uint8_t> bytes);
  // Writes DIR/device-<i>.bin for every device with flash. False and `error` on failure.
  bool WriteDump(const std::string& dir, std::string& error) const;
  // How many requests of a command (by name) reached device `index` so far.
  std::uint32_t RequestCount(std::size_t index, const std::string& command) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kelm::sim
