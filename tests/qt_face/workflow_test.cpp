// YES and Run from the operator's click to the end screen, on simulated enclosures.

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>

#include <algorithm>

#include "device/commands.h"
#include "tests/qt_face/window_bench.h"

namespace kelm::test {
namespace {

bool AllErased(const std::vector<std::uint8_t>& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0xFF; });
}

TEST(Workflow, YesUpdatesAJmb352AndTheReplugShowsItCurrent) {
  const std::vector<std::uint8_t> old = Pattern(65536);
  WindowBench bench(Devices({Jmb352(old)}));
  bench.Open();
  ASSERT_EQ(bench.Screen(), kQuestionScreen);

  bench.Button("EraseButton")->click();

  EXPECT_EQ(bench.Screen(), kReplugScreen);
  EXPECT_EQ(bench.Bar()->value(), 100);
  const std::vector<std::uint8_t> flash = bench.Flash();
  const auto image = bench.Image("FW352B");
  ASSERT_EQ(image.size(), 36864u);
  EXPECT_TRUE(std::equal(old.begin(), old.begin() + 4096, flash.begin()));
  EXPECT_TRUE(std::equal(image.begin() + 4096, image.end(), flash.begin() + 4096));

  bench.rig.sim.Unplug();
  bench.notifications.Fire(platform::kDeviceRemoveComplete);
  EXPECT_EQ(bench.Screen(), kNoDeviceScreen);
  EXPECT_EQ(bench.List("DeviceList")->currentText().toStdString(), "No available device!!!");
  EXPECT_FALSE(bench.List("DeviceList")->isEnabled());

  bench.rig.sim.Plug();
  bench.notifications.Fire(platform::kDeviceArrival);
  EXPECT_EQ(bench.Screen(), kAlreadyUpdatedScreen);
}

TEST(Workflow, AFailedUpdateEndsOnTheRedScreenAndTheNextStartsWhereTheBarWasLeft) {
  sim::DeviceSpec device = Jmb352(Pattern(65536));
  device.fail.push_back({"WriteFlash", 1, 0});
  WindowBench bench(Devices({device}));
  bench.Open();
  std::vector<int> positions;
  QObject::connect(bench.Bar(), &QProgressBar::valueChanged,
                   [&positions](int value) { positions.push_back(value); });

  bench.Button("EraseButton")->click();

  EXPECT_EQ(bench.Screen(), kFailScreen);
  EXPECT_EQ(bench.Edit("StatusEdit")->text().toStdString(), "Write command fail!");
  EXPECT_TRUE(bench.Button("EraseButton")->isEnabled());
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.front(), 20);
  const int left = bench.Bar()->value();
  ASSERT_LT(left, 80);

  bench.notifications.Fire(platform::kDeviceArrival);
  ASSERT_EQ(bench.Screen(), kQuestionScreen);
  positions.clear();
  bench.Button("EraseButton")->click();

  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.front(), left + 20);
  EXPECT_EQ(bench.Screen(), kReplugScreen);
}

TEST(Workflow, YesOnAModelWithoutProcedureFailsAtOnce) {
  WindowBench bench(Devices({ListedThenSeenAs("j329")}));
  bench.Open();
  ASSERT_EQ(bench.Screen(), kQuestionScreen);
  std::ostringstream trace;
  bench.rig.sim.SetTrace(&trace);

  bench.Button("EraseButton")->click();

  EXPECT_EQ(bench.Screen(), kFailScreen);
  EXPECT_EQ(bench.Bar()->value(), 20);
  EXPECT_EQ(trace.str(), "");
  bench.rig.sim.SetTrace(nullptr);
}

struct ProgressCase {
  bool shown;
  int from, step, to;
};

class Progress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(Progress, MovesOnlyAShownBarAndStopsAt100) {
  WindowBench bench(Devices({}));
  ui::TZintFwTool& window = bench.Open();
  bench.Bar()->setVisible(GetParam().shown);
  bench.Bar()->setValue(GetParam().from);
  window.AdvanceProgress(GetParam().step);
  EXPECT_EQ(bench.Bar()->value(), GetParam().to);
}

INSTANTIATE_TEST_SUITE_P(Steps, Progress,
                         ::testing::Values(ProgressCase{true, 90, 30, 100},
                                           ProgressCase{true, 100, 10, 100},
                                           ProgressCase{true, 40, 20, 60},
                                           ProgressCase{false, 40, 5, 40}));

// The engineering mode with the options of a run ticked.
void Engineering(WindowBench& bench, std::initializer_list<const char*> ticks) {
  bench.Button("RdCheckBox")->click();
  for (const char* box : ticks) bench.Button(box)->click();
}

