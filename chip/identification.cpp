#include "chip/identification.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>

#include "chip/bridge_models.h"
#include "chip/byte_text.h"
#include "device/commands.h"

namespace kelm::chip {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kInquiryLength = 40;
constexpr std::size_t kInquiryTagOffset = 36;
constexpr std::size_t kProductRecordLength = 16;
constexpr std::size_t kShortProductRecordLength = 12;
constexpr std::size_t kChipNameLength = 40;
constexpr std::size_t kChipNameRevisionByte = 5;
constexpr std::size_t kModelTextOffset = 8;
constexpr std::size_t kRevisionDigit = 11;
constexpr std::uint8_t kRevisionBase = 0x30;       // the revision digit counts from "0"
constexpr std::uint8_t kChipNameRevisionBase = 0x2F;  // the chip-name record counts from "0" = 1

// Models whose chip-name record may name the model or its revision more exactly.
constexpr std::array<std::uint8_t, 6> kModelsReadingChipName = {0, 1, 3, 4, 6, 11};
constexpr std::uint8_t kJm20335Model = 1;  // a failed chip-name read means its revision 1
constexpr std::uint8_t kJmb353Model = 7;

struct Identity {
  std::uint8_t model = 0;
  std::uint8_t revision = 0;
};

// Bytes 0-1 F4 E7 mark a product record of this maker.
bool HasSignature(Bytes record) { return ByteAt(record, 0) == 0xF4 && ByteAt(record, 1) == 0xE7; }

std::string HexPair(std::uint8_t high, std::uint8_t low) {
  char text[8];
  std::snprintf(text, sizeof text, "%X%X", high, low);
  return text;
}

bool IsUsbIdBridge(Bytes record) {
  const std::string vendor = HexPair(record[2], record[3]);
  const std::string product = HexPair(record[4], record[5]);
  return vendor.find("152D") != std::string::npos && product.find("2336") != std::string::npos;
}

// The model whose inquiry tag sits at bytes 36-39, 0 when none does.
std::uint8_t ModelFromInquiryTag(Bytes inquiry) {
  const Bytes tag = inquiry.subspan(kInquiryTagOffset);
  for (std::uint8_t model = 0; model < kBridgeModels.size(); ++model) {
    const std::string_view expected = kBridgeModels[model].inquiryTag;
    if (!expected.empty() && TextEquals(tag, expected)) return model;
  }
  return 0;
}

// The model whose product text matches the first three characters of bytes 8-11, 0 when none does.
std::uint8_t ModelFromProductText(Bytes record) {
  const Bytes modelText = record.subspan(kModelTextOffset);
  for (std::uint8_t model = 0; model < kBridgeModels.size(); ++model) {
    const std::string_view expected = kBridgeModels[model].productText;
    if (!expected.empty() && TextEquals(modelText, expected)) return model;
  }
  return 0;
}

// First stage: the inquiry tag, else the product record, else the chip register.
Identity IdentifyByRecords(const platform::Services& io, const std::string& path) {
  Identity id;
  std::array<std::uint8_t, kInquiryLength> inquiry{};
  if (!device::Inquiry(io, path, inquiry)) return id;
  id.model = ModelFromInquiryTag(inquiry);
  if (id.model != 0) return id;

  std::array<std::uint8_t, 2> chipRegister{};
  if (!device::ProbeBridge(io, path, chipRegister)) return id;
  std::array<std::uint8_t, kProductRecordLength> record{};
  if (!device::ReadChipInfo(io, path, record)) return id;

  if (HasSignature(record)) {
    if (IsUsbIdBridge(record)) {
      id.model = kUsbIdModel;
      return id;
    }
    id.model = ModelFromProductText(record);
    id.revision = static_cast<std::uint8_t>(record[kRevisionDigit] - kRevisionBase);
  } else {
    const unsigned value = chipRegister[0] | (chipRegister[1] << 8);
    id.model = static_cast<std::uint8_t>(kFirstRegisterModel + ((value >> 5) & 3));
  }
  return id;
}

void RefineByChipName(const platform::Services& io, const std::string& path, Identity& id) {
  std::array<std::uint8_t, kChipNameLength> record{};
  if (!device::ReadChipModel(io, path, record)) {
    if (id.model == kJm20335Model) id.revision = 1;
    return;
  }
  const std::uint8_t r = record[kChipNameRevisionByte];
  for (const ChipNameRecord& name : kChipNameRecords) {
    if (!TextEquals(record, name.text)) continue;
    id.model = name.model;
    id.revision = (name.zeroMeansFirstRevision && r == 0)
                      ? 1
                      : static_cast<std::uint8_t>(r - kChipNameRevisionBase);
    return;
  }
}

void RefineJmb353(const platform::Services& io, const std::string& path, Identity& id) {
  std::array<std::uint8_t, kShortProductRecordLength> record{};
  const bool read = device::ReadChipInfo(io, path, record);
  const std::uint8_t digit = record[kRevisionDigit];
  if (!read || !HasSignature(record) || (digit != '1' && digit != '2')) {
    io.boxes.Show("Error", "Get chip information fail !", platform::MessageIcon::Error);
    return;
  }
  id.revision = digit == '1' ? 1 : 2;
}

std::string FallbackVersion(std::uint8_t model) {
  if (model == 0) return "00.00";
  if (model == 1 || model == 2 || model == 4) return "02.00";
  return "01.00";
}

}  // namespace

ChipCode IdentifyBridgeChip(const platform::Services& io, const std::string& path) {
  Identity id = IdentifyByRecords(io, path);
  if (std::ranges::find(kModelsReadingChipName, id.model) != kModelsReadingChipName.end()) {
    RefineByChipName(io, path, id);
  } else if (id.model == kJmb353Model) {
    RefineJmb353(io, path, id);
  }
  return MakeChipCode(id.model, id.revision);
}

VersionReport ReportFirmwareVersion(const platform::Services& io, const std::string& path,
                                    ChipCode code) {
  VersionReport report;
  std::array<std::uint8_t, kProductRecordLength> record{};
  std::uint32_t transferred = 0;
  if (!device::ReadChipInfo(io, path, record, &transferred)) {
    report.firmwareVersion = FallbackVersion(ModelOf(code));
    return report;
  }
  if (!HasSignature(record)) {
    report.status = "Not JMicron Chip!!";
    return report;
  }
  char text[32];
  if (transferred > kShortProductRecordLength) {
    std::snprintf(text, sizeof text, "Ver %d.%.2d.%.2d", record[12], record[13], record[14]);
  } else {
    std::snprintf(text, sizeof text, "Ver %d.%.2d", record[6], record[7]);
  }
  report.firmwareVersion = text;
  return report;
}

}  // namespace kelm::chip
