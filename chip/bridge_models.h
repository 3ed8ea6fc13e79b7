#pragma once
// The bridge model table: display name, how the model is recognised, which procedure updates it.

#include <array>
#include <cstdint>
#include <string_view>

namespace kelm::chip {

enum class UpdateProcedure { None, SerialFlash, Jmb352, Jm20336 };

struct BridgeModel {
  std::string_view name;         // shown in ChipLabelEdit
  std::string_view inquiryTag;   // INQUIRY bytes 36-39, "" when the model has none
  std::string_view productText;  // first three characters of the product record's model text
  UpdateProcedure update;
};

inline constexpr std::size_t kBridgeModelCount = 18;

// Defined in bridge_models.cpp; indexed by the model index of a ChipCode.
extern const std::array<BridgeModel, kBridgeModelCount> kBridgeModels;

// Name of a model index; "Unknown Chip" beyond the table.
std::string_view ModelName(std::uint8_t model);
UpdateProcedure ProcedureFor(std::uint8_t model);

}  // namespace kelm::chip