TEST(Workflow, RunPassesTheEraseOnlyRequest) {
  WindowBench bench(Devices({ListedThenSeenAs("j339")}));
  bench.Open();
  Engineering(bench, {"EraseOnlyCheck"});
  ASSERT_TRUE(bench.Button("UpdateBtn")->isEnabled());

  bench.Button("UpdateBtn")->click();

  EXPECT_TRUE(AllErased(bench.Flash()));
  EXPECT_EQ(bench.Edit("StatusEdit")->text().toStdString(), "Erase flash all success!");
  EXPECT_EQ(bench.rig.recorder.debug, std::vector<std::string>{"Update Btn Press\n"});
  EXPECT_EQ(bench.Screen(), kQuestionScreen);  // Run leaves the screen alone
}

TEST(Workflow, YesRunsTheFullUpdateWhateverEraseOnlyShows) {
  const std::vector<std::uint8_t> old = Pattern(65536);
  WindowBench bench(Devices({ListedThenSeenAs("j339", old)}));
  bench.Open();
  Engineering(bench, {"EraseOnlyCheck"});

  bench.Button("EraseButton")->click();

  // The full update needs an image this set does not carry; nothing was erased.
  EXPECT_EQ(bench.Edit("StatusEdit")->text().toStdString(), "Load defaut Fw file Error!!");
  EXPECT_EQ(bench.Flash(), old);
  EXPECT_EQ(bench.Screen(), kFailScreen);
  EXPECT_TRUE(bench.Button("EraseOnlyCheck")->isChecked());
}

// A parallel flash erases only after its own type's unlock sequence (types 0 and 2 share
// one), so the erase shows which type the procedure was given.
struct RunFlashTypeCase {
  int deviceType;
  int listIndex;
  const char* status;
};

class FlashTypeByRun : public ::testing::TestWithParam<RunFlashTypeCase> {};

