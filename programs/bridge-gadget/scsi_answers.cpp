#include "programs/bridge-gadget/scsi_answers.h"

#include <algorithm>
#include <string_view>

namespace kelm::gadget {

namespace {
constexpr std::uint32_t kDiskBlocks = 128;  // 64 KiB, zeros until written
constexpr std::uint32_t kDiskBlockSize = 512;
constexpr std::uint32_t kCdromBlockSize = 2048;
constexpr std::uint8_t kIllegalRequest = 0x05;
constexpr std::uint8_t kInvalidOpcode = 0x20;
constexpr std::uint8_t kInvalidFieldInCdb = 0x24;
constexpr std::uint8_t kLbaOutOfRange = 0x21;
constexpr std::uint8_t kDataProtect = 0x07;
constexpr std::uint8_t kWriteProtected = 0x27;

// A standard inquiry answer for a scenario that gives none: the kernel needs one to attach.
std::vector<std::uint8_t> DefaultInquiry() {
  std::vector<std::uint8_t> answer = {0x00, 0x00, 0x02, 0x02, 31, 0, 0, 0};
  for (char c : std::string_view("Kelm    Bridge          0100")) answer.push_back(static_cast<std::uint8_t>(c));
  return answer;
}

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}
}  // namespace

ScsiUnit::ScsiUnit(std::uint8_t type, std::vector<std::uint8_t> inquiry)
    : type_(type),
      inquiry_(inquiry.empty() ? DefaultInquiry() : std::move(inquiry)),
      blockSize_(type == 5 ? kCdromBlockSize : kDiskBlockSize),
      medium_(std::size_t{kDiskBlocks} * kDiskBlockSize, 0) {
  // The kernel reads at least the 36 standard bytes.
  if (inquiry_.size() < 36) inquiry_.resize(36, 0x20);
  inquiry_[0] = static_cast<std::uint8_t>((inquiry_[0] & 0xE0) | type_);
}

ScsiResult ScsiUnit::Refuse(std::uint8_t key, std::uint8_t asc) {
  sense_ = {};
  sense_[0] = 0x70;
  sense_[2] = key;
  sense_[7] = 10;
  sense_[12] = asc;
  return {false, {}};
}

void ScsiUnit::RefuseUnknownCommand() { Refuse(kIllegalRequest, kInvalidOpcode); }

// READ(10) and WRITE(10) of the medium; a CD-ROM is read-only.
ScsiResult ScsiUnit::Transfer(std::span<const std::uint8_t> cdb, std::span<const std::uint8_t> out) {
  if (cdb.size() < 10) return Refuse(kIllegalRequest, kInvalidFieldInCdb);
  const std::uint32_t lba = std::uint32_t{cdb[2]} << 24 | std::uint32_t{cdb[3]} << 16 |
                            std::uint32_t{cdb[4]} << 8 | cdb[5];
  const std::uint32_t count = std::uint32_t{cdb[7]} << 8 | cdb[8];
  const std::size_t blocks = medium_.size() / blockSize_;
  if (std::uint64_t{lba} + count > blocks) return Refuse(kIllegalRequest, kLbaOutOfRange);
  const auto first = medium_.begin() + static_cast<std::ptrdiff_t>(std::size_t{lba} * blockSize_);
  const std::size_t bytes = std::size_t{count} * blockSize_;
  ScsiResult result;
  if (cdb[0] == 0x28) {
    result.data.assign(first, first + static_cast<std::ptrdiff_t>(bytes));
  } else {
    if (type_ == 5) return Refuse(kDataProtect, kWriteProtected);
    if (out.size() < bytes) return Refuse(kIllegalRequest, kInvalidFieldInCdb);
    std::copy(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(bytes), first);
  }
  return result;
}

ScsiResult ScsiUnit::Execute(std::span<const std::uint8_t> cdb, std::uint32_t asked,
                             std::span<const std::uint8_t> out) {
  const std::uint32_t blockSize = blockSize_;
  const std::uint32_t blocks = static_cast<std::uint32_t>(medium_.size() / blockSize_);
  ScsiResult result;
  switch (cdb[0]) {
    case 0x00:  // TEST UNIT READY
    case 0x1B:  // START STOP UNIT
    case 0x1E:  // PREVENT ALLOW MEDIUM REMOVAL
    case 0x35:  // SYNCHRONIZE CACHE(10)
      break;
    case 0x03:  // REQUEST SENSE: the last refusal's sense, once; then "no sense"
      if (sense_[0] == 0) {
        sense_[0] = 0x70;
        sense_[7] = 10;
      }
      result.data.assign(sense_.begin(), sense_.end());
      sense_ = {};
      break;
    case 0x12:  // INQUIRY: the standard answer only; vital product data pages are refused
      if (cdb.size() < 6 || (cdb[1] & 0x01) != 0) return Refuse(kIllegalRequest, kInvalidFieldInCdb);
      result.data = inquiry_;
      break;
    case 0x1A:  // MODE SENSE(6): a header without pages, not write-protected
      result.data = {3, 0, 0, 0};
      break;
    case 0x5A:  // MODE SENSE(10)
      result.data = {0, 6, 0, 0, 0, 0, 0, 0};
      break;
    case 0x25:  // READ CAPACITY(10)
      PutBe32(result.data, blocks - 1);
      PutBe32(result.data, blockSize);
      break;
    case 0x9E:  // SERVICE ACTION IN(16): READ CAPACITY(16)
      if ((cdb[1] & 0x1F) != 0x10) return Refuse(kIllegalRequest, kInvalidOpcode);
      PutBe32(result.data, 0);
      PutBe32(result.data, blocks - 1);
      PutBe32(result.data, blockSize);
      result.data.resize(32, 0);
      break;
    case 0x28:  // READ(10)
    case 0x2A:  // WRITE(10)
      result = Transfer(cdb, out);
      if (!result.passed) return result;
      break;
    default:  // ATA PASS-THROUGH and everything else this unit does not do
      return Refuse(kIllegalRequest, kInvalidOpcode);
  }
  if (result.data.size() > asked) result.data.resize(asked);
  return result;
}

}  // namespace kelm::gadget
