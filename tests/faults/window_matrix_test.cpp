// The operator's YES, with each request of the update misbehaving once: the window must end
// on the re-plug screen only when the flash holds the new firmware, and on the red failure
// screen otherwise, with the procedure's message in StatusEdit.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>

#include "tests/faults/update_paths.h"
#include "window/qt/fwupdate.h"
#include "window/qt/startup.h"
#include "window/logic/window_environment.h"

namespace kelm::test {
namespace {

class QtEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<ui::Application>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[24] = "fault_window_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<ui::Application> app_;
};

const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class NoNotifications final : public platform::DeviceNotifications {
 public:
  void Register(Handler) override {}
};

class NoFileDialog final : public ui::FileDialog {
 public:
  std::optional<std::string> GetOpenFileName(const std::string&, const std::string&) override {
    return std::nullopt;
  }
};

constexpr const char* kUpdateFail = "                 Update fail!!";

struct WindowRun {
  std::string before;  // the trace up to the click
  std::string during;  // the trace of the update
  bool replugScreen = false;
  bool failScreen = false;
  std::string status;
  std::vector<std::uint8_t> flash;
  std::vector<std::uint8_t> expected;
};

bool Shown(const ui::TZintFwTool& window, const char* name) {
  const auto* control = window.findChild<QWidget*>(QString::fromLatin1(name));
  return control != nullptr && !control->isHidden();
}

// How the window reaches a path. The refresh lists only JMB352 bridges, so the other
// procedures are reached the way an engineering build would meet them: an enclosure that the
// refresh takes for a JMB352 (its first inquiry comes back short, without the model tag, and
// its first chip-name read fails) but that answers as the bridge of `inquiryTag` from then on.
struct WindowCase {
  std::string_view path;
  std::string_view inquiryTag;  // empty: the enclosure is what it says
};

void PrintTo(const WindowCase& windowCase, std::ostream* out) { *out << windowCase.path; }

constexpr WindowCase kWindowCases[] = {
    {"Jmb352Revision1", ""},
    {"Jmb352Revision2", ""},
    {"SerialFlashCodeNone", "j339"},  // YES passes the window's FlashCode, -1 for this flash
    {"Jm20336FlashType0", "j336"},    // YES passes flash type 0
};

sim::DeviceSpec ListedAsJmb352ThenSeenAs(sim::DeviceSpec device, std::string_view inquiryTag) {
  device.answers = Jmb352Device(2).answers;
  std::ranges::copy(inquiryTag, device.answers["Inquiry"].begin() + 36);
  device.answers["ReadChipModel"] = std::vector<std::uint8_t>(40, 'x');
  device.shortReads.push_back({"Inquiry", 1, 36});
  device.fail.push_back({"ReadChipModel", 1, 0});
  return device;
}

sim::DeviceSpec EnclosureFor(const WindowCase& windowCase, const UpdatePath& path) {
  sim::DeviceSpec device = path.device();
  if (windowCase.inquiryTag.empty()) return device;
  return ListedAsJmb352ThenSeenAs(std::move(device), windowCase.inquiryTag);
}

std::vector<std::uint8_t> FlashOf(const Rig& rig, const UpdatePath& path) {
  return path.flash == FlashKind::Serial ? rig.sim.SerialFlash(0) : rig.sim.ParallelFlash(0);
}

WindowRun ClickYes(const sim::DeviceSpec& device, const UpdatePath& path) {
  sim::Scenario scenario;
  scenario.devices.push_back(device);
  Rig rig(std::move(scenario));
  // The images the path needs; the options come from the window itself.
  RecordingHost unused(rig);
  path.prepare(rig, unused, RunContext{});
  std::ostringstream trace;
  rig.sim.SetTrace(&trace);
  NoNotifications notifications;
  NoFileDialog dialog;
  platform::UncontestedDiskClaim claim;
  WindowRun run;
  {
    ui::TZintFwTool window(ui::WindowEnvironment{rig.io, notifications, dialog, claim, "/opt/kelm"});
    run.before = trace.str();
    auto* yes = window.findChild<QAbstractButton*>("EraseButton");
    if (yes == nullptr || !Shown(window, "EraseButton") || !yes->isEnabled()) {
      ADD_FAILURE() << "no YES to click";
      return run;
    }
    yes->click();
    run.during = trace.str().substr(run.before.size());

    const auto* question = window.findChild<QLabel*>("devLable");
    const bool onlyExit = Shown(window, "ExtBtn") && !Shown(window, "EraseButton") &&
                          !Shown(window, "ExitBtn") && !Shown(window, "FwUpdatBar");
    run.replugScreen = onlyExit && Shown(window, "replugLable1") && Shown(window, "replugLable2") &&
                       !Shown(window, "devLable");
    run.failScreen = onlyExit && !Shown(window, "replugLable1") && !Shown(window, "replugLable2") &&
                     Shown(window, "devLable") && question->text() == kUpdateFail &&
                     question->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
    run.status = window.findChild<QLineEdit*>("StatusEdit")->text().toStdString();
  }
  run.flash = FlashOf(rig, path);
  const auto& content =
      path.flash == FlashKind::Serial ? device.serialFlash->content : device.parallelFlash->content;
  run.expected = path.expectedFlash(content.file, rig);
  return run;
}

const UpdatePath& PathNamed(std::string_view name) {
  const auto paths = UpdatePaths();
  const auto found = std::ranges::find(paths, name, &UpdatePath::name);
  if (found == paths.end()) throw std::logic_error("no update path " + std::string(name));
  return *found;
}

// The request as the device counts it over the whole run, refresh included.
TracedRequest CountedFromStart(TracedRequest request, const std::vector<TracedRequest>& before) {
  request.nth += static_cast<std::uint32_t>(
      std::ranges::count(before, request.command, &TracedRequest::command));
  return request;
}

class YesFaultMatrix : public ::testing::TestWithParam<WindowCase> {};

TEST_P(YesFaultMatrix, EndScreenMatchesTheFlash) {
  const UpdatePath& path = PathNamed(GetParam().path);
  const sim::DeviceSpec device = EnclosureFor(GetParam(), path);

  const WindowRun baseline = ClickYes(device, path);
  ASSERT_TRUE(baseline.replugScreen);
  ASSERT_EQ(baseline.flash, baseline.expected);
  const std::vector<TracedRequest> before = ParseTrace(baseline.before);
  const std::vector<TracedRequest> update = ParseTrace(baseline.during);
  ASSERT_FALSE(update.empty());

  int cases = 0;
  for (const TracedRequest& request : update) {
    for (FaultKind kind : {FaultKind::Fail, FaultKind::LastError, FaultKind::Short}) {
      if (kind == FaultKind::Short && (!request.dataIn || request.length < 2)) continue;
      SCOPED_TRACE(request.command + " #" + std::to_string(request.nth) + " of the update, " +
                   std::string(FaultKindName(kind)));
      sim::DeviceSpec faulty = device;
      const TracedRequest counted = CountedFromStart(request, before);
      InjectFault(faulty, counted, kind);
      const WindowRun run = ClickYes(faulty, path);
      ASSERT_TRUE(FaultLanded(ParseTrace(run.before + run.during), counted, kind))
          << "the fault missed its request";
      const bool flashCorrect = run.flash == run.expected;
      EXPECT_TRUE(run.replugScreen || run.failScreen) << "not on an end screen";
      EXPECT_FALSE(run.replugScreen && !flashCorrect) << "re-plug screen over a wrong flash";
      if (path.keepsParameterBlock) {
        const auto& original = device.serialFlash->content.file;
        EXPECT_TRUE(std::equal(original.begin(), original.begin() + kParameterBlockSize,
                               run.flash.begin()) ||
                    std::all_of(run.flash.begin(), run.flash.begin() + kParameterBlockSize,
                                [](std::uint8_t b) { return b == 0xFF; }))
            << "the parameter block holds bytes other than its own";
      }

      const Expectation expectation = path.expect(request, kind);
      if (expectation.mustSucceed) {
        EXPECT_TRUE(run.replugScreen);
      }
      if (run.failScreen) {
        EXPECT_NE(std::ranges::find(expectation.failureMessages, run.status),
                  expectation.failureMessages.end())
            << "StatusEdit says \"" << run.status << "\"";
      }
      ++cases;
    }
  }
  std::printf("fault matrix (window): %s: %zu requests of the update, %d cases\n",
              std::string(path.name).c_str(), update.size(), cases);
}

INSTANTIATE_TEST_SUITE_P(UpdatePaths, YesFaultMatrix, ::testing::ValuesIn(kWindowCases),
                         [](const auto& info) { return std::string(info.param.path); });

}  // namespace
}  // namespace kelm::test
