#include "flash/programming.h"

#include <gtest/gtest.h>

#include "tests/flash/flash_rig.h"

namespace kelm::test {
namespace {

constexpr std::uint32_t kFlashSize = 131072;

// A bridge whose flash holds old zero firmware, with an FW339 image of `imageSize` bytes.
struct ProgrammingBench {
  explicit ProgrammingBench(std::size_t imageSize, std::int32_t flashCode = 4,
                            sim::DeviceSpec device = SerialFlashDevice(
                                kFlashSize, std::vector<std::uint8_t>(kFlashSize, 0)))
      : rig(OneDevice(std::move(device))), host(rig), image(Pattern(imageSize)) {
    if (imageSize > 0) rig.images.Set("FW339", image);
    host.opts.flashCode = flashCode;
    rig.sim.SetTrace(&trace);
  }
  std::uint32_t Run() { return flash::ProgramFirmware(host, rig.sim.DevicePath(0)); }
  std::vector<std::string> EraseSectorCdbs() const { return TracedCdbs(trace, "ff0414"); }

  Rig rig;
  RecordingHost host;
  std::vector<std::uint8_t> image;
  std::ostringstream trace;
};

std::string SectorCdb(std::uint32_t address) {
  char text[32];
  std::snprintf(text, sizeof text, "ff0414%06x000000000000", address);
  return text;
}

struct SizeCase {
  std::size_t imageSize;
  std::int32_t flashCode;
  std::uint32_t chipErases;
  std::vector<std::uint32_t> sectorErases;
  std::uint32_t pages;
  std::size_t erasedBytes;  // the sim's erase units are 32 KiB
};

class ProgrammingBySize : public EngineTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(ProgrammingBySize, ErasesWhatTheImageNeedsAndVerifiesThePaddedImage) {
  const SizeCase c = GetParam();
  ProgrammingBench bench(c.imageSize, c.flashCode);

  EXPECT_EQ(bench.Run(), 1u);

