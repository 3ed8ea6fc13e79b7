#include "chip/firmware_file.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "tests/chip/bridge_answers.h"
#include "tests/support/rig.h"

namespace kelm::test {
namespace {

namespace fs = std::filesystem;
using chip::MakeChipCode;

// A fresh folder per test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    dir_ = fs::temp_directory_path() / ("kelm-chip-test-" + std::to_string(random()));
    fs::create_directories(dir_);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string Write(const std::string& name, const ByteVector& bytes) const {
    const fs::path file = dir_ / name;
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file.string();
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  fs::path dir_;
};

ByteVector Text(std::string_view text) { return ByteVector(text.begin(), text.end()); }
// A 10-byte file whose bytes 4-7 are `signature`.
ByteVector Signed(std::string_view signature) {
  ByteVector file(10, 'x');
  const std::string_view head = "KELM";
  std::copy(head.begin(), head.end(), file.begin());
  std::copy_n(signature.begin(), std::min<std::size_t>(signature.size(), 6), file.begin() + 4);
  return file;
}
const ByteVector kAmicSignature = Signed("\x5A\xA5\x0F\xF0");
const ByteVector kJmb353First = {0x55, 0xAA, 0xAA, 0x55, 'j', '3', '5', '3', 0, 0};
const ByteVector kJmb353Second = {0x55, 0xAA, 0xAA, 0x55, '3', '5', '3', '1', 0, 0};

struct FileCase {
  const char* name;
  std::uint8_t model;
  std::uint8_t revision;
  ByteVector file;
  bool fits;
};
void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

class FirmwareFileRule : public ::testing::TestWithParam<FileCase> {};

TEST_P(FirmwareFileRule, JudgesTheFile) {
  const FileCase& c = GetParam();
  TempFolder folder;
  Rig rig(sim::Scenario{});
  const std::string file = folder.Write("fw.bin", c.file);
  EXPECT_EQ(chip::CheckFirmwareFile(rig.io, file, MakeChipCode(c.model, c.revision)), c.fits);
  EXPECT_TRUE(rig.recorder.boxes.empty());
}

ByteVector Jmb353Altered(std::size_t at) {
  ByteVector file = kJmb353First;
  file[at] ^= 0x01;
  return file;
}

INSTANTIATE_TEST_SUITE_P(
    ByModel, FirmwareFileRule,
    ::testing::Values(
        FileCase{"Jm20335FirstTakesAmicBytes", 1, 1, kAmicSignature, true},
        FileCase{"Jm20335FirstRefuses3350", 1, 1, Signed("3350"), false},
        FileCase{"Jm20335SecondTakes3351", 1, 2, Signed("3351"), true},
        FileCase{"Jm20335SecondRefusesAmicBytes", 1, 2, kAmicSignature, false},
        FileCase{"Jm20335SecondRefuses3352", 1, 2, Signed("3352"), false},
        FileCase{"Jm20339FirstTakes3390", 4, 1, Signed("3390"), true},
        FileCase{"Jm20339FirstRefusesAmicBytes", 4, 1, kAmicSignature, false},
        FileCase{"Jm20339ThirdTakes3392", 4, 3, Signed("3392"), true},
        FileCase{"Jm20339ThirdRefuses3351", 4, 3, Signed("3351"), false},
        FileCase{"Jm20336Refuses3360", 2, 0, Signed("3360"), false},
        FileCase{"Jm20336Takes3460", 2, 0, Signed("3460"), true},
        FileCase{"UsbIdJm20336Refuses3351", 17, 0, Signed("3351"), false},
        FileCase{"UsbIdJm20336TakesX360", 17, 0, Signed("x360"), true},
        FileCase{"Jm20337TakesAnything", 3, 0, Signed("9999"), true},
        FileCase{"RegisterModelTakesAnything", 15, 0, kAmicSignature, true},
        FileCase{"Jmb352Takes3521", 6, 2, Signed("3521"), true},
        FileCase{"Jmb352Takes352AnyRevision", 6, 1, Signed("352z"), true},
        FileCase{"Jmb352Refuses3531", 6, 2, Signed("3531"), false},
        FileCase{"Jmb353FirstTakesItsHeader", 7, 1, kJmb353First, true},
        FileCase{"Jmb353FirstRefusesSecondHeader", 7, 1, kJmb353Second, false},
        FileCase{"Jmb353SecondTakesItsHeader", 7, 2, kJmb353Second, true},
        FileCase{"Jmb353HeaderComparedFromByte0", 7, 1, Jmb353Altered(3), false},
        FileCase{"Jmb353HeaderComparedToByte7", 7, 1, Jmb353Altered(7), false},
        FileCase{"Jmb353ThirdRefusesFirstHeader", 7, 3, kJmb353First, false},
        FileCase{"Jmb353ThirdRefusesSecondHeader", 7, 3, kJmb353Second, false},
        FileCase{"Jmb353UnlearntRefuses", 7, 0, kJmb353First, false},
        FileCase{"UnknownChipRefuses", 0, 0, Signed("3351"), false},
        FileCase{"Jm20329Refuses", 5, 1, Signed("3290"), false},
        FileCase{"Jms551Refuses", 10, 1, Signed("5510"), false},
        FileCase{"Jmb509Refuses", 12, 1, Signed("5090"), false},
        // Bytes a short file does not hold count as zero.
        FileCase{"ShortFileEndsSignature", 6, 1, Text("KELM35"), false},
        FileCase{"ShortFileHoldsEnough", 6, 1, Text("KELM352"), true},
        FileCase{"ShortFileMissesRevision", 1, 2, Text("KELM335"), false},
        FileCase{"ShortFileIsNot33ForJm20336", 2, 0, Text("KELM3"), true},
        FileCase{"EmptyFileForJm20336", 2, 0, {}, true},
        FileCase{"EmptyFileForJmb352", 6, 1, {}, false},
        FileCase{"EmptyFileForJmb353", 7, 1, {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FirmwareFileOpen, UnreadableFileIsReportedOnceAndDoesNotFit) {
  TempFolder folder;
  Rig rig(sim::Scenario{});
  // A device is never read as a file, however much it would give.
  for (const std::string& file : {folder.Path("missing.bin"), folder.Path(""), std::string("/dev/zero")}) {
    rig.recorder.boxes.clear();
    EXPECT_FALSE(chip::CheckFirmwareFile(rig.io, file, MakeChipCode(3, 0))) << file;
    ASSERT_EQ(rig.recorder.boxes.size(), 1u) << file;
    EXPECT_EQ(rig.recorder.boxes[0].caption, "Error");
    EXPECT_EQ(rig.recorder.boxes[0].text, "Open Firmware File Error!!");
    EXPECT_EQ(rig.recorder.boxes[0].icon, platform::MessageIcon::None);
  }
}

// --- whether a JMB352 already holds its embedded image ---

constexpr std::uint32_t kNvram = 4096;

// The device's flash: the image from address 0 with a foreign NVRAM area in front.
ByteVector FlashHolding(std::span<const std::uint8_t> image) {
  ByteVector flash(65536, 0xFF);
  std::copy(image.begin(), image.end(), flash.begin());
  std::fill(flash.begin(), flash.begin() + std::min<std::size_t>(kNvram, image.size()), 0x5A);
  return flash;
}

ByteVector ImageBytes(const Rig& rig, std::string_view name) {
  const auto image = rig.images.TakeImage(name);
  return {image.begin(), image.end()};
}

struct RigRun {
  bool current;
  std::uint32_t flashReads;
};

RigRun CheckCurrent(Rig& rig) {
  const bool current = chip::IsEmbeddedImageCurrent(rig.io, rig.sim.DevicePath(0));
  return {current, rig.sim.RequestCount(0, "ReadFlash")};
}

TEST(EmbeddedImageCurrent, HoldsImageWhateverTheNvramHolds) {
  for (const auto& [revision, name] : {std::pair{1, "FW352A"}, std::pair{2, "FW352B"}}) {
    Rig probe{sim::Scenario{}};
    const ByteVector image = ImageBytes(probe, name);
    ASSERT_GT(image.size(), kNvram) << name;
    Rig rig(OneDevice(Jmb352Device(revision, FlashHolding(image))));
    EXPECT_TRUE(CheckCurrent(rig).current) << name;
  }
}

TEST(EmbeddedImageCurrent, ReadsOnlyPastTheNvram) {
  Rig probe{sim::Scenario{}};
  Rig rig(OneDevice(Jmb352Device(2, FlashHolding(ImageBytes(probe, "FW352B")))));
  std::ostringstream trace;
  rig.sim.SetTrace(&trace);
  EXPECT_TRUE(CheckCurrent(rig).current);
  const std::vector<std::string> expected = {kInquiry,
                                             kProbeBridge,
                                             kChipInfo16,
                                             kChipModel,
                                             "in ff0412000000000000000000 2",
                                             "in ff0410001000000000000000 32768"};
  EXPECT_EQ(Requests(trace.str()), expected);
}

TEST(EmbeddedImageCurrent, AnyDifferencePastTheNvramIsNotCurrent) {
  Rig probe{sim::Scenario{}};
  const ByteVector image = ImageBytes(probe, "FW352B");
  for (const std::size_t at : {std::size_t{kNvram}, image.size() / 2, image.size() - 1}) {
    ByteVector flash = FlashHolding(image);
    flash[at] ^= 0x01;
    Rig rig(OneDevice(Jmb352Device(2, flash)));
    EXPECT_FALSE(CheckCurrent(rig).current) << "difference at " << at;
  }
}

TEST(EmbeddedImageCurrent, FailedOrIncompleteReadIsNotCurrent) {
  // An image ending in zeros: a read that leaves the zero-filled buffer short would match.
  ByteVector image(20480, 0);
  for (std::size_t i = 0; i < 12288; ++i) image[i] = static_cast<std::uint8_t>(i * 7);
  struct Fault {
    const char* name;
    std::vector<sim::Fault> fail, lastError, shortReads;
  };
  const Fault faults[] = {
      {"fail", {{"ReadFlash", 1, 0}}, {}, {}},
      {"last_error", {}, {{"ReadFlash", 1, 0}}, {}},
      {"short", {}, {}, {{"ReadFlash", 1, 12288}}},
  };
  for (const Fault& fault : faults) {
    sim::DeviceSpec device = Jmb352Device(1, FlashHolding(image));
    device.fail = fault.fail;
    device.lastError = fault.lastError;
    device.shortReads = fault.shortReads;
    Rig rig(OneDevice(device));
    rig.images.Set("FW352A", image);
    EXPECT_FALSE(CheckCurrent(rig).current) << fault.name;
  }
  Rig control(OneDevice(Jmb352Device(1, FlashHolding(image))));
  control.images.Set("FW352A", image);
  EXPECT_TRUE(CheckCurrent(control).current);
}

TEST(EmbeddedImageCurrent, StillBusyFlashIsReadAnyway) {
  Rig probe{sim::Scenario{}};
  sim::DeviceSpec device = Jmb352Device(2, FlashHolding(ImageBytes(probe, "FW352B")));
  device.serialFlash->stuckBusy = true;
  Rig rig(OneDevice(device));
  EXPECT_TRUE(CheckCurrent(rig).current);
}

struct NoImageCase {
  const char* name;
  int revision;
  std::size_t imageSize;  // of the image the revision would take
};
void PrintTo(const NoImageCase& c, std::ostream* os) { *os << c.name; }

class EmbeddedImageMissing : public ::testing::TestWithParam<NoImageCase> {};

TEST_P(EmbeddedImageMissing, IsNotCurrentAndReadsNoFlash) {
  const NoImageCase& c = GetParam();
  ByteVector image(c.imageSize, 0xFF);
  Rig rig(OneDevice(Jmb352Device(c.revision, ByteVector(65536, 0xFF))));
  rig.images.Set("FW352A", image);
  rig.images.Set("FW352B", image);
  const RigRun run = CheckCurrent(rig);
  EXPECT_FALSE(run.current);
  EXPECT_EQ(run.flashReads, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EmbeddedImageMissing,
    ::testing::Values(NoImageCase{"ThirdRevisionHasNoImage", 3, 20480},
                      NoImageCase{"AbsentImage", 2, 0},
                      NoImageCase{"ImageWithinNvram", 2, 4096},
                      NoImageCase{"TinyImage", 1, 16}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EmbeddedImageCurrent, ImageOneBytePastNvramIsCompared) {
  ByteVector image(kNvram + 1, 0x00);
  image[kNvram] = 0xFF;  // the erased flash holds 0xFF there
  Rig rig(OneDevice(Jmb352Device(2, ByteVector(65536, 0xFF))));
  rig.images.Set("FW352B", image);
  const RigRun run = CheckCurrent(rig);
  EXPECT_TRUE(run.current);
  EXPECT_EQ(run.flashReads, 1u);
}

TEST(EmbeddedImageCurrent, OtherBridgeIsNotCurrent) {
  Rig rig(OneDevice(Bridge({{"Inquiry", InquiryWithTag("j336")}})));
  EXPECT_FALSE(CheckCurrent(rig).current);
}

}  // namespace
}  // namespace kelm::test
