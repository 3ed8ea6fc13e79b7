// The window's logic driven without any face: controls kept in a table read from the design,
// as a face built from that design would show them.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>
#include <map>
#include <regex>
#include <sstream>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "chip/bridge_models.h"
#include "flash/drive_procedures.h"
#include "flash/engine_settings.h"
#include "flash/drive_survey.h"
#include "platform/disk_claim.h"
#include "platform/enclosure_service.h"
#include "platform/flash_hold_off.h"
#include "tests/support/rig.h"
#include "window/logic/fw_tool.h"

namespace kelm::test {
namespace {

struct Control {
  bool visible = true, enabled = true, checked = false;
  std::string text;
  std::vector<std::string> items;
  int index = -1, position = 0, height = 0;
};

// Every control of the design by name, with its designed visibility and height; a name the
// design lacks is refused, as a face built from the design could not show it.
class DesignControls final : public window::Controls, public window::Frame {
 public:
  DesignControls() {
    std::ifstream form(KELM_FORM_FILE);
    const std::regex widget(R"re(<widget class="\w+" name="(\w+)">)re");
    const std::regex hidden(R"(name="visible"><bool>false)");
    const std::regex height(R"(<height>(\d+)</height>)");
    std::string last;
    for (std::string line; std::getline(form, line);) {
      std::smatch match;
      if (std::regex_search(line, match, widget)) controls_[last = match[1]] = {};
      if (last.empty()) continue;
      if (std::regex_search(line, hidden)) controls_[last].visible = false;
      if (std::regex_search(line, match, height)) controls_[last].height = std::stoi(match[1]);
    }
  }
  Control& At(std::string_view name) {
    const auto found = controls_.find(std::string(name));
    if (found == controls_.end()) throw std::logic_error("no control " + std::string(name));
    return found->second;
  }
  const Control& At(std::string_view name) const {
    return const_cast<DesignControls*>(this)->At(name);
  }

  bool Visible(std::string_view c) const override { return At(c).visible; }
  void SetVisible(std::string_view c, bool shown) override { At(c).visible = shown; }
  bool Enabled(std::string_view c) const override { return At(c).enabled; }
  void SetEnabled(std::string_view c, bool enabled) override { At(c).enabled = enabled; }
  std::string Text(std::string_view c) const override { return At(c).text; }
  void SetText(std::string_view c, std::string_view text) override {
    if (std::exchange(At(c).text, std::string(text)) == text || logic == nullptr) return;
    if (c == "StatusEdit") logic->StatusEditChange(At(c).text);
    if (c == "FwFilenameEdit") logic->UpdateBtnCheck();
  }
  void SetColor(std::string_view c, window::ColorRef) override { At(c); }
  int Height(std::string_view c) const override { return At(c).height; }
  int ItemCount(std::string_view l) const override { return int(At(l).items.size()); }
  void ClearItems(std::string_view l) override { At(l).items.clear(), At(l).index = -1; }
  void AddItem(std::string_view l, std::string_view text) override {
    At(l).items.emplace_back(text);
    if (At(l).index < 0) At(l).index = 0;
  }
  std::string ItemText(std::string_view l, int i) const override { return At(l).items.at(i); }
  int ItemIndex(std::string_view l) const override { return At(l).index; }
  void SetItemIndex(std::string_view l, int index) override { At(l).index = index; }
  bool Checked(std::string_view b) const override { return At(b).checked; }
  void SetChecked(std::string_view b, bool checked) override { At(b).checked = checked; }
  int Position(std::string_view b) const override { return At(b).position; }
  window::ProgressRange Range(std::string_view) const override { return {0, 100}; }
  void SetPosition(std::string_view b, int position) override { At(b).position = position; }

  void SetClientSize(int, int height) override { clientHeight = height; }
  void Close() override { closed = logic->CloseRequested(); }
  void CloseLater() override { Close(); }
  void ProcessMessages() override {}

  window::TZintFwTool* logic = nullptr;
  int clientHeight = 0;
  bool closed = false;

