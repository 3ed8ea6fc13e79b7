#pragma once
// The bridge model table: display name, how the model is recognised, which procedure updates it.

#include <array>
#include <cstdint>
#include <string_view>

#include "chip/chip_code.h"

namespace kelm::chip {

enum class UpdateProcedure { None, SerialFlash, Jmb352, Jm20336 };

struct BridgeModel {
  std::string_view name;         // shown in ChipLabelEdit
  std::string_view inquiryTag;   // INQUIRY bytes 36-39, "" when the model has none
  std::string_view productText;  // first three characters of the product record's model text
  UpdateProcedure update;
};

inline constexpr std::size_t kBridgeModelCount = 18;

// Indexed by the model index of a ChipCode. The inquiry tags and product texts are the lists
// that identification walks in this order; models 13 to 16 come from the chip register and 17
// from the USB ids, so they have neither.
inline constexpr std::array<BridgeModel, kBridgeModelCount> kBridgeModels = {{
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

// Model indices that are not found through the lists above.
inline constexpr std::uint8_t kFirstRegisterModel = 13;  // 13 + chip register bits 5..6
inline constexpr std::uint8_t kUsbIdModel = 17;          // USB ids 152D / 2336

// The chip-name record (ReadChipModel): a text at its start names the model; byte 5 is the
// revision character, "0" meaning revision 1. Walked in this order, first match wins.
struct ChipNameRecord {
  std::string_view text;  // compared over its own length
  std::uint8_t model;
  bool zeroMeansFirstRevision;  // a zero revision byte gives revision 1
};

inline constexpr std::array<ChipNameRecord, 4> kChipNameRecords = {{
    {"j335C", 1, false},
    {"j339C", 4, false},
    {"j519A", 11, false},
    {"j352", 6, true},
}};

// The embedded image that a JMB352 of a given revision takes.
struct Jmb352Image {
  std::uint8_t revision;
  std::string_view imageName;
};

inline constexpr std::uint8_t kJmb352Model = 6;
inline constexpr std::array<Jmb352Image, 2> kJmb352Images = {{
    {1, "FW352A"},
    {2, "FW352B"},
}};

// Name of a model index; "Unknown Chip" beyond the table.
std::string_view ModelName(std::uint8_t model);
UpdateProcedure ProcedureFor(std::uint8_t model);
// The image name for a JMB352 chip code, "" for any other model or revision.
std::string_view Jmb352ImageName(ChipCode code);

}  // namespace kelm::chip
