#include "tests/faults/update_paths.h"

#include <algorithm>
#include <array>

#include "chip/jm20336_update.h"
#include "flash/engine_settings.h"
#include "flash/jmb352_update.h"
#include "flash/programming.h"

namespace kelm::test {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kFlashSize = 65536;
// Not a multiple of the page size, so the last page carries padding; over 32 KiB, so a
// second erase unit is needed.
constexpr std::size_t kFw339Size = 40000;
constexpr std::size_t kJmb352Piece = 16384;
constexpr std::size_t kJmb352Block = 32768;
// The engineering runs work on a smaller range to keep the matrix quick.
constexpr std::uint32_t kEngineeringSize = 32768;
constexpr std::uint32_t kEngineeringPage = 8192;

// The boot-sector AMIC parts: small units at the bottom, as their erase pattern expects.
const std::vector<std::uint32_t> kBootSectorUnits = {0x0000, 0x1000, 0x3000, 0x7000, 0xF000};

Bytes Fw339Image() {
  Bytes image(kFw339Size);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 13 + 5);
  return image;
}

Bytes Erased(std::size_t size) { return Bytes(size, 0xFF); }

// --- enclosures ---

template <int Revision>
sim::DeviceSpec Jmb352() {
  sim::DeviceSpec device = Jmb352Device(Revision, OldFirmware(kFlashSize));
  device.serialFlash->busyPolls = 1;
  return device;
}

sim::DeviceSpec SerialBridge(std::vector<std::uint32_t> unitStarts) {
  sim::DeviceSpec device;
  sim::SerialFlashSpec flash;
  flash.size = kFlashSize;
  flash.eraseUnitStarts = std::move(unitStarts);
  flash.content.file = OldFirmware(kFlashSize);
  flash.busyPolls = 1;
  device.serialFlash = flash;
  return device;
}

sim::DeviceSpec UniformSerialBridge() { return SerialBridge({}); }
sim::DeviceSpec BootSectorSerialBridge() { return SerialBridge(kBootSectorUnits); }

template <int Type>
sim::DeviceSpec ParallelBridge() {
  sim::DeviceSpec device;
  sim::ParallelFlashSpec flash;
  flash.type = Type;
  flash.content.file = OldFirmware(kFlashSize);
  flash.busyReads = 1;
  device.parallelFlash = flash;
  return device;
}

// --- set-up ---

void NothingToPrepare(Rig&, RecordingHost&, const RunContext&) {}

template <int FlashCode>
void PrepareProgramming(Rig& rig, RecordingHost& host, const RunContext&) {
  rig.images.Set("FW339", Fw339Image());
  host.opts.flashCode = FlashCode;
  host.opts.sFlashTypeText = FlashCode == -1 ? "WINBOND" : "AMIC";
}

void PrepareSerialErase(Rig&, RecordingHost& host, const RunContext&) {
  flash::FirmwareSize = kEngineeringSize;
  flash::TransferPageSize = kEngineeringPage;
  host.opts.rdCheckBox = true;
  host.opts.eraseOnlyFlag = true;
}

void PrepareSerialBackup(Rig&, RecordingHost& host, const RunContext& context) {
  flash::FirmwareSize = kEngineeringSize;
  host.opts.rdCheckBox = true;
  host.opts.backupFwCheckBox = true;
  host.opts.backupFileName = context.backupFile.string();
}

void PrepareJm20336(Rig& rig, RecordingHost&, const RunContext&) {
  rig.images.Set("FW339", Fw339Image());
}

void PrepareJm20336Erase(Rig&, RecordingHost& host, const RunContext&) {
  host.opts.eraseOnlyFlag = true;
}

void PrepareJm20336Backup(Rig&, RecordingHost& host, const RunContext& context) {
  host.opts.backupFwCheckBox = true;
  host.opts.backupFileName = context.backupFile.string();
}

// --- runs ---

bool RunJmb352(RecordingHost& host, const std::string& path) {
  return flash::UpdateJmb352(host, path) != 0;
}

bool RunSerialFlash(RecordingHost& host, const std::string& path) {
  return flash::ProgramFirmware(host, path) != 0;
}

template <int Type>
bool RunJm20336(RecordingHost& host, const std::string& path) {
  return chip::UpdateJm20336(host, path, Type);
}

// --- the flash a successful run leaves ---

