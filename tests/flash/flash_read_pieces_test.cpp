// Flash reads as they reach the device: large reads split into 64 KiB pieces, and a read
// that delivered at least what it asked for counts as whole.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "chip/jm20336_update.h"
#include "flash/programming.h"
#include "tests/flash/flash_rig.h"

namespace kelm::test {
namespace {

struct SplitCase {
  std::uint32_t size;
  std::vector<std::string> reads;  // the ReadFlash CDBs, in order
};

TEST_F(EngineTest, BackupReadsAtMostSixtyFourKibPerRequest) {
  const std::vector<SplitCase> cases = {
      {32768, {"ff0410000000000000000000"}},
      {65536, {"ff0410000000000000000000"}},
      {131072, {"ff0410000000000000000000", "ff0410010000000000000000"}},
      {262144,
       {"ff0410000000000000000000", "ff0410010000000000000000", "ff0410020000000000000000",
        "ff0410030000000000000000"}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.size);
    const std::vector<std::uint8_t> old = Pattern(c.size, 3);
    Rig rig(OneDevice(SerialFlashDevice(c.size, old)));
    std::ostringstream trace;
    rig.sim.SetTrace(&trace);
    RecordingHost host(rig);
    host.opts.rdCheckBox = host.opts.backupFwCheckBox = true;
    host.opts.backupFileName = "backup.bin";
    flash::FirmwareSize = c.size;

    EXPECT_EQ(flash::ProgramFirmware(host, rig.sim.DevicePath(0)), 1u);
    EXPECT_EQ(TracedCdbs(trace, "ff0410"), c.reads);
    std::ifstream file("backup.bin", std::ios::binary);
    const std::vector<std::uint8_t> saved{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(saved, old);
  }
}

TEST_F(EngineTest, OneByteImageOnJm20336IsProgrammedAndReadBackWhole) {
  Rig rig(OneDevice(ParallelFlashDevice(std::vector<std::uint8_t>(65536, 0))));
  rig.images.Set("FW339", {0x5A});
  RecordingHost host(rig);

  EXPECT_TRUE(chip::UpdateJm20336(host, rig.sim.DevicePath(0), 0));
  EXPECT_EQ(host.Status(), "Programming & Compare Success!!");
  EXPECT_EQ(rig.sim.ParallelFlash(0)[0], 0x5A);
}

}  // namespace
}  // namespace kelm::test
