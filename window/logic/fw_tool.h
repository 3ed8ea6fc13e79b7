#pragma once
// The main window's logic: the operator's question screen, the hidden engineering panel, and
// all state of a run (the drive table, the selected drive's codes, the options). A face shows
// the controls and calls the handlers; this owns everything else.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chip/chip_code.h"
#include "chip/identification.h"
#include "device/discovery.h"
#include "device/flash_change_span.h"
#include "flash/flash_identification.h"
#include "platform/enclosure_service.h"
#include "platform/host.h"
#include "window/logic/controls.h"
#include "window/logic/window_environment.h"

namespace kelm::window {

inline constexpr int kClientWidth = 338;
inline constexpr int kClientHeight = 229;

// One candidate drive; entry k belongs to item k of DeviceList.
struct DriveRecord {
  std::string DevicePath;
  std::string DriveText;  // shown in DiskLetterLable; nothing fills it
  platform::ServedEnclosure served;  // the service's survey, when the window goes through one
};

class TZintFwTool final : public platform::Host {
 public:
  TZintFwTool(Controls& controls, Frame& frame, ui::WindowEnvironment env);
  ~TZintFwTool() override;
  TZintFwTool(const TZintFwTool&) = delete;
  TZintFwTool& operator=(const TZintFwTool&) = delete;

  // The start-up: the lists filled, the first refresh, the panel, the device notifications.
  // The face calls it once its controls reach the handlers.
  void Start();

  // True while YES or Run is inside an update procedure.
  bool updateRunning() const { return updateRunning_; }
  // True once a close went through; the program then destroys the window.
  bool isClosed() const { return closed_; }

  // platform::Host
  const platform::Services& services() override {
    return procedure_ ? procedure_->services() : env_.services;
  }
  void SetStatus(std::string_view text) override;
  std::string Status() const override;
  void ProcessMessages() override;
  void AdvanceProgress(std::int32_t step) override;
  platform::Options options() const override;

  // Event handlers, named after their control and event.
  void RefreshBtnClick();
  void UpdateBtnCheck();
  void RdCheckBoxClick();
  void EraseOnlyCheckClick(int tag);
  void LoadBtnClick();
  void BackupBtnClick();
  void FwSizeCheckChange(int index);
  void FwPgSizeCheckChange(int index);
  void EraseButtonClick();
  void UpdateBtnClick();
  void ExitBtnClick();
  void StatusEditChange(const std::string& text);
  // A device-change notification: arrival and removal refresh, other codes change nothing.
  void DeviceChange(std::uint32_t eventCode);
  // The window is asked to close: true when it may (never under a running procedure).
  bool CloseRequested();
  // The session is asked to end (shutdown, logoff): never while a flash is changing.
  bool SessionMayEnd() const { return !procedure_ || !procedure_->changing(); }

 private:
  // Marks an update as running for its lifetime; a close asked for meanwhile happens at its end.
  class UpdateScope;

  // What one refresh put in the list.
  struct Listing {
    int listed = 0;        // drives that take the update
    bool already = false;  // a drive whose flash already holds it
  };

  // One pass of RefreshBtnClick.
  void Refresh();
  // The drives probed by this program, or surveyed by the service; both fill DriveCount,
  // DriveRecords and, when any drive is there, DeviceList.
  Listing ListProbedDrives();
  Listing ListServedDrives();
  // The selected drive's bridge, serial flash and firmware version: asked of the drive, or
  // taken from the service's survey.
  chip::ChipCode BridgeCodeOf(const DriveRecord& drive) const;
  flash::SerialFlashIdentity SerialFlashOf(const DriveRecord& drive) const;
  chip::VersionReport VersionOf(const DriveRecord& drive) const;
  // YES's screens around the procedure: the bar while it runs, the end screen after it.
  void ShowProgressScreen();
  void ShowOutcome(bool success);
  // YES and Run when the service runs the procedures.
  void UpdateThroughService();
  void RunThroughService();
  // The DeviceList selection, or nothing when the last refresh listed no drive.
  const DriveRecord* SelectedDrive() const;
  std::uint8_t Model() const { return chip::ModelOf(ChipCode); }
  bool FirmwareFileFits();
  // Runs the open-file dialog and returns the file chosen, or an empty string.
  std::string ChooseFile();
  void ShowEndScreen(bool success);
  // Claims the drive for a procedure; when something else uses it, says so and gives false.
  bool ClaimDrive(const std::string& path);
  // Gives back the claim a successful run kept once its drive is no longer among `present`.
  void ReleaseClaimOfGoneDrive(const device::DevicePathTable& present, int count);

  Controls& controls_;
  Frame& frame_;
  ui::WindowEnvironment env_;
  // Lets a notification that outlives the window find it gone.
  std::shared_ptr<TZintFwTool*> self_;

  std::array<DriveRecord, device::kMaxDevicePaths> DriveRecords{};
  std::int32_t DriveCount = 0;
  std::uint32_t EraseOnlyFlag = 0;
  std::int32_t FlashCode = -1;
  chip::ChipCode ChipCode = 0;
  // The CD-ROM-class drives of the latest refresh: they got EnterCommand and get
  // LeaveCommand at destruction, in scan order.
  std::vector<std::string> releaseAtExit_;
  // The drive whose flash a run changed: kept claimed until it leaves, so that while the user
  // pulls the power nothing mounts the disk again and touches it. Empty when none is held.
  std::string heldDrive_;
  std::string dialogDir_;  // where the next open-file dialog starts; empty before the first
  // While a procedure runs: its services, whose first flash change holds shutdown and sleep off.
  std::optional<device::FlashChangeSpan> procedure_;

  bool refreshing_ = false;
  bool refreshPending_ = false;  // a device change came while the list was being rebuilt
  bool updateRunning_ = false;
  bool closePending_ = false;
  bool closed_ = false;
};

}  // namespace kelm::window
