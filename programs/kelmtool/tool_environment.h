#pragma once
// What a kelmtool run works with, whichever side it runs on: the simulated bench or the
// machine's own enclosures.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/disk_claim.h"
#include "platform/file_store.h"
#include "platform/flash_hold_off.h"
#include "platform/host.h"

namespace kelm::kelmtool {

// Where a drive sits on the machine; every field may be empty (the simulated bench has none).
struct DriveNodes {
  std::string sgNode;       // /dev/sgN
  std::string blockDevice;  // /dev/sdX, \\.\PhysicalDriveN
  std::string usbId;        // vvvv:pppp
  std::string driveLetters;  // "E: F:" (Windows)
};

// Maps what a user names a drive by onto the discovery paths, and back.
class DriveLocator {
 public:
  virtual ~DriveLocator() = default;
  virtual DriveNodes Describe(const std::string& discoveryPath) const = 0;
  // The discovery path among `paths` that `argument` names (an sg node, a block device or a
  // discovery path); a list number is handled by the caller. Nothing when none matches.
  virtual std::optional<std::string> Match(const std::string& argument,
                                           const std::vector<std::string>& paths) const = 0;
  // Whether the drive may be handed a synthetic test image: only the bench's simulated
  // enclosures may; every real one refuses them.
  virtual bool TakesSyntheticImages(const std::string& discoveryPath) const = 0;
};

// The re-plug that ends an update: removal of the enclosure, then its arrival.
class EnclosureWatch {
 public:
  virtual ~EnclosureWatch() = default;
  // True once a removal was seen and, after it, `foundAgain` (discovery of the enclosure)
  // answered true; false when that did not come in time.
  virtual bool AwaitReplug(const std::function<bool()>& foundAgain) = 0;
};

struct ToolEnvironment {
  const platform::Services& io;  // device file with the trace, when one was asked for
  platform::DiskClaim& claim;
  platform::FileStore& files;
  const DriveLocator& locator;
  EnclosureWatch& watch;
  // Held from an update's or restore's first flash change until its procedure ends.
  platform::FlashHoldOff& holdOff = platform::NothingHeldOff();
};

}  // namespace kelm::kelmtool
