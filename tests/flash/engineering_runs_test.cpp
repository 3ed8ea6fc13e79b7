// The engineering runs: the mode choice, erase-all, and the backups of both families.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "chip/jm20336_update.h"
#include "flash/programming.h"
#include "tests/flash/flash_rig.h"

namespace kelm::test {
namespace {

namespace fs = std::filesystem;

struct ModeCase {
  bool rd, eraseOnly, backup;
  std::string firstStatus;
};

class ModeChoice : public EngineTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeChoice, PicksTheRun) {
  Rig rig(OneDevice(SerialFlashDevice(65536, {})));
  RecordingHost host(rig);
  host.opts.rdCheckBox = GetParam().rd;
  host.opts.backupFwCheckBox = GetParam().backup;
  host.opts.eraseOnlyFlag = GetParam().eraseOnly;
  host.opts.backupFileName = "b.bak";
  flash::ProgramFirmware(host, rig.sim.DevicePath(0));
  ASSERT_FALSE(host.statusHistory.empty());
  EXPECT_EQ(host.statusHistory.front(), GetParam().firstStatus);
}

INSTANTIATE_TEST_SUITE_P(Options, ModeChoice,
                         ::testing::Values(ModeCase{true, true, true, "Start Erase only!"},
                                           ModeCase{true, false, true, "Backup ..."},
                                           ModeCase{false, true, true,
                                                    "Load defaut Fw file Error!!"}));

struct EraseAllCase {
  const char* name;
  const char* kind;  // "", "read fails", "short read", "stuck"
  std::string status;
  std::uint32_t result;
};

class EraseAll : public EngineTest, public ::testing::WithParamInterface<EraseAllCase> {};

TEST_P(EraseAll, ErasesEveryBlockAndChecksWhatItCanRead) {
  const EraseAllCase c = GetParam();
  sim::DeviceSpec device = SerialFlashDevice(65536, std::vector<std::uint8_t>(65536, 0));
  const std::string kind = c.kind;
  if (kind == "read fails") device.fail.push_back({"ReadFlash", std::nullopt, 0});
  if (kind == "short read") device.shortReads.push_back(FaultOn("ReadFlash", 1, 1000));
  if (kind == "stuck") device.serialFlash->stuck.push_back({0xFFFF, 0x7F});
  Rig rig(OneDevice(device));
  RecordingHost host(rig);
  host.opts.rdCheckBox = host.opts.eraseOnlyFlag = true;

  EXPECT_EQ(flash::ProgramFirmware(host, rig.sim.DevicePath(0)), c.result);
  EXPECT_EQ(host.Status(), c.status);
  EXPECT_EQ(rig.sim.RequestCount(0, "EraseFlashSector"), 4u);
  EXPECT_EQ(rig.recorder.boxes.size(), c.result);
  if (c.result) {
    EXPECT_EQ(rig.recorder.boxes[0].text, "Please Turn-Off the Power and Turn-On Again!");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, EraseAll,
    ::testing::Values(EraseAllCase{"Blank", "", "Erase flash all success!", 1},
                      EraseAllCase{"ReadBackFails", "read fails", "Erase flash all success!", 1},
                      EraseAllCase{"ReadBackShort", "short read", "Data not 0xff !!", 0},
                      EraseAllCase{"StuckByte", "stuck", "Data not 0xff !!", 0}),
    [](const auto& info) { return std::string(info.param.name); });

// A host whose message boxes note how many requests had reached the bridge by then.
class BoxSpyHost final : public platform::Host, public platform::MessageBoxes {
 public:
  explicit BoxSpyHost(Rig& rig)
      : rig_(rig), io_{rig.sim, rig.sim, rig.clock, rig.recorder, rig.recorder, *this, rig.images, rig.files} {
    rig.sim.SetTrace(&trace_);
  }
  const platform::Services& services() override { return io_; }
  void SetStatus(std::string_view text) override { status_ = text; }
  std::string Status() const override { return status_; }
  void ProcessMessages() override {}
  void AdvanceProgress(std::int32_t) override {}
  platform::Options options() const override { return opts; }
  void Show(std::string_view caption, std::string_view text, platform::MessageIcon icon) override {
    rig_.recorder.Show(caption, text, icon);
    requestsBeforeBox.push_back(TracedCdbs(trace_, "").size());
  }

  platform::Options opts;
  std::vector<std::size_t> requestsBeforeBox;

 private:
  Rig& rig_;
  platform::Services io_;
  std::ostringstream trace_;
  std::string status_;
};

struct Family {
  const char* name;
  std::function<bool(platform::Host&, const std::string&)> backup;
  std::function<sim::DeviceSpec(std::vector<std::uint8_t>)> device;
  std::string readCommand, readError, fileError;
};

const Family kSerial{
    "Serial",
    [](platform::Host& h, const std::string& p) { return flash::BackupFirmware(h, p, 0) == 1; },
    [](std::vector<std::uint8_t> c) { return SerialFlashDevice(65536, std::move(c)); },
    "ReadFlash",
    "Read Back to Backup Error!!",
    "Open Backup File Error!!"};
const Family kParallel{"Parallel",          chip::BackupOnlyJm20336,
                       ParallelFlashDevice, "ReadParallelFlash",
                       "Read ROM fail!!",   "Read ROM Suceess, but save to file fail!!"};

std::vector<std::uint8_t> FileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t EntriesIn(const fs::path& dir) {
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

class Backup : public EngineTest, public ::testing::WithParamInterface<Family> {};

TEST_P(Backup, EmptyNameShowsTheDefaultBoxFirstAndWritesOldflashBak) {
  const auto flashBytes = Pattern(65536, 5);
  Rig rig(OneDevice(GetParam().device(flashBytes)));
  BoxSpyHost host(rig);

  EXPECT_TRUE(GetParam().backup(host, rig.sim.DevicePath(0)));

  ASSERT_EQ(rig.recorder.boxes.size(), 1u);
  EXPECT_EQ(rig.recorder.boxes[0].caption, "Message");
  EXPECT_EQ(rig.recorder.boxes[0].text, "Default backup firmware as OldFalsh.bak!");
  EXPECT_EQ(host.requestsBeforeBox, std::vector<std::size_t>{0});
  EXPECT_EQ(FileBytes(dir_ / "oldflash.bak"), flashBytes);
  EXPECT_EQ(host.Status(), "Read flash and backup success!");
}

TEST_P(Backup, ReplacesAnExistingFileWithoutLeavingTemporaries) {
  const auto flashBytes = Pattern(65536, 6);
  Rig rig(OneDevice(GetParam().device(flashBytes)));
  RecordingHost host(rig);
  host.opts.backupFileName = "named.bak";
  std::ofstream(dir_ / "named.bak") << "older backup";

  EXPECT_TRUE(GetParam().backup(host, rig.sim.DevicePath(0)));
  EXPECT_EQ(FileBytes(dir_ / "named.bak"), flashBytes);
  EXPECT_EQ(EntriesIn(dir_), 1u);
  EXPECT_TRUE(rig.recorder.boxes.empty());
}

TEST_P(Backup, FailureKeepsTheExistingFile) {
  const Family family = GetParam();
  struct Case {
    const char* kind;
    std::string target;
    std::string status;
  };
  const std::vector<Case> cases = {{"read fails", "keep.bak", family.readError},
                                   {"short read", "keep.bak", family.readError},
                                   // Refused before the flash is read, in both families.
                                   {"target is a folder", "folder", "Open Backup File Error!!"},
                                   {"no such folder", "missing/keep.bak", family.fileError}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    sim::DeviceSpec device = family.device(Pattern(65536, 7));
    const std::string kind = c.kind;
    if (kind == "read fails") device.fail.push_back(FaultOn(family.readCommand, 1));
    if (kind == "short read") device.shortReads.push_back(FaultOn(family.readCommand, 1, 65535));
    Rig rig(OneDevice(device));
    RecordingHost host(rig);
    host.opts.backupFileName = (dir_ / c.target).string();
    std::ofstream(dir_ / "keep.bak") << "older backup";
    fs::create_directory(dir_ / "folder");

    EXPECT_FALSE(family.backup(host, rig.sim.DevicePath(0)));
    EXPECT_EQ(host.Status(), c.status);
    EXPECT_EQ(
        FileBytes(dir_ / "keep.bak"),
        (std::vector<std::uint8_t>{'o', 'l', 'd', 'e', 'r', ' ', 'b', 'a', 'c', 'k', 'u', 'p'}));
    EXPECT_TRUE(fs::is_directory(dir_ / "folder"));
    EXPECT_EQ(EntriesIn(dir_), 2u);
  }
}

INSTANTIATE_TEST_SUITE_P(Families, Backup, ::testing::Values(kSerial, kParallel),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelm::test
