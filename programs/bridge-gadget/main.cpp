// kelm-bridge-gadget: serves one enclosure of a simulated-bench scenario as a USB
// mass-storage device through FunctionFS, so the kernel's own storage stack talks to the
// simulated bridge. Built for the real-kernel bench; never installed.
//
//   kelm-bridge-gadget --scenario FILE --list
//       one line per scenario device: "<enclosure> <lun> <device index> <class> <held_open 0|1>"
//   kelm-bridge-gadget --scenario FILE --enclosure K --ffs DIR [--ready FILE] [--trace FILE]
//       [--dump DIR] [--stall COMMAND[:N]] [--pull COMMAND[:N] --udc FILE] [--hold COMMAND[:N]]
//
// --hold answers that request only after a few seconds, and says on standard error when the
// hold begins ("holding COMMAND N"), so the bench can act while the host waits for it.
// --ready FILE is created once the descriptors are written (the UDC may then be bound).
// SIGTERM or SIGINT writes the dump and ends the program.

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "programs/bridge-gadget/enclosures.h"
#include "programs/bridge-gadget/ffs_function.h"
#include "programs/bridge-gadget/server.h"
#include "programs/bridge-gadget/wire_faults.h"
#include "platform/sim/scenario.h"

namespace {

using namespace kelm;

constexpr const char* kUsage =
    "usage: kelm-bridge-gadget --scenario FILE --list\n"
    "       kelm-bridge-gadget --scenario FILE --enclosure K --ffs DIR [--ready FILE]\n"
    "           [--trace FILE] [--dump DIR] [--stall COMMAND[:N]] [--pull COMMAND[:N] --udc FILE]\n"
    "           [--hold COMMAND[:N]]";

struct BadInput : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Options {
  std::map<std::string, std::string> values;
  bool list = false;
  std::vector<gadget::WireFault> wireFaults;
};

Options Parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--list") {
      options.list = true;
      continue;
    }
    static const std::vector<std::string> kValued = {"--scenario", "--enclosure", "--ffs", "--ready",
                                                     "--trace", "--dump", "--stall", "--pull", "--udc",
                                                     "--hold"};
    if (std::find(kValued.begin(), kValued.end(), name) == kValued.end()) {
      throw BadInput("unknown option " + name);
    }
    if (i + 1 >= argc) throw BadInput(name + " needs a value");
    const std::string value = argv[++i];
    if (name == "--stall" || name == "--pull" || name == "--hold") {
      const auto kind = name == "--stall"  ? gadget::WireFault::Kind::Stall
                        : name == "--pull" ? gadget::WireFault::Kind::Pull
                                           : gadget::WireFault::Kind::Hold;
      const auto fault = gadget::ParseWireFault(kind, value);
      if (!fault) throw BadInput(name + ": not COMMAND[:N] with a known command: " + value);
      options.wireFaults.push_back(*fault);
    } else {
      options.values[name] = value;
    }
  }
  if (!options.values.count("--scenario")) throw BadInput("--scenario is required");
  if (!options.list && (!options.values.count("--enclosure") || !options.values.count("--ffs"))) {
    throw BadInput("--enclosure and --ffs are required");
  }
  for (const auto& fault : options.wireFaults) {
    if (fault.kind == gadget::WireFault::Kind::Pull && !options.values.count("--udc")) {
      throw BadInput("--pull needs --udc");
    }
  }
  return options;
}

void List(const sim::Scenario& scenario) {
  const auto enclosures = gadget::GroupEnclosures(scenario);
  for (std::size_t k = 0; k < enclosures.size(); ++k) {
    for (std::size_t lun = 0; lun < enclosures[k].luns.size(); ++lun) {
      const std::size_t index = enclosures[k].luns[lun];
      const auto& device = scenario.devices[index];
      std::cout << k << ' ' << lun << ' ' << index << ' ' << device.deviceClass << ' '
                << (device.heldOpen ? 1 : 0) << '\n';
    }
  }
}

std::vector<gadget::Lun> MakeLuns(const sim::Scenario& scenario, const gadget::Enclosure& enclosure) {
  std::vector<gadget::Lun> luns;
  for (std::size_t index : enclosure.luns) {
    const sim::DeviceSpec& device = scenario.devices[index];
    gadget::Lun lun;
    lun.scenarioIndex = index;
    const auto inquiry = device.answers.find("Inquiry");
    lun.unit = std::make_unique<gadget::ScsiUnit>(
        gadget::PeripheralType(device),
        inquiry == device.answers.end() ? std::vector<std::uint8_t>{} : inquiry->second);
    const std::string path = device.path.empty() ? sim::DefaultDevicePath(device.deviceClass, index) : device.path;
    lun.device = std::make_unique<sim::SimDevice>(device, path);
    luns.push_back(std::move(lun));
  }
  return luns;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  sim::Scenario scenario;
  std::vector<gadget::Lun> luns;
  try {
    options = Parse(argc, argv);
    scenario = sim::LoadScenario(options.values["--scenario"]);
    if (options.list) {
      List(scenario);
      return 0;
    }
    const auto enclosures = gadget::GroupEnclosures(scenario);
    const std::size_t k = std::stoul(options.values["--enclosure"]);
    if (k >= enclosures.size()) throw BadInput("--enclosure: the scenario has " + std::to_string(enclosures.size()));
    luns = MakeLuns(scenario, enclosures[k]);
  } catch (const std::exception& error) {
    std::cerr << "kelm-bridge-gadget: " << error.what() << '\n' << kUsage << std::endl;
    return 2;
  }

  // The signals are taken by a thread of their own, so the dump sees a quiet device.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);

  try {
    gadget::FfsFunction ffs(options.values["--ffs"], static_cast<std::uint8_t>(luns.size()));
    if (options.values.count("--ready")) std::ofstream(options.values["--ready"]) << "ready\n";
    gadget::ServerOptions serverOptions{options.values["--trace"], options.values["--dump"],
                                        options.values["--udc"], options.wireFaults};
    gadget::Server server(std::move(luns), std::move(serverOptions), ffs);
    std::thread([&server, stop] {
      int signal = 0;
      sigwait(&stop, &signal);
      std::string error;
      const bool dumped = server.WriteDump(error);
      if (!dumped) std::cerr << "kelm-bridge-gadget: " << error << std::endl;
      _exit(dumped ? 0 : 1);
    }).detach();
    server.Run();
  } catch (const std::exception& error) {
    std::cerr << "kelm-bridge-gadget: " << error.what() << std::endl;
    return 1;
  }
}
