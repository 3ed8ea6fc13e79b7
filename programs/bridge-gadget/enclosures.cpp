#include "programs/bridge-gadget/enclosures.h"

namespace kelm::gadget {

std::vector<Enclosure> GroupEnclosures(const sim::Scenario& scenario) {
  std::vector<Enclosure> enclosures;
  for (std::size_t i = 0; i < scenario.devices.size(); ++i) {
    const bool cdrom = scenario.devices[i].deviceClass == "cdrom";
    const bool besideDisk = !enclosures.empty() && enclosures.back().luns.size() == 1 &&
                            scenario.devices[enclosures.back().luns[0]].deviceClass == "disk";
    if (cdrom && besideDisk) {
      enclosures.back().luns.push_back(i);
    } else {
      enclosures.push_back({{i}});
    }
  }
  return enclosures;
}

std::uint8_t PeripheralType(const sim::DeviceSpec& device) {
  return device.deviceClass == "cdrom" ? 5 : 0;
}

}  // namespace kelm::gadget
