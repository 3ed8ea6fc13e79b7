#include "chip/bridge_models.h"

namespace kelm::chip {

// Index = model index of a ChipCode. The inquiry tags and product texts are the lists that
// identification walks in this order; models 13 to 16 come from the chip register and 17
// from the USB ids, so they have neither.
const std::array<BridgeModel, kBridgeModelCount> kBridgeModels = {{
    {"Unknown Chip", "", "", UpdateProcedure::None},
    {"JM20335 Series", "j335", "335", UpdateProcedure::SerialFlash},
    {"JM20336 Series", "j336", "336", UpdateProcedure::Jm20336},
    {"JM20337 Series", "j337", "337", UpdateProcedure::SerialFlash},
    {"JM20339 Series", "j339", "339", UpdateProcedure::SerialFlash},
    {"JM20329 Series", "j329", "329", UpdateProcedure::None},
    {"JMB352 Series", "j352", "352", UpdateProcedure::Jmb352},
    {"JMB353 Series", "j353", "353", UpdateProcedure::SerialFlash},
    {"JMB355 Series", "j355", "355", UpdateProcedure::None},
    {"JMB356 Series", "j356", "356", UpdateProcedure::None},
    {"JMS551 Series", "", "551", UpdateProcedure::None},
    {"JMB519 Series", "j519", "519", UpdateProcedure::None},
    {"JMB509 Series", "j509", "509", UpdateProcedure::None},
    {"JM20337", "", "", UpdateProcedure::None},
    {"JM20338", "", "", UpdateProcedure::None},
    {"JM20339", "", "", UpdateProcedure::None},
    {"JM20335", "", "", UpdateProcedure::None},
    {"JM20336", "", "", UpdateProcedure::Jm20336},
}};

std::string_view ModelName(std::uint8_t model) {
  return model < kBridgeModels.size() ? kBridgeModels[model].name : kBridgeModels[0].name;
}

UpdateProcedure ProcedureFor(std::uint8_t model) {
  return model < kBridgeModels.size() ? kBridgeModels[model].update : UpdateProcedure::None;
}

}  // namespace kelm::chip