// The kept parameter block, the image from byte 4096 on, zero up to the last 16 KiB piece;
// the rest of the erased blocks reads erased, the flash beyond them is untouched.
template <int Revision>
Bytes Jmb352Flash(std::span<const std::uint8_t> original, const Rig& rig) {
  const auto image = rig.images.TakeImage(Revision == 1 ? "FW352A" : "FW352B");
  const std::size_t size = std::max(image.size(), kJmb352Piece);
  const std::size_t total = (size + kJmb352Piece - 1) / kJmb352Piece * kJmb352Piece;
  const std::size_t erased = (total + kJmb352Block - 1) / kJmb352Block * kJmb352Block;
  Bytes flash(original.begin(), original.end());
  std::fill(flash.begin(), flash.begin() + static_cast<std::ptrdiff_t>(erased), 0xFF);
  std::copy_n(original.begin(), kParameterBlockSize, flash.begin());
  std::fill(flash.begin() + kParameterBlockSize, flash.begin() + static_cast<std::ptrdiff_t>(total), 0);
  std::copy(image.begin() + kParameterBlockSize, image.end(), flash.begin() + kParameterBlockSize);
  return flash;
}

// Both erase patterns clear every unit the image touches and the units after it.
Bytes Fw339Flash(std::span<const std::uint8_t>, const Rig&) {
  Bytes flash = Erased(kFlashSize);
  const Bytes image = Fw339Image();
  std::copy(image.begin(), image.end(), flash.begin());
  return flash;
}

Bytes SerialErasedFlash(std::span<const std::uint8_t> original, const Rig&) {
  Bytes flash(original.begin(), original.end());
  std::fill(flash.begin(), flash.begin() + kEngineeringSize, 0xFF);
  return flash;
}

Bytes ParallelErasedFlash(std::span<const std::uint8_t>, const Rig&) { return Erased(kFlashSize); }

Bytes Unchanged(std::span<const std::uint8_t> original, const Rig&) {
  return Bytes(original.begin(), original.end());
}

// --- what a misbehaving request may lead to ---

bool Is(const TracedRequest& request, std::string_view command) {
  return request.command == command;
}

bool IsIdentification(const TracedRequest& request) {
  static constexpr std::array<std::string_view, 4> kCommands = {"Inquiry", "ProbeBridge",
                                                               "ReadChipInfo", "ReadChipModel"};
  return std::ranges::find(kCommands, request.command) != kCommands.end();
}

// The JMB352: its reads are the parameter-block save, two blank checks per erased block,
// then one read-back per written piece. Erase and blank-check failures say nothing.
template <int Blocks>
Expectation ExpectJmb352(const TracedRequest& request, FaultKind) {
  constexpr std::uint32_t kBlankChecks = 2 * Blocks;
  // A glitch while identifying may leave the bridge unrecognised, which ends the run
  // without a word; one that does not change the answer changes nothing.
  if (IsIdentification(request)) return FailsWith({""});
  if (Is(request, "ReadFlash")) {
    if (request.nth == 1) return FailsWith({"Backup NVRAM command fail!"});
    if (request.nth <= 1 + kBlankChecks) return FailsWith({""});
    return FailsWith({"Write command fail!"});
  }
  if (Is(request, "EraseFlashSector")) return FailsWith({""});
  if (Is(request, "WriteFlash")) return FailsWith({"Write command fail!"});
  return Succeeds();  // status polls: their outcome is not examined
}

template <bool BootSectors>
Expectation ExpectSerialProgramming(const TracedRequest& request, FaultKind kind) {
  if (Is(request, "EraseFlashSector")) {
    // The boot-sector units are erased without looking at the answer; the blank check
    // finds a unit that was not erased.
    if (BootSectors && request.nth <= 4) {
      return kind == FaultKind::Fail ? FailsWith({"Data not 0xff !!"}) : Succeeds();
    }
    return FailsWith({"Erase command fail!!"});
  }
  if (Is(request, "ReadFlash")) {
    if (request.nth == 1) {
      if (kind == FaultKind::Short) return FailsWith({"Data not 0xff !!", "Read Back Erased Flash Error!!"});
      return FailsWith({"Read Back Erased Flash Error!!"});
    }
    return FailsWith({"Read Fail!!\r\n"});
  }
  if (Is(request, "WriteFlash")) return FailsWith({"Programming Fail!!"});
  return Succeeds();
}

Expectation ExpectSerialErase(const TracedRequest& request, FaultKind kind) {
  if (Is(request, "EraseFlashSector")) return FailsWith({"Erase command fail!!"});
  // The erase went through; a read-back that fails is not checked, one that comes back
  // short must not pass for an erased flash.
  if (Is(request, "ReadFlash") && kind == FaultKind::Short) return FailsWith({"Data not 0xff !!"});
  return Succeeds();
}

Expectation ExpectSerialBackup(const TracedRequest& request, FaultKind) {
  if (Is(request, "ReadFlash")) return FailsWith({"Read Back to Backup Error!!"});
  return Succeeds();
}