TEST_P(FlashTypeByRun, RunPassesTheFlashTypeListIndex) {
  WindowBench bench(Devices({Jm20336(GetParam().deviceType)}));
  bench.Open();
  Engineering(bench, {"EraseOnlyCheck"});
  bench.List("FlashTypeList")->setCurrentIndex(GetParam().listIndex);

  bench.Button("UpdateBtn")->click();

  EXPECT_EQ(bench.Edit("StatusEdit")->text().toStdString(), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(Types, FlashTypeByRun,
                         ::testing::Values(RunFlashTypeCase{1, 1, "Erase All success!!"},
                                           RunFlashTypeCase{1, 0, "Not Erase correctly!"},
                                           RunFlashTypeCase{1, 2, "Not Erase correctly!"},
                                           RunFlashTypeCase{2, 1, "Not Erase correctly!"},
                                           RunFlashTypeCase{0, 0, "Erase All success!!"}));

struct YesFlashTypeCase {
  int deviceType;
  const std::string* screen;
};

class FlashTypeByYes : public ::testing::TestWithParam<YesFlashTypeCase> {};

TEST_P(FlashTypeByYes, YesPassesTypeZeroWhateverTheListShows) {
  WindowBench bench(Devices({Jm20336(GetParam().deviceType)}));
  const std::vector<std::uint8_t> image = Pattern(65536, 9);
  bench.rig.images.Set("FW339", image);
  bench.Open();
  Engineering(bench, {});
  bench.List("FlashTypeList")->setCurrentIndex(GetParam().deviceType);

  bench.Button("EraseButton")->click();

  EXPECT_EQ(bench.Screen(), *GetParam().screen);
  if (GetParam().screen == &kReplugScreen) {
    EXPECT_EQ(bench.rig.sim.ParallelFlash(0), image);
  }
}

INSTANTIATE_TEST_SUITE_P(Types, FlashTypeByYes,
                         ::testing::Values(YesFlashTypeCase{0, &kReplugScreen},
                                           YesFlashTypeCase{1, &kFailScreen}));

TEST(Workflow, WithNoDriveListedNeitherYesNorRunSendsACommand) {
  // Both enclosures already hold their image: found, but not listed.
  WindowBench bench(Devices({Jmb352(Pattern(65536)), Jmb352(Pattern(65536))}));
  const auto image = bench.Image("FW352B");
  for (std::size_t device : {0u, 1u}) bench.rig.sim.SetSerialFlash(device, {image.begin(), image.end()});
  bench.Open();
  ASSERT_EQ(bench.Screen(), kAlreadyUpdatedScreen);
  Engineering(bench, {"BackupFWCheckBox"});
  ASSERT_TRUE(bench.Button("UpdateBtn")->isEnabled());
  std::ostringstream trace;
  bench.rig.sim.SetTrace(&trace);

  bench.Button("UpdateBtn")->click();
  bench.window->EraseButtonClick();

  EXPECT_EQ(trace.str(), "");
  EXPECT_EQ(bench.Screen(), kFailScreen);
  bench.rig.sim.SetTrace(nullptr);
}

// A mounted disk: YES and Run send nothing and say why; the question stays, and once the disk
// is free YES updates it and keeps the claim while the user pulls the power, until the
// enclosure is gone.
TEST(Workflow, ADriveInUseIsNeitherUpdatedNorSentAnything) {
  const std::vector<std::uint8_t> old = Pattern(65536);
  WindowBench bench(Devices({Jmb352(old)}));
  bench.Open();
  const std::string item = bench.List("DeviceList")->currentText().toStdString();
  ASSERT_TRUE(item.starts_with("<<USB>> "));
  Engineering(bench, {"BackupFWCheckBox"});
  ASSERT_TRUE(bench.Button("UpdateBtn")->isEnabled());
  bench.claim.inUse = true;
  bench.claim.refusal = "Its filesystem is mounted: /dev/sdb1 on /media/u/DISK. Unmount it, then try again.";
  std::ostringstream trace;
  bench.rig.sim.SetTrace(&trace);

  bench.Button("EraseButton")->click();
  bench.Button("UpdateBtn")->click();

  EXPECT_EQ(trace.str(), "");
  EXPECT_EQ(bench.Flash(), old);
  EXPECT_EQ(bench.Screen(), kQuestionScreen);
  ASSERT_EQ(bench.rig.recorder.boxes.size(), 2u);
  for (const auto& box : bench.rig.recorder.boxes) {
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.icon, platform::MessageIcon::Error);
    EXPECT_NE(box.text.find("\"" + item.substr(8) + "\" is in use"), std::string::npos) << box.text;
    // The system's word on what to do; ejecting would power the enclosure off.
    EXPECT_NE(box.text.find(bench.claim.refusal), std::string::npos) << box.text;
    EXPECT_EQ(box.text.find("ject"), std::string::npos) << box.text;
  }
  bench.rig.sim.SetTrace(nullptr);

  bench.Button("BackupFWCheckBox")->click();  // YES writes no backup file here
  bench.claim.inUse = false;
  bench.Button("EraseButton")->click();
  EXPECT_EQ(bench.Screen(), kReplugScreen);
  EXPECT_EQ(bench.claim.claimed.size(), 3u);
  EXPECT_EQ(bench.claim.claimed.back(), bench.rig.sim.DevicePath(0));
  EXPECT_TRUE(bench.claim.held) << "kept after the update, until the enclosure leaves";
  bench.notifications.Fire(platform::kDeviceArrival);  // something else arrived
  EXPECT_TRUE(bench.claim.held);
  bench.rig.sim.Unplug();
  bench.notifications.Fire(platform::kDeviceRemoveComplete);
  EXPECT_FALSE(bench.claim.held) << "given back once the enclosure is gone";
}

// A failed update gives the drive back at once: nothing is to be re-plugged.
TEST(Workflow, AFailedUpdateGivesTheClaimBack) {
  sim::DeviceSpec device = Jmb352(Pattern(65536));
  device.fail.push_back({"WriteFlash", 1, 0});
  WindowBench bench(Devices({device}));
  bench.Open();
  bench.Button("EraseButton")->click();
  EXPECT_EQ(bench.Screen(), kFailScreen);
  EXPECT_EQ(bench.claim.claimed.size(), 1u);
  EXPECT_FALSE(bench.claim.held);
}

TEST(Workflow, NoDuringAnUpdateClosesOnlyAfterTheProcedureReturned) {
  WindowBench bench(Devices({ListedThenSeenAs("j339")}));
  ui::TZintFwTool& window = bench.Open();
  bool clickedWhileRunning = false;
  bool closedWhileRunning = false;
  QObject::connect(bench.Button("ExitBtn"), &QAbstractButton::clicked,
                   [&] { clickedWhileRunning = window.updateRunning(); });
  QObject::connect(&window, &ui::TZintFwTool::windowClosed,
                   [&] { closedWhileRunning = window.updateRunning(); });
  // Delivered by the first message pass inside the procedure.
  QMetaObject::invokeMethod(bench.Button("ExitBtn"), "click", Qt::QueuedConnection);

  bench.Button("EraseButton")->click();

  EXPECT_TRUE(clickedWhileRunning);
  EXPECT_TRUE(window.isClosed());
  EXPECT_FALSE(closedWhileRunning);
  EXPECT_EQ(bench.Screen(), kFailScreen);  // the procedure ran to its end first
}

TEST(Workflow, ADeviceChangeDuringAnUpdateIsDropped) {
  WindowBench bench(Devices({ListedThenSeenAs("j339")}));
  ui::TZintFwTool& window = bench.Open();
  bool deliveredWhileRunning = false;
  QMetaObject::invokeMethod(
      &window,
      [&] {
        deliveredWhileRunning = window.updateRunning();
        bench.notifications.Fire(platform::kDeviceArrival);
      },
      Qt::QueuedConnection);

  const std::uint32_t probes = bench.rig.sim.RequestCount(0, "ProbeBridge");

  bench.Button("EraseButton")->click();

  EXPECT_TRUE(deliveredWhileRunning);
  EXPECT_EQ(bench.rig.sim.RequestCount(0, "ProbeBridge"), probes);  // no drive scan ran
  EXPECT_EQ(bench.Screen(), kFailScreen);
  EXPECT_FALSE(window.isClosed());
}

}  // namespace
}  // namespace kelm::test
