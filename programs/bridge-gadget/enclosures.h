#pragma once
// Which scenario devices share one USB gadget. A real enclosure whose bridge shows a
// CD-ROM beside its disk presents both as logical units of one interface, so a "cdrom"
// device joins the enclosure of the disk before it (LUN 1, peripheral type 5); every
// other device is an enclosure of its own (LUN 0).

#include <cstddef>
#include <vector>

#include "platform/sim/scenario.h"

namespace kelm::gadget {

struct Enclosure {
  std::vector<std::size_t> luns;  // scenario device index of each logical unit
};

std::vector<Enclosure> GroupEnclosures(const sim::Scenario& scenario);

// SCSI peripheral device type of a scenario device: 0 disk, 5 CD-ROM.
std::uint8_t PeripheralType(const sim::DeviceSpec& device);

}  // namespace kelm::gadget
