#pragma once
// What the service runs on: this machine's enclosures (the Linux backend, udev's events, the
// images built in and in the system's folder), or the simulated bench's for the tests.

#include <functional>
#include <memory>
#include <string>

#include "programs/fwupdate-service/operations.h"
#include "programs/fwupdate-service/service_options.h"

namespace kelm::service {

class MachineSetup {
 public:
  virtual ~MachineSetup() = default;
  virtual Machine& machine() = 0;
  // udev's descriptor, readable when drives came or went; -1 when there is none to watch.
  virtual int DeviceEventsFd() { return -1; }
  // Handles the waiting events; true when a drive came or went.
  virtual bool DispatchDeviceEvents() { return false; }
  // The bench's hands (test only, on SIGUSR1): every enclosure pulled and plugged in again.
  // False where there are no such hands.
  virtual bool Replug(const std::function<void()>& between) {
    static_cast<void>(between);
    return false;
  }
  // At exit: what the bench keeps (the flash dump); false and `error` when it cannot.
  virtual bool Finish(std::string& error) {
    static_cast<void>(error);
    return true;
  }
};

// Throws OptionError when the options' files cannot serve.
std::unique_ptr<MachineSetup> ThisMachine(const ServiceOptions& options);
std::unique_ptr<MachineSetup> SimulatedBench(const ServiceOptions& options);

}  // namespace kelm::service
