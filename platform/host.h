#pragma once
// What the procedures may reach outside the core: the platform services, and the narrow
// host interface the window implements (status text, progress, message pump, options).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/device_file.h"
#include "platform/file_store.h"
#include "platform/setup_service.h"
#include "platform/system.h"

namespace kelm::platform {

enum class MessageIcon { None, Error, Information };

// Modal message boxes with an OK button only.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void Show(std::string_view caption, std::string_view text, MessageIcon icon) = 0;
};

// Firmware images carried by the program, looked up by name ("FW352A", "FW352B", "FW339").
class ImageSource {
 public:
  virtual ~ImageSource() = default;
  // The image's bytes, or an empty span when the program carries no image of that name.
  virtual std::span<const std::uint8_t> TakeImage(std::string_view name) const = 0;
  // The image for the drive at `devicePath`, which a program may withhold from some drives
  // (a synthetic test image from a real enclosure).
  virtual std::span<const std::uint8_t> TakeImageFor(std::string_view name,
                                                     const std::string& devicePath) const {
    static_cast<void>(devicePath);
    return TakeImage(name);
  }
};

// Everything the core talks to, passed down by reference.
struct Services {
  DeviceFile& file;
  SetupService& setup;
  Clock& clock;
  DebugOutput& debug;
  StandardOutput& out;
  MessageBoxes& boxes;
  const ImageSource& images;
  FileStore& files;
};

// The window's options that the procedures read.
struct Options {
  bool rdCheckBox = false;        // RdCheckBox
  bool backupFwCheckBox = false;  // BackupFWCheckBox
  bool eraseOnlyFlag = false;     // EraseOnlyFlag
  bool a1ChipCheck = false;       // A1ChipCheck
  std::string backupFileName;     // BackupFileEdit text
  std::string sFlashTypeText;     // SFlashTypeLable text
  std::int32_t flashCode = -1;    // FlashCode
};

// A run of the panel that only reads the flash into the backup file: nothing on the drive
// changes.
inline bool IsBackupOnly(const Options& options) {
  return options.rdCheckBox && options.backupFwCheckBox && !options.eraseOnlyFlag;
}

class Host {
 public:
  virtual ~Host() = default;
  virtual const Services& services() = 0;
  // StatusEdit: replace or read its text. Callers pump messages themselves where required.
  virtual void SetStatus(std::string_view text) = 0;
  virtual std::string Status() const = 0;
  // One pass of the window's message processing.
  virtual void ProcessMessages() = 0;
  // Moves the progress bar by `step` percent, clamped at 100, only while it is visible.
  virtual void AdvanceProgress(std::int32_t step) = 0;
  virtual Options options() const = 0;

  void AppendStatus(std::string_view text) { SetStatus(Status() + std::string(text)); }
};

}  // namespace kelm::platform
