#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/sim/scenario.h"

namespace kelm::sim {
namespace {

namespace fs = std::filesystem;

Scenario Parse(const std::string& json) { return ParseScenario(json, "scenario.json", "."); }

// A scratch folder of files for the loader, removed afterwards.
class ScenarioFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kelm-sim-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return (dir_ / name).string();
  }

  fs::path dir_;
};

TEST(Scenario, LeftOutFieldsTakeTheirDefaults) {
  const Scenario scenario = Parse(R"({"devices": [
      {"class": "disk"},
      {"class": "cdrom", "serial_flash": {}, "parallel_flash": {}}]})");
  ASSERT_EQ(scenario.devices.size(), 2u);
  const DeviceSpec& bare = scenario.devices[0];
  EXPECT_EQ(bare.deviceClass, "disk");
  EXPECT_EQ(bare.path, "");
  EXPECT_TRUE(bare.answers.empty());
  EXPECT_TRUE(bare.fail.empty() && bare.lastError.empty() && bare.shortReads.empty());
  EXPECT_FALSE(bare.heldOpen);
  EXPECT_FALSE(bare.serialFlash || bare.parallelFlash);

  const SerialFlashSpec& serial = *scenario.devices[1].serialFlash;
  EXPECT_EQ(serial.size, 65536u);
  EXPECT_EQ(serial.eraseUnit, 32768u);
  EXPECT_TRUE(serial.eraseUnitStarts.empty());
  EXPECT_EQ(serial.content.fill, 0xFF);
  EXPECT_TRUE(serial.content.file.empty());
  EXPECT_EQ(serial.busyPolls, 0u);
  EXPECT_FALSE(serial.stuckBusy);
  const ParallelFlashSpec& parallel = *scenario.devices[1].parallelFlash;
  EXPECT_EQ(parallel.type, 0);
  EXPECT_EQ(parallel.content.fill, 0xFF);
  EXPECT_EQ(parallel.busyReads, 0u);

  EXPECT_TRUE(Parse("{}").devices.empty());
}

TEST(Scenario, DefaultPathsCarryTheIndexAsFourDigits) {
  EXPECT_EQ(DefaultDevicePath("disk", 1),
            "\\\\?\\usbstor#disk&ven_kelm&prod_bridge&rev_0100#0001&0#"
            "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}");
  EXPECT_EQ(DefaultDevicePath("cdrom", 12),
            "\\\\?\\usbstor#cdrom&ven_kelm&prod_bridge&rev_0100#0012&0#"
            "{53f56308-b6bf-11d0-94f2-00a0c91efb8b}");
}