 private:
  std::map<std::string, Control, std::less<>> controls_;
};

struct NoDialog final : ui::FileDialog {
  std::optional<std::string> GetOpenFileName(const std::string&, const std::string&) override {
    return std::nullopt;
  }
};

struct Notifications final : platform::DeviceNotifications {
  void Register(Handler h) override { handler = std::move(h); }
  Handler handler;
};

TEST(WindowLogic, UpdatesAJmb352WithNoFaceAndForgetsNotificationsOnceGone) {
  sim::Scenario scenario;
  scenario.devices = {Jmb352Device(2, std::vector<std::uint8_t>(65536, 0x5A))};
  Rig rig(std::move(scenario));
  DesignControls face;
  Notifications notifications;
  NoDialog dialog;
  platform::UncontestedDiskClaim claim;
  auto logic = std::make_unique<window::TZintFwTool>(
      face, face, ui::WindowEnvironment{rig.io, notifications, dialog, claim, "/opt/kelm"});
  face.logic = logic.get();
  logic->Start();

  EXPECT_EQ(face.clientHeight, 100);  // the engineering panel folded away
  EXPECT_EQ(face.At("devLable").text, "Please ensure to update the firmware");
  EXPECT_TRUE(face.At("EraseButton").visible && face.At("EraseButton").enabled);
  ASSERT_EQ(face.At("DeviceList").items.size(), 1u);

  logic->EraseButtonClick();

  EXPECT_TRUE(face.At("replugLable1").visible && face.At("ExtBtn").visible);
  EXPECT_FALSE(face.At("FwUpdatBar").visible || face.At("EraseButton").visible);
  EXPECT_EQ(face.At("FwUpdatBar").position, 100);
  const std::vector<std::uint8_t> flash = rig.sim.SerialFlash(0);
  const std::span<const std::uint8_t> image = rig.images.TakeImage("FW352B");
  ASSERT_LE(image.size(), flash.size());
  EXPECT_TRUE(std::equal(image.begin() + 4096, image.end(), flash.begin() + 4096));
  logic->ExitBtnClick();
  EXPECT_TRUE(face.closed);

  logic.reset();
  notifications.handler(platform::kDeviceArrival);  // reaches nothing, breaks nothing
}

// Where in the trace the hold-off was held and released: the number of requests sent by then.
struct TracedHoldOff final : platform::FlashHoldOff {
  explicit TracedHoldOff(const std::ostringstream& trace) : trace(trace) {}
  std::size_t Sent() const {
    const std::string text = trace.str();
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  }
  void Hold() override { held.push_back(Sent()); }
  void Release() override { released.push_back(Sent()); }
  const std::ostringstream& trace;
  std::vector<std::size_t> held, released;
};

// The index of the first traced request that erases or writes the serial flash.
std::size_t FirstChange(const std::string& trace) {
  std::istringstream lines(trace);
  std::size_t index = 0;
  for (std::string line; std::getline(lines, line); ++index) {
    if (std::regex_search(line, std::regex("^out\tff041[134]"))) return index;
  }
  return std::string::npos;
}

struct HoldCase {
  const char* name;
  std::vector<sim::Fault> fail;
  bool updated;
  friend void PrintTo(const HoldCase& c, std::ostream* out) { *out << c.name; }
};

// A JMB352 enclosure whose requests fail as `fail` says, in the window logic with a traced
// hold-off and no face.
struct HoldOffWindow {
  explicit HoldOffWindow(std::vector<sim::Fault> fail)
      : rig([&] {
          sim::Scenario scenario;
          scenario.devices = {Jmb352Device(2, std::vector<std::uint8_t>(65536, 0x5A))};
          scenario.devices[0].fail = std::move(fail);
          return scenario;
        }()),
        holdOff(trace),
        logic(face, face,
              ui::WindowEnvironment{rig.io, notifications, dialog, claim, "/opt/kelm", {}, holdOff}) {
    face.logic = &logic;
    logic.Start();
  }

