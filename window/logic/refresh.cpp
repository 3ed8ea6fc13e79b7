// Rebuilding the drive list: at start-up, on the refresh button and on every USB arrival
// or removal.

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "chip/firmware_file.h"
#include "chip/identification.h"
#include "device/commands.h"
#include "device/discovery.h"
#include "window/logic/fw_tool.h"

namespace kelm::window {

namespace {

constexpr std::string_view kNoDevice = "                 No device found!!";
constexpr std::string_view kAlreadyUpdated = "        The chip already updated!!";
constexpr std::string_view kQuestion = "Please ensure to update the firmware";
constexpr std::string_view kNoAvailableDevice = "No available device!!!";
constexpr std::string_view kUsbPrefix = "<<USB>> ";

constexpr std::uint8_t kJmb352 = 6;

// The bridges the program carries an embedded image for.
bool TakesEmbeddedImage(chip::ChipCode code) {
  const std::uint8_t revision = chip::RevisionOf(code);
  return chip::ModelOf(code) == kJmb352 && (revision == 1 || revision == 2);
}

// ASCII only: the path's other bytes must not change with the process's locale.
void ToLowerInPlace(std::string& text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
}

// Vendor and product identification of the inquiry answer: 24 Latin-1 characters, cut at a
// zero byte, in UTF-8; empty when the drive does not answer.
std::string DriveName(const platform::Services& io, const std::string& path) {
  std::array<std::uint8_t, 40> answer{};
  if (!device::Inquiry(io, path, answer)) return {};
  const auto first = answer.begin() + 8;
  const auto last = std::find(first, first + 24, std::uint8_t{0});
  std::string name;
  for (auto byte = first; byte != last; ++byte) {
    if (*byte < 0x80) {
      name += static_cast<char>(*byte);
    } else {
      name += static_cast<char>(0xC0 | (*byte >> 6));
      name += static_cast<char>(0x80 | (*byte & 0x3F));
    }
  }
  return name;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

}  // namespace

void TZintFwTool::ReleaseClaimOfGoneDrive(const device::DevicePathTable& present, int count) {
  if (heldDrive_.empty()) return;
  const auto end = present.begin() + count;
  const bool there = std::any_of(present.begin(), end, [&](const std::string& path) {
    return EqualsIgnoringAsciiCase(path, heldDrive_);
  });
  if (there) return;
  env_.diskClaim.Release();
  heldDrive_.clear();
}

void TZintFwTool::RefreshBtnClick() {
  // Not in the middle of an update: it would re-enable YES and talk to the drive being written.
  if (updateRunning_) return;
  // A message box of a running refresh lets device changes through. Rebuilding the list under
  // that refresh would part its items from their records, so run once more after it instead.
  if (refreshing_) {
    refreshPending_ = true;
    return;
  }
  refreshing_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{refreshing_};
  do {
    refreshPending_ = false;
    Refresh();
  } while (refreshPending_);
}

void TZintFwTool::Refresh() {
  controls_.SetVisible("replugLable1", false);
  controls_.SetVisible("replugLable2", false);
  controls_.SetVisible("ExtBtn", false);
  controls_.SetVisible("devLable", true);

  const Listing listing = env_.service != nullptr ? ListServedDrives() : ListProbedDrives();
  if (DriveCount != 0) {
    controls_.SetEnabled("DeviceList", true);
    controls_.SetItemIndex("DeviceList", 0);
    UpdateBtnCheck();
  } else {
    controls_.ClearItems("DeviceList");
    controls_.AddItem("DeviceList", kNoAvailableDevice);
    controls_.SetItemIndex("DeviceList", 0);
    controls_.SetEnabled("DeviceList", false);
    controls_.SetEnabled("UpdateBtn", false);
    controls_.SetText("ChipLabelEdit", "");
    controls_.SetText("DiskLetterLable", "");
    controls_.SetText("FwVerLableEdit", "");
    controls_.SetText("SFlashTypeLable", "");
    SetStatus("");
    controls_.SetEnabled("FlashTypeList", false);
    controls_.SetEnabled("A1ChipCheck", false);
    controls_.SetVisible("NVRAMCheck", false);
  }

  const bool question = listing.listed != 0;
  controls_.SetColor("devLable", question ? kBlack : kRed);
  controls_.SetText("devLable", question ? kQuestion : listing.already ? kAlreadyUpdated : kNoDevice);
  controls_.SetVisible("ExtBtn", !question);
  for (std::string_view button : {"EraseButton", "ExitBtn"}) {
    controls_.SetEnabled(button, question);
    controls_.SetVisible(button, question);
  }
}

TZintFwTool::Listing TZintFwTool::ListProbedDrives() {
  const platform::Services& io = env_.services;
  device::DevicePathTable paths{};
  const int disks = device::EnumerateDiskDrives(io, paths);
  const int cdroms = device::EnumerateCdromDrives(io, paths, disks);
  DriveCount = std::min(disks + cdroms, static_cast<int>(paths.size()));
  ReleaseClaimOfGoneDrive(paths, DriveCount);

  Listing listing;
  releaseAtExit_.clear();
  if (DriveCount == 0) return listing;
  controls_.ClearItems("DeviceList");
  for (int i = 0; i < DriveCount; ++i) {
    std::string& path = paths[static_cast<std::size_t>(i)];
    if (!TakesEmbeddedImage(chip::IdentifyBridgeChip(io, path))) continue;
    ToLowerInPlace(path);
    const std::string name = DriveName(io, path);
    DriveRecords[static_cast<std::size_t>(listing.listed)] = {path, {}, {}};
    device::EnterCommand(io, path);
    if (chip::IsEmbeddedImageCurrent(io, path)) {
      listing.already = true;
      continue;
    }
    controls_.AddItem("DeviceList", std::string(kUsbPrefix) + name);
    ++listing.listed;
  }
  // The CD-ROM-class drives get the command session too, and leave it at exit.
  for (int i = disks; i < DriveCount; ++i) {
    const std::string& path = paths[static_cast<std::size_t>(i)];
    releaseAtExit_.push_back(path);
    device::EnterCommand(io, path);
  }
  return listing;
}

// The service surveyed every drive with the same commands, and opens the command sessions
// itself; the window asks no drive anything.
TZintFwTool::Listing TZintFwTool::ListServedDrives() {
  const std::vector<platform::ServedEnclosure> served = env_.service->List();
  DriveCount = static_cast<int>(std::min(served.size(), DriveRecords.size()));

  Listing listing;
  if (DriveCount == 0) return listing;
  controls_.ClearItems("DeviceList");
  for (int i = 0; i < DriveCount; ++i) {
    const platform::ServedEnclosure& enclosure = served[static_cast<std::size_t>(i)];
    if (!TakesEmbeddedImage(enclosure.code)) continue;
    DriveRecords[static_cast<std::size_t>(listing.listed)] = {enclosure.handle, {}, enclosure};
    if (enclosure.imageCurrent) {
      listing.already = true;
      continue;
    }
    controls_.AddItem("DeviceList", enclosure.item);
    ++listing.listed;
  }
  return listing;
}

void TZintFwTool::DeviceChange(std::uint32_t eventCode) {
  if (eventCode != platform::kDeviceArrival && eventCode != platform::kDeviceRemoveComplete) {
    return;
  }
  // Dropped while an update runs: the end screen stays until the next event.
  if (updateRunning_) return;
  RefreshBtnClick();
}

}  // namespace kelm::window
