// The road from YES or Run to the end screen: the procedure for the bridge model, the
// progress bar, the re-plug and failure screens.

#include <algorithm>
#include <exception>
#include <string_view>
#include <utility>

#include "chip/bridge_models.h"
#include "flash/backup_file.h"
#include "flash/drive_procedures.h"
#include "flash/engine_settings.h"
#include "window/logic/fw_tool.h"

namespace kelm::window {

namespace {

// Whether the bridge model has a procedure (flash::RunModelProcedure runs it).
bool HasProcedure(std::uint8_t model) { return chip::ProcedureFor(model) != chip::UpdateProcedure::None; }

constexpr char kUpdateFail[] = "                 Update fail!!";
constexpr std::string_view kUsbPrefix = "<<USB>> ";

// Gives the drive back however the procedure ends, unless told to keep it.
class ClaimScope {
 public:
  explicit ClaimScope(platform::DiskClaim& claim) : claim_(claim) {}
  ~ClaimScope() {
    if (!kept_) claim_.Release();
  }
  ClaimScope(const ClaimScope&) = delete;
  ClaimScope& operator=(const ClaimScope&) = delete;

  void Keep() { kept_ = true; }

 private:
  platform::DiskClaim& claim_;
  bool kept_ = false;
};

}  // namespace

bool TZintFwTool::ClaimDrive(const std::string& path) {
  // A claim held from an earlier run is given up by the new one, whatever its outcome.
  heldDrive_.clear();
  if (env_.diskClaim.Claim(path)) return true;
  const int index = controls_.ItemIndex("DeviceList");
  std::string name = index >= 0 ? controls_.ItemText("DeviceList", index) : std::string();
  if (name.starts_with(kUsbPrefix)) name.erase(0, kUsbPrefix.size());
  // What holds it and what to do is the system's to say: a drive letter to close on Windows,
  // a filesystem to unmount on Linux. Ejecting would power the enclosure off on both.
  const std::string why = env_.diskClaim.Refusal();
  env_.services.boxes.Show("Error",
                           "The drive \"" + name + "\" is in use.\n\n" +
                               (why.empty() ? "Close the programs that use it, then try again."
                                            : why),
                           platform::MessageIcon::Error);
  return false;
}

class TZintFwTool::UpdateScope {
 public:
  explicit UpdateScope(TZintFwTool& window) : window_(window) {
    window_.updateRunning_ = true;
    window_.procedure_.emplace(window_.env_.services, window_.env_.holdOff);
  }
  ~UpdateScope() {
    window_.procedure_.reset();
    window_.updateRunning_ = false;
    if (!std::exchange(window_.closePending_, false)) return;
    // While an exception unwinds, let the loop deliver the close after it was shown.
    if (std::uncaught_exceptions() > 0) {
      window_.frame_.CloseLater();
    } else {
      window_.frame_.Close();
    }
  }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  TZintFwTool& window_;
};

void TZintFwTool::EraseButtonClick() {
  if (updateRunning_) return;  // one procedure at a time
  if (env_.service != nullptr) return UpdateThroughService();
  UpdateScope running(*this);
  // Read once, before anything changes.
  const std::uint8_t model = Model();
  const DriveRecord* drive = SelectedDrive();
  const std::string path = drive != nullptr ? drive->DevicePath : std::string();
  // With no drive listed there is nothing to update: no command goes to a stale path.
  const bool runs = drive != nullptr && HasProcedure(model);
  // Nothing is sent to a drive something else uses; the question stays for another try.
  if (runs && !ClaimDrive(path)) return;
  ClaimScope claimed(env_.diskClaim);

  ShowProgressScreen();
  const std::uint32_t result = runs ? flash::RunModelProcedure(*this, model, path, 0) : 0;
  if (runs && result != 0) {
    claimed.Keep();
    heldDrive_ = path;
  }
  ShowOutcome(result != 0);
}

void TZintFwTool::UpdateThroughService() {
  UpdateScope running(*this);
  const DriveRecord* drive = SelectedDrive();
  // Read once: a device change during the run may rebuild the records.
  const std::string handle = drive != nullptr ? drive->served.handle : std::string();

  ShowProgressScreen();
  const platform::ServedEnd end = drive != nullptr
                                      ? env_.service->Update(handle, *this)
                                      : platform::ServedEnd{platform::ServedOutcome::Failed, {}};
  if (end.outcome != platform::ServedOutcome::Refused) {
    ShowOutcome(end.outcome == platform::ServedOutcome::Updated);
    return;
  }
  // Nothing changed: the question stays for another try once the reason is gone.
  controls_.SetVisible("FwUpdatBar", false);
  controls_.SetVisible("devLable", true);
  controls_.SetEnabled("EraseButton", true);
  env_.services.boxes.Show("Error", end.why, platform::MessageIcon::Error);
}

void TZintFwTool::ShowProgressScreen() {
  controls_.SetEnabled("EraseButton", false);
  controls_.SetVisible("devLable", false);
  controls_.SetVisible("FwUpdatBar", true);
  AdvanceProgress(20);  // from where the last update left the bar
  SetStatus("");
  EraseOnlyFlag = 0;  // YES always runs the full update
}

void TZintFwTool::ShowOutcome(bool success) {
  controls_.SetVisible("FwUpdatBar", false);
  ShowEndScreen(success);
  controls_.SetEnabled("EraseButton", true);
}

void TZintFwTool::ShowEndScreen(bool success) {
  controls_.SetVisible("replugLable1", success);
  controls_.SetVisible("replugLable2", success);
  controls_.SetVisible("ExtBtn", true);
  controls_.SetVisible("devLable", !success);
  controls_.SetVisible("EraseButton", false);
  controls_.SetVisible("ExitBtn", false);
  if (!success) {
    controls_.SetColor("devLable", kRed);
    controls_.SetText("devLable", kUpdateFail);
  }
}

void TZintFwTool::UpdateBtnClick() {
  if (updateRunning_) return;  // one procedure at a time
  if (env_.service != nullptr) return RunThroughService();
  UpdateScope running(*this);
  controls_.SetEnabled("UpdateBtn", false);
  env_.services.debug.OutputDebugString("Update Btn Press\n");
  const std::uint8_t model = Model();
  const DriveRecord* drive = SelectedDrive();
  SetStatus("");

  // The procedures report their own outcome; with no drive listed nothing runs.
  if (drive != nullptr && HasProcedure(model)) {
    const std::string path = drive->DevicePath;
    // Read before the run: what the run was is what decides the claim after it.
    const platform::Options mode = options();
    if (ClaimDrive(path)) {
      ClaimScope claimed(env_.diskClaim);
      const std::uint32_t result =
          flash::RunModelProcedure(*this, model, path, controls_.ItemIndex("FlashTypeList"));
      if (result != 0 && !platform::IsBackupOnly(mode)) {
        claimed.Keep();
        heldDrive_ = path;
      }
    }
  }
  controls_.SetEnabled("UpdateBtn", true);
}

// The same run, with the same texts, bar and boxes; the service claims the drive, and the
// files are the user's, opened by the client with the user's rights.
void TZintFwTool::RunThroughService() {
  UpdateScope running(*this);
  controls_.SetEnabled("UpdateBtn", false);
  env_.services.debug.OutputDebugString("Update Btn Press\n");
  const DriveRecord* drive = SelectedDrive();
  SetStatus("");

  if (drive != nullptr && HasProcedure(Model())) {
    // Read once: a device change during the run may rebuild the records.
    const std::string handle = drive->served.handle;
    platform::PanelRun run{options(), {}, controls_.ItemIndex("FlashTypeList"), flash::FirmwareSize,
                           flash::TransferPageSize};
    run.backupFile = run.options.backupFileName.empty() ? std::string(flash::kDefaultBackupFileName)
                                                        : run.options.backupFileName;
    const platform::ServedEnd end = env_.service->Run(handle, run, *this);
    if (end.outcome == platform::ServedOutcome::Refused) {
      env_.services.boxes.Show("Error", end.why, platform::MessageIcon::Error);
    }
  }
  controls_.SetEnabled("UpdateBtn", true);
}

void TZintFwTool::AdvanceProgress(std::int32_t step) {
  constexpr std::string_view bar = "FwUpdatBar";
  if (!controls_.Visible(bar)) return;
  const ProgressRange range = controls_.Range(bar);
  const std::int64_t position = std::clamp<std::int64_t>(
      std::int64_t{controls_.Position(bar)} + step, range.minimum, range.maximum);
  controls_.SetPosition(bar, static_cast<int>(position));
}

}  // namespace kelm::window
