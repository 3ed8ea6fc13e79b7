#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "tests/sim/wire.h"

namespace kelm::sim {
namespace {

using testing::Bytes;
using testing::Cdb;
using testing::SerialCdb;
using platform::ShareMode;

const Bytes kInquiry = Cdb({0x12, 0x00, 0x00, 0x00, 0x28});

std::vector<std::string> Listed(SimPlatform& sim, std::string_view interfaceClass) {
  std::vector<std::string> paths;
  const platform::DeviceInfoSet set = sim.GetClassDevs(interfaceClass);
  EXPECT_NE(set, platform::kInvalidDeviceInfoSet);
  platform::DeviceInterfaceData data;
  for (std::uint32_t i = 0; sim.EnumDeviceInterfaces(set, interfaceClass, i, data); ++i) {
    std::string path;
    EXPECT_TRUE(sim.GetDeviceInterfacePath(set, data, path));
    paths.push_back(path);
  }
  sim.DestroyDeviceInfoList(set);
  return paths;
}

TEST(SetupService, ListsThePluggedDevicesOfAClassInScenarioOrder) {
  SimPlatform sim(testing::FromJson(R"({"devices": [
      {"class": "disk", "path": "d-a"}, {"class": "cdrom"}, {"class": "disk"}]})"));
  EXPECT_EQ(Listed(sim, platform::kDiskInterfaceClass),
            (std::vector<std::string>{"d-a", DefaultDevicePath("disk", 2)}));
  EXPECT_EQ(Listed(sim, "{53f56308-b6bf-11d0-94f2-00a0c91efb8b}"),
            (std::vector<std::string>{DefaultDevicePath("cdrom", 1)}));
  EXPECT_TRUE(Listed(sim, platform::kUsbDeviceInterfaceClass).empty());

  sim.Unplug();
  EXPECT_FALSE(sim.Plugged());
  EXPECT_TRUE(Listed(sim, platform::kDiskInterfaceClass).empty());
  sim.Plug();
  EXPECT_EQ(Listed(sim, platform::kDiskInterfaceClass).size(), 2u);
}

TEST(DeviceFile, OpensByPathIgnoringCaseOnlyWhatIsThereAndFree) {
  SimPlatform sim(testing::FromJson(R"({"devices": [
      {"class": "disk", "path": "\\\\?\\USBSTOR#Disk"},
      {"class": "disk", "path": "held", "held_open": true}]})"));
  const platform::Handle first = sim.Open("\\\\?\\usbstor#disk", ShareMode::Shared);
  const platform::Handle second = sim.Open("\\\\?\\UsbStor#DISK", ShareMode::Shared);
  EXPECT_NE(first, platform::kInvalidHandle);
  EXPECT_NE(second, platform::kInvalidHandle);
  EXPECT_NE(first, second);
  // While a shared handle is open an exclusive open fails, as on the real system.
  EXPECT_EQ(sim.Open("\\\\?\\usbstor#disk", ShareMode::Exclusive), platform::kInvalidHandle);
  sim.Close(first);
  sim.Close(second);
  const platform::Handle exclusive = sim.Open("\\\\?\\usbstor#disk", ShareMode::Exclusive);
  EXPECT_NE(exclusive, platform::kInvalidHandle);
  EXPECT_EQ(sim.Open("\\\\?\\usbstor#disk", ShareMode::Shared), platform::kInvalidHandle);
  sim.Close(exclusive);

  EXPECT_EQ(sim.Open("\\\\?\\usbstor#dis", ShareMode::Shared), platform::kInvalidHandle);
  EXPECT_EQ(sim.Open("held", ShareMode::Exclusive), platform::kInvalidHandle);
  const platform::Handle shared = sim.Open("HELD", ShareMode::Shared);
  EXPECT_NE(shared, platform::kInvalidHandle);
  sim.Close(shared);

  sim.Unplug();
  EXPECT_EQ(sim.Open("held", ShareMode::Shared), platform::kInvalidHandle);
}

TEST(DeviceFile, AHandleDiesWithTheUnplug) {
  SimPlatform sim(testing::FromJson(
      R"({"devices": [{"class": "disk", "path": "p", "answers": {"Inquiry": "01"}}]})"));
  const platform::Handle handle = sim.Open("p", ShareMode::Shared);
  sim.Unplug();
  sim.Plug();
  std::uint8_t buffer[4] = {};
  auto request = testing::Request(kInquiry, true, buffer, 4, 20);
  EXPECT_FALSE(sim.Control(handle, platform::kIoctlScsiPassThroughDirect, request));
  EXPECT_NE(sim.LastError(), 0u);
  EXPECT_EQ(request.DataTransferLength, 0u);
  sim.Close(handle);
  EXPECT_EQ(sim.RequestCount(0, "Inquiry"), 0u);
  EXPECT_TRUE(testing::Wire(sim, "p").In(kInquiry, 4).ok());
}