  Rig rig;
  std::ostringstream trace;
  TracedHoldOff holdOff;
  DesignControls face;
  Notifications notifications;
  NoDialog dialog;
  platform::UncontestedDiskClaim claim;
  window::TZintFwTool logic;
};

class WindowHoldOff : public ::testing::TestWithParam<HoldCase> {};

// Shutdown and sleep are held from the first erase, not before (the backup reads may be cut
// short harmlessly), until the procedure has ended, however it ends.
TEST_P(WindowHoldOff, HoldsFromTheFirstChangeUntilTheProcedureEnds) {
  HoldOffWindow window(GetParam().fail);
  window.rig.sim.SetTrace(&window.trace);

  window.logic.EraseButtonClick();
  window.rig.sim.SetTrace(nullptr);

  EXPECT_EQ(window.face.At("replugLable1").visible, GetParam().updated);
  ASSERT_EQ(window.holdOff.held.size(), 1u);
  EXPECT_EQ(window.holdOff.held[0], FirstChange(window.trace.str()));
  EXPECT_EQ(window.holdOff.released, std::vector<std::size_t>{window.holdOff.Sent()});
}

INSTANTIATE_TEST_SUITE_P(
    Endings, WindowHoldOff,
    ::testing::Values(HoldCase{"Verified", {}, true},
                      HoldCase{"EraseFails", {{"EraseFlashSector", 2, 0}}, false},
                      HoldCase{"WriteFails", {{"WriteFlash", 1, 0}}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowHoldOff, NothingIsHeldWhenNothingChanges) {
  HoldOffWindow window({{"ReadFlash", std::nullopt, 0}});

  window.logic.EraseButtonClick();

  EXPECT_TRUE(window.holdOff.held.empty());
  EXPECT_TRUE(window.holdOff.released.empty());
}


// A service in the test's process: it surveys and updates its own bench with the core's
// procedures, as the firmware update service does, and hands the procedure to the window.
class BenchService final : public platform::EnclosureService, public platform::DeviceNotifications {
 public:
  explicit BenchService(Rig& rig) : rig_(rig) {}

  std::vector<platform::ServedEnclosure> List() override {
    std::vector<platform::ServedEnclosure> served;
    for (const std::string& path : flash::DiscoverDrives(rig_.io)) {
      const flash::DriveReport drive = flash::SurveyDrive(rig_.io, path);
      served.push_back({path, drive.name, drive.code, drive.firmwareVersion, drive.flashCode,
                        drive.flashMaker, drive.imageCurrent});
    }
    return served;
  }

  platform::ServedEnd Update(const std::string& handle, platform::Host& window) override {
    return Served(handle, window, {}, [](platform::Host& host, const flash::DriveReport& drive) {
      return flash::RunUpdateProcedure(host, drive);
    });
  }

  platform::ServedEnd Run(const std::string& handle, const platform::PanelRun& run, platform::Host& window) override {
    runs.push_back(run);
    return Served(handle, window, run.options, [&run](platform::Host& host, const flash::DriveReport& drive) {
      return flash::RunModelProcedure(host, chip::ModelOf(drive.code), drive.path, run.flashType);
    });
  }

  void Register(Handler h) override { handler = std::move(h); }

  std::optional<std::string> refusal;
  std::vector<platform::PanelRun> runs;
  Handler handler;

 private:
  template <typename Procedure>
  platform::ServedEnd Served(const std::string& handle, platform::Host& window, platform::Options options,
                             Procedure procedure) {
    if (refusal) return {platform::ServedOutcome::Refused, *refusal};
    struct Handed final : platform::Host {
      Handed(platform::Host& window, const platform::Services& io, platform::Options options)
          : window(window), io(io), given(std::move(options)) {}
      const platform::Services& services() override { return io; }
      void SetStatus(std::string_view text) override { window.SetStatus(text); }
      std::string Status() const override { return window.Status(); }
      void ProcessMessages() override { window.ProcessMessages(); }
      void AdvanceProgress(std::int32_t step) override { window.AdvanceProgress(step); }
      platform::Options options() const override { return given; }
      platform::Host& window;
      const platform::Services& io;
      platform::Options given;
    } handed(window, rig_.io, std::move(options));
    const flash::DriveReport drive = flash::SurveyDrive(rig_.io, handle);
    return {procedure(handed, drive) != 0 ? platform::ServedOutcome::Updated : platform::ServedOutcome::Failed, {}};
  }

  Rig& rig_;
};

sim::Scenario OneJmb352(std::vector<sim::Fault> fail = {}) {
  sim::Scenario scenario;
  scenario.devices = {Jmb352Device(2, std::vector<std::uint8_t>(65536, 0x5A))};
  scenario.devices[0].fail = std::move(fail);
  return scenario;
}

// A window whose status texts are recorded; through `service` when given one.
struct RecordedWindow {
  RecordedWindow(Rig& rig, platform::DeviceNotifications& notifications,
                 platform::EnclosureService* service = nullptr)
      : logic(face, face,
              ui::WindowEnvironment{rig.io, notifications, dialog, claim, "/opt/kelm",
                                    [this](const std::string& text) { statuses.push_back(text); },
                                    platform::NothingHeldOff(), service}) {
    face.logic = &logic;
    logic.Start();
  }
  // What the operator sees at the end of a run.
  std::string Screen() {
    std::ostringstream screen;
    screen << face.At("devLable").visible << face.At("devLable").text << '|' << face.At("replugLable1").visible
           << face.At("ExtBtn").visible << face.At("FwUpdatBar").visible << face.At("FwUpdatBar").position << '|'
           << face.At("StatusEdit").text << '|' << face.At("FwVerLableEdit").text << '|'
           << face.At("SFlashTypeLable").text << '|' << face.At("ChipLabelEdit").text;
    return screen.str();
  }
  DesignControls face;
  NoDialog dialog;
  platform::UncontestedDiskClaim claim;
  std::vector<std::string> statuses;
  window::TZintFwTool logic;
};

class WindowThroughService : public ::testing::TestWithParam<HoldCase> {};

// The same enclosure updated by the window itself and through a service ends on the same
// screens, texts in the same order and the same flash; the window itself sends nothing.
TEST_P(WindowThroughService, ShowsWhatTheWindowShowsWhenItRunsTheProcedureItself) {
  Rig itself(OneJmb352(GetParam().fail));
  Notifications notifications;
  RecordedWindow direct(itself, notifications);

  Rig served(OneJmb352(GetParam().fail));
  Rig nothing(sim::Scenario{});
  std::ostringstream sent;
  nothing.sim.SetTrace(&sent);
  BenchService service(served);
  RecordedWindow through(nothing, service, &service);

  ASSERT_EQ(through.face.At("DeviceList").items, direct.face.At("DeviceList").items);
  EXPECT_EQ(through.Screen(), direct.Screen());
  direct.logic.EraseButtonClick();
  through.logic.EraseButtonClick();

  EXPECT_EQ(through.face.At("replugLable1").visible, GetParam().updated);
  EXPECT_EQ(through.Screen(), direct.Screen());
  EXPECT_EQ(through.statuses, direct.statuses);
  EXPECT_EQ(served.sim.SerialFlash(0), itself.sim.SerialFlash(0));
  EXPECT_EQ(sent.str(), "");
  // The panel's run goes to the service with the panel's options, the window sending nothing.
  through.face.At("RdCheckBox").checked = true;
  through.face.At("BackupFWCheckBox").checked = true;
  through.logic.UpdateBtnClick();
  ASSERT_EQ(service.runs.size(), 1u);
  EXPECT_TRUE(platform::IsBackupOnly(service.runs[0].options));
  EXPECT_EQ(service.runs[0].backupFile, "oldflash.bak");
  EXPECT_EQ(service.runs[0].firmwareSize, flash::FirmwareSize);
  EXPECT_EQ(sent.str(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Endings, WindowThroughService,
    ::testing::Values(HoldCase{"Verified", {}, true},
                      HoldCase{"WriteFails", {{"WriteFlash", 1, 0}}, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A refusal changed nothing: the question stays, with the reason in one box; and the service's
// announcements of arrivals and removals refresh the list as the system's do.
TEST(WindowThroughService, KeepsTheQuestionWhenRefusedAndFollowsTheServicesAnnouncements) {
  Rig served(OneJmb352());
  Rig nothing(sim::Scenario{});
  BenchService service(served);
  RecordedWindow window(nothing, service, &service);
  const std::vector<std::uint8_t> before = served.sim.SerialFlash(0);
  service.refusal = "The system's policy (polkit) did not authorize you to do this.";

  window.logic.EraseButtonClick();

  EXPECT_EQ(served.sim.SerialFlash(0), before);
  ASSERT_EQ(nothing.recorder.boxes.size(), 1u);
  EXPECT_EQ(nothing.recorder.boxes[0].text, *service.refusal);
  EXPECT_EQ(window.face.At("devLable").text, "Please ensure to update the firmware");
  EXPECT_TRUE(window.face.At("devLable").visible && window.face.At("EraseButton").enabled);
  EXPECT_FALSE(window.face.At("FwUpdatBar").visible);

  served.sim.Unplug();
  service.handler(platform::kDeviceRemoveComplete);
  EXPECT_EQ(window.face.At("DeviceList").items, std::vector<std::string>{"No available device!!!"});
  served.sim.Plug();
  service.handler(platform::kDeviceArrival);
  EXPECT_EQ(window.face.At("devLable").text, "Please ensure to update the firmware");
}

}  // namespace
}  // namespace kelm::test
