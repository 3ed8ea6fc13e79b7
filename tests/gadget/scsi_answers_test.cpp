#include "programs/bridge-gadget/scsi_answers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kelm::gadget {
namespace {

std::vector<std::uint8_t> Rw10(std::uint8_t opcode, std::uint8_t lba, std::uint8_t count) {
  return {opcode, 0, 0, 0, 0, lba, 0, 0, count, 0};
}

// What the kernel writes to the disk (a filesystem made on it) reads back; a CD-ROM takes no
// write and nothing goes past the last block.
TEST(ScsiAnswers, TheDiskKeepsWhatIsWrittenToIt) {
  ScsiUnit disk(0, {});
  const std::vector<std::uint8_t> blocks(1024, 0x5A);
  EXPECT_TRUE(disk.Execute(Rw10(0x2A, 3, 2), 0, blocks).passed);
  const ScsiResult read = disk.Execute(Rw10(0x28, 3, 2), 1024);
  ASSERT_TRUE(read.passed);
  EXPECT_EQ(read.data, blocks);
  EXPECT_EQ(disk.Execute(Rw10(0x28, 2, 1), 512).data, std::vector<std::uint8_t>(512, 0));
  EXPECT_FALSE(disk.Execute(Rw10(0x2A, 127, 2), 0, blocks).passed);

  ScsiUnit cdrom(5, {});
  EXPECT_FALSE(cdrom.Execute(Rw10(0x2A, 0, 1), 0, std::vector<std::uint8_t>(2048)).passed);
}

// A bridge command refused with "command failed": the kernel's REQUEST SENSE then reads
// ILLEGAL REQUEST, invalid command operation code, once.
TEST(ScsiAnswers, ARefusedBridgeCommandLeavesItsSenseForTheKernel) {
  ScsiUnit disk(0, {});
  disk.RefuseUnknownCommand();
  const std::vector<std::uint8_t> requestSense = {0x03, 0, 0, 0, 18, 0};
  const ScsiResult sense = disk.Execute(requestSense, 18);
  ASSERT_TRUE(sense.passed);
  ASSERT_EQ(sense.data.size(), 18u);
  EXPECT_EQ(sense.data[0], 0x70);
  EXPECT_EQ(sense.data[2], 0x05);
  EXPECT_EQ(sense.data[12], 0x20);
  EXPECT_EQ(disk.Execute(requestSense, 18).data[2], 0x00);
}

}  // namespace
}  // namespace kelm::gadget
