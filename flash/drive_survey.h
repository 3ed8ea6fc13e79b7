#pragma once
// What kelmtool and the service learn of a drive before they do anything: the same discovery as the
// window's, the bridge, its firmware version, the serial flash, and what an update would
// do. Only commands that read are sent.

#include <cstdint>
#include <string>
#include <vector>

#include "chip/bridge_models.h"
#include "chip/chip_code.h"
#include "platform/host.h"

namespace kelm::flash {

// The USB-storage interface paths of both classes, without sending anything to a drive.
std::vector<std::string> UsbStoragePaths(platform::SetupService& setup);

// Disk paths first, then CD-ROM paths, as the window's refresh lists them.
std::vector<std::string> DiscoverDrives(const platform::Services& io);

struct DriveReport {
  std::string path;
  std::string name;  // "<<USB>> " and the inquiry's vendor and product text
  chip::ChipCode code = 0;
  std::string modelName;
  std::string firmwareVersion;  // the version report's text; empty for a foreign bridge
  bool hasSerialFlash = false;  // models whose flash identification the window shows
  std::int32_t flashCode = -1;
  std::string flashMaker;       // the window's text ("WINBOND")
  std::uint64_t flashSize = 0;  // bytes; 0 when the flash does not tell
  chip::UpdateProcedure kind = chip::UpdateProcedure::None;
  std::string procedure;   // "JMB352 image", "serial flash", "parallel flash", or empty
  std::string imageName;   // the image an update takes: FW352A, FW352B, FW339; or empty
  std::size_t imageSize = 0;
  bool imageCurrent = false;  // a JMB352 whose flash already holds the image
};

DriveReport SurveyDrive(const platform::Services& io, const std::string& path);

// The image name the update procedure of a bridge asks for; empty when it has none.
std::string ImageNameFor(chip::ChipCode code);

}  // namespace kelm::flash