TEST_F(ScenarioFiles, EveryFieldIsRead) {
  Write("old.bin", "\x01\x02\x03");
  Write("par.bin", "\x0A\x0B");
  const std::string name = Write("scenario.json", R"({"devices": [{
      "class": "cdrom",
      "path": "\\\\?\\usbstor#my",
      "answers": {"Inquiry": "12 34 ab", "ReadFlashIdentity": "C2 2015"},
      "fail": [{"command": "WriteFlash", "nth": 2}, {"command": "EnterCommand"}],
      "last_error": [{"command": "ReadFlash", "nth": 1}],
      "short": [{"command": "ReadFlash", "nth": 3, "bytes": 1024}],
      "held_open": true,
      "serial_flash": {"size": 131072, "erase_unit": [0, 4096, 65536],
                       "content": {"fill": "5a", "file": "old.bin", "at": 16},
                       "busy_polls": 3, "stuck_busy": true,
                       "stuck": [{"address": 4660, "value": 254}]},
      "parallel_flash": {"type": 2, "content": {"file": "par.bin"}, "busy_reads": 7,
                         "stuck_busy": true, "stuck": [{"address": 65535, "value": 0}]}}]})");
  const Scenario scenario = LoadScenario(name);
  ASSERT_EQ(scenario.devices.size(), 1u);
  const DeviceSpec& d = scenario.devices[0];
  EXPECT_EQ(d.deviceClass, "cdrom");
  EXPECT_EQ(d.path, "\\\\?\\usbstor#my");
  EXPECT_EQ(d.answers.at("Inquiry"), (std::vector<std::uint8_t>{0x12, 0x34, 0xAB}));
  EXPECT_EQ(d.answers.at("ReadFlashIdentity"), (std::vector<std::uint8_t>{0xC2, 0x20, 0x15}));
  ASSERT_EQ(d.fail.size(), 2u);
  EXPECT_EQ(d.fail[0].command, "WriteFlash");
  EXPECT_EQ(d.fail[0].nth, 2u);
  EXPECT_FALSE(d.fail[1].nth.has_value());
  ASSERT_EQ(d.lastError.size(), 1u);
  EXPECT_EQ(d.lastError[0].nth, 1u);
  ASSERT_EQ(d.shortReads.size(), 1u);
  EXPECT_EQ(d.shortReads[0].nth, 3u);
  EXPECT_EQ(d.shortReads[0].bytes, 1024u);
  EXPECT_TRUE(d.heldOpen);

  const SerialFlashSpec& s = *d.serialFlash;
  EXPECT_EQ(s.size, 131072u);
  EXPECT_EQ(s.eraseUnitStarts, (std::vector<std::uint32_t>{0, 4096, 65536}));
  EXPECT_EQ(s.content.fill, 0x5A);
  EXPECT_EQ(s.content.file, (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(s.content.at, 16u);
  EXPECT_EQ(s.busyPolls, 3u);
  EXPECT_TRUE(s.stuckBusy);
  ASSERT_EQ(s.stuck.size(), 1u);
  EXPECT_EQ(s.stuck[0].address, 4660u);
  EXPECT_EQ(s.stuck[0].value, 254);

  const ParallelFlashSpec& p = *d.parallelFlash;
  EXPECT_EQ(p.type, 2);
  EXPECT_EQ(p.content.file, (std::vector<std::uint8_t>{0x0A, 0x0B}));
  EXPECT_EQ(p.busyReads, 7u);
  EXPECT_TRUE(p.stuckBusy);
  ASSERT_EQ(p.stuck.size(), 1u);
  EXPECT_EQ(p.stuck[0].address, 65535u);
}

TEST_F(ScenarioFiles, FilesThatCannotBeUsedAreNamed) {
  Write("big.bin", std::string(10, 'x'));
  const std::string missing = dir_.string() + "/absent.json";
  try {
    LoadScenario(missing);
    FAIL() << "no error";
  } catch (const ScenarioError& error) {
    EXPECT_EQ(std::string(error.what()), missing + ": cannot read the file");
  }
  const std::string tooBig = Write("s.json", R"({"devices": [{"class": "disk",
      "serial_flash": {"size": 16, "content": {"file": "big.bin", "at": 8}}}]})");
  try {
    LoadScenario(tooBig);
    FAIL() << "no error";
  } catch (const ScenarioError& error) {
    EXPECT_EQ(std::string(error.what()),
              tooBig + ": devices[0].serial_flash.content.file: 10 bytes at 8 do not fit in 16");
  }
  fs::create_directories(dir_ / "folder.bin");
  const std::string folder = Write("f.json", R"({"devices": [{"class": "disk",
      "parallel_flash": {"content": {"file": "folder.bin"}}}]})");
  try {
    LoadScenario(folder);
    FAIL() << "no error";
  } catch (const ScenarioError& error) {
    EXPECT_EQ(std::string(error.what()),
              folder + ": devices[0].parallel_flash.content.file: cannot read " +
                  (dir_ / "folder.bin").string());
  }
}

struct Malformed {
  const char* json;
  const char* error;
};

class MalformedScenario : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedScenario, IsRejectedWithOneLineNamingTheField) {
  try {
    Parse(GetParam().json);
    FAIL() << "accepted";
  } catch (const ScenarioError& error) {
    std::string said = error.what();
#ifdef _WIN32
    std::replace(said.begin(), said.end(), '\\', '/');  // file names with the system's separator
#endif
    EXPECT_EQ(said, GetParam().error);
  }
}

