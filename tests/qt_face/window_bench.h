#pragma once
// The window on the simulated platform: fakes for the notifications and the file dialog, a
// way to read the operator's screen back, and the enclosures the window tests use.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>

#include <deque>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/rig.h"
#include "window/qt/fwupdate.h"
#include "window/logic/window_environment.h"

namespace kelm::test {

class FakeNotifications final : public platform::DeviceNotifications {
 public:
  void Register(Handler handler) override {
    handler_ = std::move(handler);
    ++registrations;
  }
  void Fire(std::uint32_t eventCode) {
    if (handler_) handler_(eventCode);
  }
  int registrations = 0;

 private:
  Handler handler_;
};

class FakeFileDialog final : public ui::FileDialog {
 public:
  struct Call {
    std::string initialDir, filter;
  };
  std::optional<std::string> GetOpenFileName(const std::string& initialDir,
                                             const std::string& filter) override {
    calls.push_back({initialDir, filter});
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<std::optional<std::string>> answers;
  std::vector<Call> calls;
};

// Bytes that are neither 0x00 nor 0xFF, different per seed.
inline std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed = 1) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<std::uint8_t>((i * 7 + seed) % 251 + 1);
  }
  return bytes;
}

// A disk claim the test can make contested; it notes what was claimed and whether it is held.
struct ScriptedDiskClaim final : platform::DiskClaim {
  bool inUse = false;
  std::string refusal;  // what a refused claim says holds the drive
  bool held = false;
  std::vector<std::string> claimed;
  bool Claim(const std::string& devicePath) override {
    claimed.push_back(devicePath);
    held = !inUse;
    return held;
  }
  void Release() override { held = false; }
  std::string Refusal() const override { return inUse ? refusal : std::string(); }
};

class WindowBench {
 public:
  explicit WindowBench(sim::Scenario scenario) : rig(std::move(scenario)) {}

  ui::TZintFwTool& Open(std::string programDir = "/opt/kelm") {
    window = std::make_unique<ui::TZintFwTool>(
        ui::WindowEnvironment{rig.io, notifications, dialog, claim, std::move(programDir)});
    return *window;
  }

  template <typename T>
  T* Control(const char* name) const {
    T* control = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  QAbstractButton* Button(const char* name) const { return Control<QAbstractButton>(name); }
  QComboBox* List(const char* name) const { return Control<QComboBox>(name); }
  QLineEdit* Edit(const char* name) const { return Control<QLineEdit>(name); }
  QProgressBar* Bar() const { return Control<QProgressBar>("FwUpdatBar"); }
  bool Shown(const char* name) const { return !Control<QWidget>(name)->isHidden(); }
  std::string Text(const char* name) const {
    return Control<QLabel>(name)->text().toStdString();
  }

  // The operator's screen: the shown controls of the operator area in table order, the
  // question label with its text and colour.
  std::string Screen() const {
    std::string screen;
    for (const char* name : {"devLable", "replugLable1", "replugLable2", "FwUpdatBar",
                             "EraseButton", "ExitBtn", "ExtBtn"}) {
      if (!Shown(name)) continue;
      if (!screen.empty()) screen += ' ';
      screen += name;
      if (std::string(name) == "devLable") {
        const QLabel* label = Control<QLabel>(name);
        screen += "[" + label->text().toStdString() + " " +
                  label->palette().color(QPalette::WindowText).name().toUpper().toStdString() +
                  "]";
      }
    }
    return screen;
  }

  std::vector<std::uint8_t> Flash(std::size_t device = 0) const {
    return rig.sim.SerialFlash(device);
  }
  std::span<const std::uint8_t> Image(std::string_view name) const {
    return rig.images.TakeImage(name);
  }

  Rig rig;
  FakeNotifications notifications;
  FakeFileDialog dialog;
  ScriptedDiskClaim claim;
  std::unique_ptr<ui::TZintFwTool> window;
};

// The screens, as Screen() spells them.
inline const std::string kQuestionScreen =
    "devLable[Please ensure to update the firmware #000000] EraseButton ExitBtn";
inline const std::string kReplugScreen = "replugLable1 replugLable2 ExtBtn";
inline const std::string kFailScreen = "devLable[                 Update fail!! #FF0000] ExtBtn";
inline const std::string kNoDeviceScreen =
    "devLable[                 No device found!! #FF0000] ExtBtn";
inline const std::string kAlreadyUpdatedScreen =
    "devLable[        The chip already updated!! #FF0000] ExtBtn";

inline sim::Scenario Devices(std::vector<sim::DeviceSpec> devices) {
  sim::Scenario scenario;
  scenario.devices = std::move(devices);
  return scenario;
}

// A JMB352 revision 2 enclosure whose flash holds `flash` (a 64 KiB serial flash).
inline sim::DeviceSpec Jmb352(std::vector<std::uint8_t> flash) {
  return Jmb352Device(2, std::move(flash));
}

// An enclosure that the refresh takes for a JMB352 (its first inquiry comes back short, so
// it carries no model tag, and its chip-name record cannot be read) but that answers as the
// bridge of `inquiryTag` whenever it is asked again: the way an engineering build reaches
// the other models' procedures.
inline sim::DeviceSpec ListedThenSeenAs(std::string_view inquiryTag,
                                        std::vector<std::uint8_t> flash = Pattern(65536)) {
  sim::DeviceSpec device = Jmb352Device(2, std::move(flash));
  std::copy(inquiryTag.begin(), inquiryTag.end(), device.answers["Inquiry"].begin() + 36);
  device.shortReads.push_back({"Inquiry", 1, 36});
  device.fail.push_back({"ReadChipModel", 1, 0});
  device.answers["ReadChipModel"] = std::vector<std::uint8_t>(40, 'x');
  return device;
}

// The same for the parallel-flash family, with a flash of the given type holding a pattern.
inline sim::DeviceSpec Jm20336(std::int32_t flashType) {
  sim::DeviceSpec device = ListedThenSeenAs("j336");
  sim::ParallelFlashSpec parallel;
  parallel.type = flashType;
  parallel.content.file = Pattern(65536, 5);
  device.parallelFlash = parallel;
  return device;
}

inline sim::DeviceSpec CdromWithoutBridge() {
  sim::DeviceSpec device;
  device.deviceClass = "cdrom";
  return device;
}

// The paths of the traced requests whose CDB starts with `cdbHex`, in order.
inline std::vector<std::string> TracedRequests(const std::ostringstream& trace,
                                               const std::string& cdbHex) {
  std::vector<std::string> found;
  std::istringstream lines(trace.str());
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
    if (fields.size() == 8 && fields[1].rfind(cdbHex, 0) == 0) found.push_back(fields[7]);
  }
  return found;
}

}  // namespace kelm::test
