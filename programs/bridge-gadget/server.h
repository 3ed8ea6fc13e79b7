#pragma once
// The serving loop of one enclosure: command wrappers in, the kernel's commands answered by
// the unit, the bridge's commands by the simulated device, status wrappers out.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "programs/bridge-gadget/bulk_only.h"
#include "programs/bridge-gadget/ffs_function.h"
#include "programs/bridge-gadget/scsi_answers.h"
#include "programs/bridge-gadget/wire_faults.h"
#include "platform/sim/sim_device.h"

namespace kelm::gadget {

struct Lun {
  std::size_t scenarioIndex = 0;
  std::unique_ptr<sim::SimDevice> device;
  std::unique_ptr<ScsiUnit> unit;
};

struct ServerOptions {
  std::string traceFile;  // empty: no trace
  std::string dumpDir;    // empty: no dump
  std::string udcFile;    // the gadget's UDC attribute, for a pull fault
  std::vector<WireFault> wireFaults;
};

class Server {
 public:
  Server(std::vector<Lun> luns, ServerOptions options, FfsFunction& ffs);
  [[noreturn]] void Run();
  // Writes DIR/device-<i>.bin for the enclosure's devices with flash; safe from another thread.
  bool WriteDump(std::string& error);

 private:
  void Serve(const Cbw& cbw);
  void ServeKernelCommand(const Cbw& cbw, ScsiUnit& unit);
  void ServeBridgeCommand(const Cbw& cbw, Lun& lun);
  const WireFault* WireFaultFor(Lun& lun, const std::string& command);
  void Finish(const Cbw& cbw, std::uint32_t sent, std::uint32_t residue, CswStatus status);
  void Trace(const std::string& line);

  std::vector<Lun> luns_;
  ServerOptions options_;
  FfsFunction& ffs_;
  int trace_ = -1;
  std::mutex state_;  // the simulated devices, between the serving loop and the dump
};

}  // namespace kelm::gadget