// Each case wraps one device in {"devices": [ ... ]} unless it starts differently.
#define DEV(body) "{\"devices\": [{\"class\": \"disk\", " body "}]}"
INSTANTIATE_TEST_SUITE_P(
    Loader, MalformedScenario,
    ::testing::Values(
        Malformed{"[]", "scenario.json: expected a JSON object with \"devices\""},
        Malformed{R"({"device": []})", "scenario.json: device: unknown field"},
        Malformed{R"({"devices": {}})", "scenario.json: devices: expected a list"},
        Malformed{R"({"devices": [{}]})", "scenario.json: devices[0].class: missing"},
        Malformed{R"({"devices": [{"class": "usb"}]})",
                  "scenario.json: devices[0].class: expected \"disk\" or \"cdrom\""},
        Malformed{DEV(R"("serail_flash": {})"),
                  "scenario.json: devices[0].serail_flash: unknown field"},
        Malformed{DEV(R"("serial_flash": {"size": "big"})"),
                  "scenario.json: devices[0].serial_flash.size: expected a number"},
        Malformed{DEV(R"("serial_flash": {"size": -1})"),
                  "scenario.json: devices[0].serial_flash.size: must not be negative"},
        Malformed{DEV(R"("serial_flash": {"size": 1.5})"),
                  "scenario.json: devices[0].serial_flash.size: expected a whole number"},
        Malformed{DEV(R"("serial_flash": {"size": 0})"),
                  "scenario.json: devices[0].serial_flash.size: out of range (1 to 16777216)"},
        Malformed{DEV(R"("serial_flash": {"erase_unit": 0})"),
                  "scenario.json: devices[0].serial_flash.erase_unit: out of range "
                  "(1 to 4294967295)"},
        Malformed{DEV(R"("serial_flash": {"erase_unit": [4096]})"),
                  "scenario.json: devices[0].serial_flash.erase_unit[0]: the first unit must "
                  "start at 0"},
        Malformed{DEV(R"("serial_flash": {"erase_unit": [0, 100, 50]})"),
                  "scenario.json: devices[0].serial_flash.erase_unit[2]: unit starts must ascend"},
        Malformed{DEV(R"("serial_flash": {"erase_unit": [0, 65536]})"),
                  "scenario.json: devices[0].serial_flash.erase_unit[1]: out of range "
                  "(0 to 65535)"},
        Malformed{DEV(R"("serial_flash": {"busy_polls": -3})"),
                  "scenario.json: devices[0].serial_flash.busy_polls: must not be negative"},
        Malformed{DEV(R"("serial_flash": {"stuck_busy": 1})"),
                  "scenario.json: devices[0].serial_flash.stuck_busy: expected true or false"},
        Malformed{DEV(R"("serial_flash": {"stuck": [{"address": 65536, "value": 1}]})"),
                  "scenario.json: devices[0].serial_flash.stuck[0].address: out of range "
                  "(0 to 65535)"},
        Malformed{DEV(R"("serial_flash": {"stuck": [{"address": 1, "value": 256}]})"),
                  "scenario.json: devices[0].serial_flash.stuck[0].value: out of range "
                  "(0 to 255)"},
        Malformed{DEV(R"("serial_flash": {"content": {"fill": "fff"}})"),
                  "scenario.json: devices[0].serial_flash.content.fill: expected pairs of hex "
                  "digits"},
        Malformed{DEV(R"("serial_flash": {"content": {"fill": "ff 00"}})"),
                  "scenario.json: devices[0].serial_flash.content.fill: expected one byte"},
        Malformed{DEV(R"("serial_flash": {"content": {"at": 65537}})"),
                  "scenario.json: devices[0].serial_flash.content.at: out of range "
                  "(0 to 65536)"},
        Malformed{DEV(R"("serial_flash": {"content": {"file": "absent.bin"}})"),
                  "scenario.json: devices[0].serial_flash.content.file: cannot read "
                  "./absent.bin"},
        Malformed{DEV(R"("parallel_flash": {"type": 3})"),
                  "scenario.json: devices[0].parallel_flash.type: out of range (0 to 2)"},
        Malformed{DEV(R"("answers": {"Inquiry": "1 2"})"),
                  "scenario.json: devices[0].answers.Inquiry: expected pairs of hex digits"},
        Malformed{DEV(R"("answers": {"Inquiry": "zz"})"),
                  "scenario.json: devices[0].answers.Inquiry: expected pairs of hex digits"},
        Malformed{DEV(R"("answers": {"Inquiry": 12})"),
                  "scenario.json: devices[0].answers.Inquiry: expected a string"},
        Malformed{DEV(R"("answers": {"Inqury": "00"})"),
                  "scenario.json: devices[0].answers.Inqury: unknown command"},
        Malformed{DEV(R"("answers": {"WriteFlash": "00"})"),
                  "scenario.json: devices[0].answers.WriteFlash: this command takes no answer"},
        Malformed{DEV(R"("fail": [{"command": "WriteFlsh"}])"),
                  "scenario.json: devices[0].fail[0].command: unknown command \"WriteFlsh\""},
        Malformed{DEV(R"("fail": [{"nth": 1}])"),
                  "scenario.json: devices[0].fail[0].command: missing"},
        Malformed{DEV(R"("fail": {"command": "ReadFlash"})"),
                  "scenario.json: devices[0].fail: expected a list"},
        Malformed{DEV(R"("last_error": [{"command": "ReadFlash", "nth": 0}])"),
                  "scenario.json: devices[0].last_error[0].nth: out of range (1 to 4294967295)"},
        Malformed{DEV(R"("last_error": [{"command": "ReadFlash", "bytes": 4}])"),
                  "scenario.json: devices[0].last_error[0].bytes: unknown field"},
        Malformed{DEV(R"("short": [{"command": "ReadFlash"}])"),
                  "scenario.json: devices[0].short[0].bytes: missing"},
        Malformed{DEV(R"("held_open": "yes")"),
                  "scenario.json: devices[0].held_open: expected true or false"},
        Malformed{R"({"devices": [{"class": "disk", "path": "\\\\?\\A"},
                                  {"class": "disk", "path": "\\\\?\\a"}]})",
                  "scenario.json: devices[1].path: the same path as devices[0]"}));
#undef DEV

TEST(Scenario, BrokenJsonIsOneLineNamingTheFile) {
  try {
    Parse("{\"devices\": [\n{\"class\": \"disk\",\n}]}");
    FAIL() << "accepted";
  } catch (const ScenarioError& error) {
    const std::string message = error.what();
    EXPECT_EQ(message.rfind("scenario.json: not valid JSON: ", 0), 0u) << message;
    EXPECT_NE(message.find("line 3"), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace kelm::sim
