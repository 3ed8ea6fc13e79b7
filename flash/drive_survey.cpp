#include "flash/drive_survey.h"

#include <algorithm>
#include <array>

#include "chip/bridge_models.h"
#include "chip/firmware_file.h"
#include "chip/identification.h"
#include "device/commands.h"
#include "device/discovery.h"
#include "flash/flash_identification.h"

namespace kelm::flash {

namespace {

constexpr std::string_view kUsbPrefix = "<<USB>> ";
constexpr std::size_t kInquiryLength = 40;

std::string DriveName(const platform::Services& io, const std::string& path) {
  std::array<std::uint8_t, kInquiryLength> answer{};
  if (!device::Inquiry(io, path, answer)) return std::string(kUsbPrefix);
  const auto first = answer.begin() + 8;
  const auto last = std::find(first, first + 24, std::uint8_t{0});
  return std::string(kUsbPrefix) + std::string(first, last);
}

// The models whose serial flash the window identifies for its engineering fields.
bool ShowsSerialFlash(chip::UpdateProcedure procedure) {
  return procedure == chip::UpdateProcedure::SerialFlash ||
         procedure == chip::UpdateProcedure::Jmb352;
}

std::string ProcedureText(chip::UpdateProcedure procedure) {
  switch (procedure) {
    case chip::UpdateProcedure::SerialFlash: return "serial flash";
    case chip::UpdateProcedure::Jmb352: return "JMB352 image";
    case chip::UpdateProcedure::Jm20336: return "parallel flash";
    case chip::UpdateProcedure::None: break;
  }
  return {};
}

}  // namespace

std::vector<std::string> UsbStoragePaths(platform::SetupService& setup) {
  std::vector<std::string> paths;
  for (std::string_view interfaceClass :
       {platform::kDiskInterfaceClass, platform::kCdromInterfaceClass}) {
    const platform::DeviceInfoSet set = setup.GetClassDevs(interfaceClass);
    if (set == platform::kInvalidDeviceInfoSet) continue;
    platform::DeviceInterfaceData data;
    std::string path;
    for (std::uint32_t member = 0; setup.EnumDeviceInterfaces(set, interfaceClass, member, data) &&
                                   setup.GetDeviceInterfacePath(set, data, path);
         ++member) {
      if (setup.IsUsbStoragePath(path)) paths.push_back(path);
    }
    setup.DestroyDeviceInfoList(set);
  }
  return paths;
}

std::vector<std::string> DiscoverDrives(const platform::Services& io) {
  device::DevicePathTable table{};
  const int disks = device::EnumerateDiskDrives(io, table);
  const int cdroms = device::EnumerateCdromDrives(io, table, disks);
  const int count = std::min<int>(disks + cdroms, static_cast<int>(table.size()));
  return {table.begin(), table.begin() + count};
}

std::string ImageNameFor(chip::ChipCode code) {
  switch (chip::ProcedureFor(chip::ModelOf(code))) {
    case chip::UpdateProcedure::Jmb352: return std::string(chip::Jmb352ImageName(code));
    case chip::UpdateProcedure::SerialFlash:
    case chip::UpdateProcedure::Jm20336: return "FW339";
    case chip::UpdateProcedure::None: break;
  }
  return {};
}

DriveReport SurveyDrive(const platform::Services& io, const std::string& path) {
  DriveReport report;
  report.path = path;
  report.name = DriveName(io, path);
  report.code = chip::IdentifyBridgeChip(io, path);
  const std::uint8_t model = chip::ModelOf(report.code);
  report.modelName = chip::ModelName(model);
  report.firmwareVersion = chip::ReportFirmwareVersion(io, path, report.code).firmwareVersion;
  const chip::UpdateProcedure procedure = chip::ProcedureFor(model);
  report.kind = procedure;
  report.procedure = ProcedureText(procedure);
  report.hasSerialFlash = ShowsSerialFlash(procedure);
  if (report.hasSerialFlash) {
    const flash::SerialFlashIdentity identity = flash::IdentifySerialFlash(io, path);
    report.flashCode = identity.flashCode;
    report.flashMaker = identity.makerText;
    report.flashSize = identity.sizeBytes;
  }
  report.imageName = ImageNameFor(report.code);
  if (!report.imageName.empty()) report.imageSize = io.images.TakeImage(report.imageName).size();
  if (procedure == chip::UpdateProcedure::Jmb352 && report.imageSize > 0) {
    report.imageCurrent = chip::IsEmbeddedImageCurrent(io, path);
  }
  return report;
}

}  // namespace kelm::flash