Expectation ExpectJm20336(const TracedRequest& request, FaultKind kind) {
  if (Is(request, "SwitchToInternalRom")) return FailsWith({"Can't switch to internal ROM"});
  if (Is(request, "PreEraseParallelFlash")) return FailsWith({"Error pre-erase command!!"});
  // A failed erase does not stop the update; the compare after programming decides.
  if (Is(request, "EraseParallelFlash")) {
    return kind == FaultKind::Fail ? FailsWith({"Compare Fail!!"}) : Succeeds();
  }
  if (Is(request, "ReadParallelFlash")) {
    if (request.nth == 1) {
      return kind == FaultKind::Short ? FailsWith({"Not Erase correctly!"}) : Succeeds();
    }
    return FailsWith({"Read Fail!!"});
  }
  if (Is(request, "ProgramParallelFlash")) return FailsWith({"Programming Fail!!"});
  return Succeeds();  // busy reads: a failed one counts as busy and is read again
}

Expectation ExpectJm20336Erase(const TracedRequest& request, FaultKind kind) {
  if (Is(request, "SwitchToInternalRom")) return FailsWith({"Can't switch to internal ROM"});
  if (Is(request, "PreEraseParallelFlash")) return FailsWith({"Error pre-erase command!!"});
  if (Is(request, "EraseParallelFlash")) return FailsWith({"Erase command fail!!"});
  // The erase went through; a read-back that fails is reported but not held against it.
  if (Is(request, "ReadParallelFlash")) {
    return kind == FaultKind::Short ? FailsWith({"Not Erase correctly!"})
                                    : SucceedsSaying("Read Back after Erase fail!!");
  }
  return Succeeds();
}

Expectation ExpectJm20336Backup(const TracedRequest& request, FaultKind) {
  if (Is(request, "SwitchToInternalRom")) return FailsWith({"Can't switch to internal ROM"});
  if (Is(request, "ReadParallelFlash")) return FailsWith({"Read ROM fail!!"});
  return Succeeds();
}

using enum FlashKind;

const std::array<UpdatePath, 12> kUpdatePaths = {{
    {"Jmb352Revision1", Serial, true, false, Jmb352<1>, NothingToPrepare, RunJmb352,
     Jmb352Flash<1>, ExpectJmb352<1>},
    {"Jmb352Revision2", Serial, true, false, Jmb352<2>, NothingToPrepare, RunJmb352,
     Jmb352Flash<2>, ExpectJmb352<2>},
    {"SerialFlashCode1", Serial, false, false, BootSectorSerialBridge, PrepareProgramming<1>,
     RunSerialFlash, Fw339Flash, ExpectSerialProgramming<true>},
    {"SerialFlashCode4", Serial, false, false, UniformSerialBridge, PrepareProgramming<4>,
     RunSerialFlash, Fw339Flash, ExpectSerialProgramming<false>},
    {"SerialFlashCodeNone", Serial, false, false, UniformSerialBridge, PrepareProgramming<-1>,
     RunSerialFlash, Fw339Flash, ExpectSerialProgramming<false>},
    {"SerialEraseOnly", Serial, false, false, UniformSerialBridge, PrepareSerialErase,
     RunSerialFlash, SerialErasedFlash, ExpectSerialErase},
    {"SerialBackupOnly", Serial, false, true, UniformSerialBridge, PrepareSerialBackup,
     RunSerialFlash, Unchanged, ExpectSerialBackup},
    {"Jm20336FlashType0", Parallel, false, false, ParallelBridge<0>, PrepareJm20336,
     RunJm20336<0>, Fw339Flash, ExpectJm20336},
    {"Jm20336FlashType1", Parallel, false, false, ParallelBridge<1>, PrepareJm20336,
     RunJm20336<1>, Fw339Flash, ExpectJm20336},
    {"Jm20336FlashType2", Parallel, false, false, ParallelBridge<2>, PrepareJm20336,
     RunJm20336<2>, Fw339Flash, ExpectJm20336},
    {"Jm20336EraseOnly", Parallel, false, false, ParallelBridge<0>, PrepareJm20336Erase,
     RunJm20336<0>, ParallelErasedFlash, ExpectJm20336Erase},
    {"Jm20336BackupOnly", Parallel, false, true, ParallelBridge<0>, PrepareJm20336Backup,
     RunJm20336<0>, Unchanged, ExpectJm20336Backup},
}};

}  // namespace

std::span<const UpdatePath> UpdatePaths() { return kUpdatePaths; }

std::vector<std::uint8_t> OldFirmware(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 7 + 3) % 251 + 1);
  return bytes;
}

}  // namespace kelm::test
