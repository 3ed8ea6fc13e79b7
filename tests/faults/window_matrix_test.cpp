// The operator's YES on a JMB352, with each request of the update misbehaving once: the
// window must end on the re-plug screen exactly when the flash holds the new firmware, and
// on the red failure screen otherwise, with the procedure's message in StatusEdit.

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
#include "ui/fwupdate.h"
#include "ui/startup.h"
#include "ui/window_environment.h"

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

WindowRun ClickYes(const sim::DeviceSpec& device, const UpdatePath& path) {
  sim::Scenario scenario;
  scenario.devices.push_back(device);
  Rig rig(std::move(scenario));
  std::ostringstream trace;
  rig.sim.SetTrace(&trace);
  NoNotifications notifications;
  NoFileDialog dialog;
  WindowRun run;
  {
    ui::TZintFwTool window(ui::WindowEnvironment{rig.io, notifications, dialog, "/opt/kelm"});
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
  run.flash = rig.sim.SerialFlash(0);
  run.expected = path.expectedFlash(device.serialFlash->content.file, rig);
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

class YesFaultMatrix : public ::testing::TestWithParam<std::string_view> {};

TEST_P(YesFaultMatrix, EndScreenMatchesTheFlash) {
  const UpdatePath& path = PathNamed(GetParam());
  const sim::DeviceSpec device = path.device();
  const std::vector<std::uint8_t> original = device.serialFlash->content.file;

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
      EXPECT_TRUE(std::equal(original.begin(), original.begin() + kParameterBlockSize,
                             run.flash.begin()) ||
                  std::all_of(run.flash.begin(), run.flash.begin() + kParameterBlockSize,
                              [](std::uint8_t b) { return b == 0xFF; }))
          << "the parameter block holds bytes other than its own";

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

INSTANTIATE_TEST_SUITE_P(Jmb352, YesFaultMatrix,
                         ::testing::Values("Jmb352Revision1", "Jmb352Revision2"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace kelm::test