  EXPECT_EQ(bench.host.Status(), "Programming Success!!");
  EXPECT_EQ(bench.rig.sim.RequestCount(0, "EraseWholeFlash"), c.chipErases);
  std::vector<std::string> expectedSectors;
  for (std::uint32_t address : c.sectorErases) expectedSectors.push_back(SectorCdb(address));
  EXPECT_EQ(bench.EraseSectorCdbs(), expectedSectors);
  EXPECT_EQ(bench.rig.sim.RequestCount(0, "WriteFlash"), c.pages);
  // The last page beyond the image is written as erased bytes.
  std::vector<std::uint8_t> expected(kFlashSize, 0);
  std::fill(expected.begin(), expected.begin() + c.erasedBytes, 0xFF);
  std::copy(bench.image.begin(), bench.image.end(), expected.begin());
  EXPECT_EQ(bench.rig.sim.SerialFlash(0), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ProgrammingBySize,
    ::testing::Values(SizeCase{65536, 4, 0, {0x0000, 0x8000}, 4, 65536},
                      SizeCase{65537, 4, 1, {}, 5, kFlashSize},
                      SizeCase{32768, -1, 0, {0x0000}, 2, 32768},
                      SizeCase{32769, -1, 0, {0x0000, 0x8000}, 3, 65536},
                      SizeCase{32768, 1, 0, {0x0000, 0x1000, 0x3000, 0x7000}, 2, 32768},
                      SizeCase{32769, 5, 0, {0x0000, 0x1000, 0x3000, 0x7000, 0xF000}, 3, 65536}));

struct ParameterBlockCase {
  std::size_t imageSize;
  std::vector<std::string> out;
};

class ParameterBlock : public EngineTest,
                       public ::testing::WithParamInterface<ParameterBlockCase> {};

TEST_P(ParameterBlock, IsSavedForSmallImagesAndRestoredOnlyForOneUnit) {
  ProgrammingBench bench(GetParam().imageSize);
  bench.host.opts.sFlashTypeText = "ST/MXIC";
  EXPECT_EQ(bench.Run(), 1u);
  EXPECT_EQ(bench.rig.recorder.out, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ParameterBlock,
    ::testing::Values(ParameterBlockCase{32768, {"NVRAM O.K.\n", "write NVRAM O.K.\n"}},
                      ParameterBlockCase{32769, {"NVRAM O.K.\n"}}, ParameterBlockCase{65537, {}}));

TEST_F(EngineTest, FailedParameterBlockSaveWritesNothingBack) {
  std::vector<std::uint8_t> old(kFlashSize, 0xFF);
  const auto block = Pattern(512, 3);
  std::copy(block.begin(), block.end(), old.begin() + 0x8000);
  sim::DeviceSpec device = SerialFlashDevice(kFlashSize, old);
  device.fail.push_back(FaultOn("ReadFlash", 1));
  ProgrammingBench bench(32768, 4, device);
  bench.host.opts.sFlashTypeText = "ST/MXIC";

  EXPECT_EQ(bench.Run(), 1u);
  EXPECT_EQ(bench.rig.recorder.out, std::vector<std::string>{"NVRAM fail\n"});
  const auto flash = bench.rig.sim.SerialFlash(0);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), flash.begin() + 0x8000));
}

TEST_F(EngineTest, PageWriteFailureStopsAtThatPage) {
  for (std::uint32_t failing : {0u, 2u}) {
    sim::DeviceSpec device = SerialFlashDevice(kFlashSize, {});
    device.fail.push_back(FaultOn("WriteFlash", failing + 1));
    ProgrammingBench bench(65536, 4, device);

    EXPECT_EQ(bench.Run(), 0u);
    EXPECT_EQ(bench.host.Status(), "Programming Fail!!");
    EXPECT_EQ(bench.rig.sim.RequestCount(0, "WriteFlash"), failing + 1);
    std::vector<std::string> expected;
    for (std::uint32_t page = 1; page <= failing; ++page)
      expected.push_back(std::string(page, '.'));
    expected.push_back("Programming Fail!!");
    EXPECT_EQ(bench.host.statusHistory, expected);
  }
}

struct RefusalCase {
  const char* name;
  std::size_t imageSize;
  std::int32_t flashCode;
  const char* kind;  // "", "stuck", "short blank", "short verify"
  std::string status;
  std::uint32_t writes;
};

class ProgrammingRefusal : public EngineTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(ProgrammingRefusal, EndsWithItsMessage) {
  const RefusalCase c = GetParam();
  sim::DeviceSpec device = SerialFlashDevice(kFlashSize, {});
  const std::string kind = c.kind;
  if (kind == "stuck") device.serialFlash->stuck.push_back({0x4321, 0xFE});
  if (kind == "short blank") device.shortReads.push_back(FaultOn("ReadFlash", 1, 40000));
  // The padding after the image still holds the blank check's 0xFF in the buffer.
  if (kind == "short verify") device.shortReads.push_back(FaultOn("ReadFlash", 2, 32769));
  ProgrammingBench bench(c.imageSize, c.flashCode, device);

  EXPECT_EQ(bench.Run(), 0u);
  EXPECT_EQ(bench.host.Status(), c.status);
  EXPECT_EQ(bench.rig.sim.RequestCount(0, "WriteFlash"), c.writes);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, ProgrammingRefusal,
    ::testing::Values(
        RefusalCase{"NoImage", 0, 4, "", "Load defaut Fw file Error!!", 0},
        RefusalCase{"UnknownFlash", 32768, 2, "", "Not Support this AMIC Flash Type!!", 0},
        RefusalCase{"NotBlank", 32768, 4, "stuck", "Data not 0xff !!", 0},
        RefusalCase{"ShortBlankRead", 65536, 4, "short blank", "Data not 0xff !!", 0},
        RefusalCase{"ShortVerifyRead", 32769, 4, "short verify", "Read Fail!!\r\n", 3}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelm::test
