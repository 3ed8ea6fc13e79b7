#include "chip/bridge_models.h"

namespace kelm::chip {

std::string_view ModelName(std::uint8_t model) {
  return model < kBridgeModels.size() ? kBridgeModels[model].name : kBridgeModels[0].name;
}

UpdateProcedure ProcedureFor(std::uint8_t model) {
  return model < kBridgeModels.size() ? kBridgeModels[model].update : UpdateProcedure::None;
}

std::string_view Jmb352ImageName(ChipCode code) {
  if (ModelOf(code) != kJmb352Model) return {};
  for (const Jmb352Image& image : kJmb352Images) {
    if (image.revision == RevisionOf(code)) return image.imageName;
  }
  return {};
}

}  // namespace kelm::chip
