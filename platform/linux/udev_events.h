#pragma once
// Device events of the scsi_generic subsystem, as udev announces them once its rules ran
// (the node exists with its final owner and mode by then).

#include <optional>
#include <string>

struct udev;
struct udev_monitor;

namespace kelm::linux_platform {

struct UdevEvent {
  std::string action;   // "add", "remove", "change", "bind", ...
  std::string sysname;  // "sg2"
};

class UdevEventSource {
 public:
  virtual ~UdevEventSource() = default;
  // The descriptor that becomes readable when events wait; -1 when there is no source.
  virtual int Fd() const = 0;
  // The next waiting event, nothing when none waits (never blocks).
  virtual std::optional<UdevEvent> Receive() = 0;
};

// The udev daemon's event stream, filtered to scsi_generic.
class LibudevMonitor final : public UdevEventSource {
 public:
  LibudevMonitor();
  ~LibudevMonitor() override;
  LibudevMonitor(const LibudevMonitor&) = delete;
  LibudevMonitor& operator=(const LibudevMonitor&) = delete;

  int Fd() const override;
  std::optional<UdevEvent> Receive() override;

 private:
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
};

}  // namespace kelm::linux_platform