struct BadField {
  const char* name;
  std::function<void(std::uint32_t& code, platform::PassThroughRequest&)> spoil;
};

class BadRequest : public ::testing::TestWithParam<BadField> {};

TEST_P(BadRequest, FailsWithoutReachingTheDevice) {
  SimPlatform sim(testing::FromJson(R"({"devices": [{"class": "disk", "path": "p",
      "answers": {"Inquiry": "01 02 03 04"}}]})"));
  const platform::Handle handle = sim.Open("p", ShareMode::Shared);
  Bytes buffer(4, 0xEE);
  auto request = testing::Request(kInquiry, true, buffer.data(), 4, 20);
  std::uint32_t code = platform::kIoctlScsiPassThroughDirect;
  GetParam().spoil(code, request);
  EXPECT_FALSE(sim.Control(handle, code, request));
  EXPECT_NE(sim.LastError(), 0u);
  EXPECT_EQ(request.DataTransferLength, 0u);
  EXPECT_EQ(buffer, Bytes(4, 0xEE));
  sim.Close(handle);
}

using Request = platform::PassThroughRequest;
INSTANTIATE_TEST_SUITE_P(
    FixedFields, BadRequest,
    ::testing::Values(
        BadField{"Code", [](std::uint32_t& c, Request&) { c = 0x0004D004; }},
        BadField{"Length", [](std::uint32_t&, Request& r) { r.Length = 56; }},
        BadField{"PathId", [](std::uint32_t&, Request& r) { r.PathId = 1; }},
        BadField{"TargetId", [](std::uint32_t&, Request& r) { r.TargetId = 0; }},
        BadField{"Lun", [](std::uint32_t&, Request& r) { r.Lun = 2; }},
        BadField{"SenseInfoLength", [](std::uint32_t&, Request& r) { r.SenseInfoLength = 18; }},
        BadField{"SenseInfoOffset", [](std::uint32_t&, Request& r) { r.SenseInfoOffset = 44; }},
        BadField{"CdbLength", [](std::uint32_t&, Request& r) { r.CdbLength = 17; }},
        BadField{"NullBuffer", [](std::uint32_t&, Request& r) { r.DataBuffer = nullptr; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Commands, AnswersGiveAsMuchAsAskedAndNoAnswerFails) {
  SimPlatform sim(testing::FromJson(R"({"devices": [{"class": "disk", "path": "p",
      "answers": {"Inquiry": "01 02 03 04 05", "ProbeBridge": "", "ReadChipInfo": "f4e7",
                  "ReadChipModel": "6a", "IdentifyFlashStep2": "7f 37 20 12",
                  "ReadFlashIdentity": "c2"}}]})"));
  testing::Wire wire(sim, "p");
  const auto some = wire.In(kInquiry, 3);
  EXPECT_TRUE(some.ok());
  EXPECT_EQ(some.transferred, 3u);
  EXPECT_EQ(some.data, (Bytes{1, 2, 3}));
  EXPECT_TRUE(wire.guardIntact);
  const auto all = wire.In(kInquiry, 40);
  EXPECT_EQ(all.transferred, 5u);
  EXPECT_EQ(all.data, (Bytes{1, 2, 3, 4, 5}));
  EXPECT_TRUE(wire.guardIntact);

  const auto empty = wire.In(Cdb({0xDF, 0x10, 0, 0, 2}), 2);
  EXPECT_TRUE(empty.ok());
  EXPECT_EQ(empty.transferred, 0u);
  EXPECT_EQ(wire.In(Cdb({0xE0, 0xF4, 0xE7}), 16).data, (Bytes{0xF4, 0xE7}));
  EXPECT_EQ(wire.In(Cdb({0xFF, 0x04, 0x30, 0x08}), 40).data, (Bytes{0x6A}));
  EXPECT_EQ(wire.In(Cdb({0xFF, 0x04, 0x21}), 4).data, (Bytes{0x7F, 0x37, 0x20, 0x12}));
  EXPECT_EQ(wire.In(Cdb({0xFF, 0x04, 0x23, 0x04}), 4).data, (Bytes{0xC2}));

  SimPlatform silent(testing::FromJson(R"({"devices": [{"class": "disk", "path": "p"}]})"));
  const auto none = testing::Wire(silent, "p").In(kInquiry, 40);
  EXPECT_FALSE(none.called);
  EXPECT_EQ(none.transferred, 0u);
}

TEST(Commands, EveryDeviceTakesTheSessionCommandsButNoUnknownOnes) {
  SimPlatform sim(testing::FromJson(R"({"devices": [{"class": "disk", "path": "p"}]})"));
  testing::Wire wire(sim, "p");
  EXPECT_TRUE(wire.Out(Cdb({0xFF, 0x04, 0x4A, 0x4D, 0x55})).ok());  // EnterCommand
  EXPECT_TRUE(wire.Out(Cdb({0xFF, 0x04, 0x4A, 0x4D, 0xAA})).ok());  // LeaveCommand
  EXPECT_TRUE(wire.Out(Cdb({0xFF, 0x04, 0x05})).ok());              // SwitchToInternalRom
  EXPECT_TRUE(wire.In(Cdb({0xFF, 0x04, 0x20, 0x01, 0x01, 0x9F}), 0).ok());
  EXPECT_EQ(sim.RequestCount(0, "IdentifyFlashStep1"), 1u);

  for (const Bytes& unknown : {Cdb({0xFF, 0x04, 0x4A, 0x4D, 0x56}), Cdb({0xFF, 0x04, 0x20, 0x01}),
                               Cdb({0xFF, 0x04, 0x30, 0x09}), Cdb({0xFF, 0x05}), Cdb({0x00})}) {
    EXPECT_FALSE(wire.Out(unknown).called);
    EXPECT_FALSE(wire.In(unknown, 4).called);
  }
  // Serial and parallel flash commands need the flash.
  EXPECT_FALSE(wire.In(SerialCdb(0x10, 0), 16).called);
  EXPECT_FALSE(wire.In(SerialCdb(0x12, 0), 2).called);
  EXPECT_FALSE(wire.Out(SerialCdb(0x13, 0)).called);
  EXPECT_FALSE(wire.In(Cdb({0xFF, 0x04, 0x00}), 2).called);
  EXPECT_FALSE(wire.Out(Cdb({0xFF, 0x04, 0x01})).called);
}

TEST(Commands, ADataPhaseTheWrongWayFails) {
  SimPlatform sim(testing::FromJson(R"({"devices": [{"class": "disk", "path": "p",
      "answers": {"Inquiry": "01 02 03 04"}, "serial_flash": {}}]})"));
  testing::Wire wire(sim, "p");
  EXPECT_FALSE(wire.Out(kInquiry, {0, 0, 0, 0}).called);
  EXPECT_FALSE(wire.In(SerialCdb(0x11, 0), 4).called);  // WriteFlash read as data-in
  EXPECT_EQ(sim.SerialFlash(0), Bytes(65536, 0xFF));
}

TEST(Dump, WritesEachDeviceFlashSerialThenParallel) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("kelm-sim-dump-" +
                    std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(dir);
  SimPlatform sim(testing::FromJson(R"({"devices": [
      {"class": "disk", "serial_flash": {"size": 4, "content": {"fill": "11"}}},
      {"class": "disk"},
      {"class": "disk", "parallel_flash": {"content": {"fill": "22"}}},
      {"class": "disk", "serial_flash": {"size": 2, "content": {"fill": "33"}},
       "parallel_flash": {"content": {"fill": "44"}}}]})"));
  std::string error;
  ASSERT_TRUE(sim.WriteDump(dir.string(), error)) << error;
  auto read = [&](int i) {
    std::ifstream file(dir / ("device-" + std::to_string(i) + ".bin"), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
  };
  EXPECT_EQ(read(0), Bytes(4, 0x11));
  EXPECT_FALSE(std::filesystem::exists(dir / "device-1.bin"));
  EXPECT_EQ(read(2), Bytes(65536, 0x22));
  Bytes both(2, 0x33);
  both.insert(both.end(), 65536, 0x44);
  EXPECT_EQ(read(3), both);
  std::filesystem::remove_all(dir);

  EXPECT_FALSE(sim.WriteDump((dir / "absent" / "deeper").string(), error));
  EXPECT_NE(error.find("device-0.bin"), std::string::npos);
}

TEST(Bench, SetFlashReplacesTheContentsAndLeavesTheRestErased) {
  SimPlatform sim(testing::FromJson(R"({"devices": [{"class": "disk",
      "serial_flash": {"size": 4, "content": {"fill": "00"}}}]})"));
  sim.SetSerialFlash(0, {0x12, 0x34});
  EXPECT_EQ(sim.SerialFlash(0), (Bytes{0x12, 0x34, 0xFF, 0xFF}));
  EXPECT_THROW(sim.SetSerialFlash(0, Bytes(5, 0)), std::out_of_range);
  EXPECT_THROW(sim.SetParallelFlash(0, {}), std::out_of_range);
  EXPECT_TRUE(sim.ParallelFlash(0).empty());
}

TEST(Bench, ABuiltDeviceWhoseContentDoesNotFitIsRefused) {
  Scenario scenario;
  scenario.devices.emplace_back();
  scenario.devices[0].serialFlash.emplace();
  scenario.devices[0].serialFlash->size = 16;
  scenario.devices[0].serialFlash->content.file.assign(17, 0);
  EXPECT_THROW(SimPlatform{std::move(scenario)}, ScenarioError);
}

TEST(Clock, VirtualTimeAdvancesByEachSleep) {
  SimClock clock;
  clock.Sleep(10);
  clock.Sleep(250);
  EXPECT_EQ(clock.ElapsedMs(), 260u);
}

}  // namespace
}  // namespace kelm::sim
