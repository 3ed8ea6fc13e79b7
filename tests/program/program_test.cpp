// The bench program run as a subprocess, as the checks outside the project run it: its
// command line, transcript, trace and dump.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/program_run.h"

namespace {

namespace fs = std::filesystem;

using kelm::test::Lines;
using kelm::test::ReadFile;
using kelm::test::Result;
using kelm::test::WriteFile;

class BenchProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::path(::testing::TempDir()) / ("kelm-bench-" + std::to_string(::getpid())) / info->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }

  fs::path Path(const std::string& name) const { return dir_ / name; }

  Result Run(const std::vector<std::string>& arguments) const {
    // In the test's own folder, so files the program writes there stay there.
    return kelm::test::RunProgram(KELM_SIM_PROGRAM, dir_, arguments);
  }

  // The transcript of a script on the built-in demo enclosure (or a scenario), exit 0.
  std::vector<std::string> Transcript(const std::string& script,
                                      std::vector<std::string> more = {}) const {
    more.insert(more.begin(), {"--script", script});
    const Result result = Run(more);
    EXPECT_EQ(result.status, 0) << result.err;
    return Lines(result.out);
  }

  fs::path dir_;
};

// A JMB352 revision 2 enclosure with an erased flash; `name` fills inquiry bytes 8..31.
std::string Jmb352Scenario(const std::string& name) {
  std::string inquiry = "00 80 02 02 1f 00 00 00";
  char hex[4];
  for (std::size_t i = 0; i < 24; ++i) {
    std::snprintf(hex, sizeof hex, " %02x", i < name.size() ? static_cast<unsigned char>(name[i]) : 0x20);
    inquiry += hex;
  }
  inquiry += " 00 00 00 00 00 00 00 00";
  return R"({"devices": [{"class": "disk", "answers": {
      "Inquiry": ")" + inquiry + R"(",
      "ProbeBridge": "00 00",
      "ReadChipInfo": "f4 e7 15 2d 03 52 01 02 33 35 32 31 01 02 03 00",
      "ReadChipModel": "6a 33 35 32 00 31 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
      "IdentifyFlashStep2": "ef 40 13 00",
      "ReadFlashIdentity": "06 00 00 00"},
    "serial_flash": {}}]})";
}

// Each expected line appears, in this order.
void ExpectInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
  auto at = lines.begin();
  for (const std::string& line : expected) {
    at = std::find(at, lines.end(), line);
    ASSERT_NE(at, lines.end()) << "missing (in order): " << line;
    ++at;
  }
}

TEST_F(BenchProgram, BadInputIsOneLineOnStandardErrorAndNothingRuns) {
  WriteFile(Path("broken.json"), "{ \"devices\": [ ");
  WriteFile(Path("floppy.json"), R"({"devices": [{"class": "floppy"}]})");
  fs::create_directories(Path("images") / "FW352B.bin");
  const std::string trace = Path("trace.txt").string();
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--scenario", Path("broken.json").string()}, "broken.json"},
      {{"--scenario", Path("floppy.json").string()}, "class"},
      {{"--scenario", Path("absent.json").string()}, "absent.json"},
      {{"--script", "show,jump,yes"}, "\"jump\""},
      {{"--script", "tick=NoSuchBox"}, "NoSuchBox"},
      {{"--images", Path("no-such-folder").string()}, "no-such-folder"},
      {{"--images", Path("images").string()}, "images"},  // its FW352B.bin is a folder
      {{"--dump", Path("broken.json").string()}, "broken.json"},
      {{"--dump", (Path("broken.json") / "sub").string(), "--script", "show"}, "broken.json/sub"},
      {{"--script", "show\njump"}, "jump"},
      {{"--bogus"}, "--bogus"},
      {{"--scenario"}, "--scenario"},
  };
  for (auto [arguments, named] : cases) {
    SCOPED_TRACE(arguments.front() + " " + named);
    arguments.insert(arguments.end(), {"--trace", trace});
    const Result result = Run(arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    ASSERT_EQ(Lines(result.err).size(), 1u) << result.err;
    EXPECT_NE(result.err.find(named), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(trace));
  }
}

TEST_F(BenchProgram, DemoRunsFromTheQuestionToAlreadyUpdated) {
  const auto lines = Transcript("show,yes,show,replug,show,exit");
  ExpectInOrder(lines, {
      "> show",
      R"(window 338x100 "Kelm Firmware Update Utility v0.0.2")",
      R"(devLable visible enabled "Please ensure to update the firmware" color=#000000)",
      R"(EraseButton visible enabled "YES")",
      R"(ExitBtn visible enabled "NO")",
      R"(ExtBtn hidden enabled "EXIT")",
      R"(FwUpdatBar hidden enabled "" pos=0)",
      "> yes",
      "> show",
      R"(devLable hidden enabled "Please ensure to update the firmware" color=#000000)",
      R"(replugLable1 visible enabled "Please un-plug AC adapter " color=#000000)",
      R"(replugLable2 visible enabled "and plug it again" color=#000000)",
      R"(ExtBtn visible enabled "EXIT")",
      R"(FwUpdatBar hidden enabled "" pos=100)",
      "> replug",
      "> show",
      R"(devLable visible enabled "        The chip already updated!!" color=#FF0000)",
      R"(EraseButton hidden disabled "YES")",
      R"(ExtBtn visible enabled "EXIT")",
      "> exit",
  });
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("elapsed-ms: ", 0), 0u) << lines.back();
  // A show block has the window line and one line per control but OpenDialog1.
  const auto first = std::find(lines.begin(), lines.end(), "> show");
  const auto yes = std::find(lines.begin(), lines.end(), "> yes");
  EXPECT_EQ(yes - first, 1 + 1 + 33);
}

TEST_F(BenchProgram, ActionsOutOfReachAreIgnoredAndSaySo) {
  const auto lines = Transcript(
      "browse=x.bin,tick=EraseOnlyCheck,select=FlashTypeList:7,select=FwPgSizeCheck:1,"
      "text=StatusEdit:,untick=RdCheckBox,run,exit,no,show,yes");
  const std::vector<std::string> expected = {
      "> browse=x.bin", "ignored: BackupBtn is hidden",
      "> tick=EraseOnlyCheck", "ignored: EraseOnlyCheck is hidden",
      "> select=FlashTypeList:7", "ignored: FlashTypeList has no item 7",
      "> select=FwPgSizeCheck:1",  // already selected: nothing
      "> text=StatusEdit:",        // already that text: nothing
      "> untick=RdCheckBox",       // already unticked: nothing
      "> run", "ignored: UpdateBtn is disabled",
      "> exit", "ignored: ExtBtn is hidden",
      "> no",
      "> show", "ignored: window closed",
      "> yes", "ignored: window closed",
  };
  ASSERT_EQ(lines.size(), expected.size() + 1);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.end() - 1), expected);
}

TEST_F(BenchProgram, NeverShownControlsOpenTheEngineeringPanel) {
  const auto lines = Transcript("tick=RdCheckBox,tick=EraseOnlyCheck,show");
  ExpectInOrder(lines, {
      R"(window 338x229 "Kelm Firmware Update Utility v0.0.2")",
      R"(RdCheckBox hidden enabled "RD Version" checked)",
      R"(RdPanel visible enabled "")",
      R"(EraseOnlyCheck visible enabled "Erase All Flash Only " checked)",
  });
}

TEST_F(BenchProgram, EnclosureEventsReachTheWindow) {
  const auto lines = Transcript("unplug,show,event=0x0007,show,plug,show");
  const auto blocks = [&] {
    std::vector<std::vector<std::string>> shows;
    for (auto at = lines.begin(); at != lines.end(); ++at) {
      if (*at == "> show") shows.emplace_back(at + 1, std::min(at + 35, lines.end()));
    }
    return shows;
  }();
  ASSERT_EQ(blocks.size(), 3u);
  ExpectInOrder(blocks[0], {
      R"(devLable visible enabled "                 No device found!!" color=#FF0000)",
      R"(DeviceList hidden disabled "No available device!!!" items=1 index=0)",
  });
  EXPECT_EQ(blocks[1], blocks[0]);  // another event code changes nothing
  ExpectInOrder(blocks[2], {
      R"(devLable visible enabled "Please ensure to update the firmware" color=#000000)",
      R"(DeviceList hidden enabled "<<USB>> KELM    Enclosure 352   " items=1 index=0)",
  });
}

TEST_F(BenchProgram, TextsAreQuotedAndLatin1NamesWrittenAsUtf8) {
  WriteFile(Path("name.json"), Jmb352Scenario("KELM\"Q\\ Caf\xE9 Disk"));
  // Backup-only makes Run reachable without a firmware file; Run traces "Update Btn Press\n".
  const auto lines = Transcript(
      "text=StatusEdit:say \"hi\" \\o/,show,tick=RdCheckBox,tick=BackupFWCheckBox,run",
      {"--scenario", Path("name.json").string()});
  ExpectInOrder(lines, {
      R"(status: "say \"hi\" \\o/")",
      R"(DeviceList hidden enabled "<<USB>> KELM\"Q\\ Caf)" "\xC3\xA9" R"( Disk       " items=1 index=0)",
      R"(StatusEdit hidden enabled "say \"hi\" \\o/")",
      "> run",
      R"(debug: "Update Btn Press\n")",
  });
}

TEST_F(BenchProgram, StatusLinesIncludeThoseOfTheWindowsConstruction) {
  // Found as a JMB352 through its chip-name record, but its product record lacks the
  // maker's signature: each evaluation of the drive clears the status, then complains.
  WriteFile(Path("foreign.json"), R"({"devices": [{"class": "disk", "answers": {
      "ProbeBridge": "00 00",
      "ReadChipInfo": "00 00 15 2d 03 52 01 02 33 35 32 31 01 02 03 00",
      "ReadChipModel": "6a 33 35 32 00 31 00 00",
      "IdentifyFlashStep2": "ef 40 13 00", "ReadFlashIdentity": "06 00 00 00"},
    "serial_flash": {}}]})");
  const auto lines = Transcript("refresh", {"--scenario", Path("foreign.json").string()});
  const std::vector<std::string> expected = {
      R"(status: "Not JMicron Chip!!")", R"(status: "")", R"(status: "Not JMicron Chip!!")",
      "> refresh",
      R"(status: "")", R"(status: "Not JMicron Chip!!")",
  };
  ASSERT_EQ(lines.size(), expected.size() + 1);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.end() - 1), expected);
}

TEST_F(BenchProgram, UpdateKeepsTheParameterBlockAndWritesTheImage) {
  Transcript("", {"--dump", Path("before").string()});
  Transcript("yes", {"--dump", Path("after").string()});
  const std::string before = ReadFile(Path("before") / "device-0.bin");
  const std::string after = ReadFile(Path("after") / "device-0.bin");
  const std::string image = ReadFile(fs::path(KELM_TEST_IMAGES_DIR) / "FW352B.bin");
  ASSERT_EQ(before.size(), 65536u);
  ASSERT_EQ(after.size(), 65536u);
  ASSERT_EQ(image.size(), 36864u);
  EXPECT_EQ(after.substr(0, 4096), before.substr(0, 4096));
  EXPECT_NE(before.substr(4096, 32768), image.substr(4096));  // the demo holds older firmware
  EXPECT_EQ(after.substr(4096, 32768), image.substr(4096));
}

// --images DIR: each image is checked as a built-in one is; one that fails is named on standard
// error and left out, and the others are offered all the same.
TEST_F(BenchProgram, ImagesFolderOffersWhatPassesItsChecksAndNamesTheRest) {
  const std::string image = ReadFile(fs::path(KELM_TEST_IMAGES_DIR) / "FW352B.bin");
  WriteFile(Path("enclosure.json"), Jmb352Scenario("KELM Enclosure 352"));
  fs::create_directories(Path("images"));
  WriteFile(Path("images") / "FW352B.bin", image);
  WriteFile(Path("images") / "FW352A.bin", std::string(1000, '\x5a'));
  const Result offered = Run({"--scenario", Path("enclosure.json").string(), "--images",
                              Path("images").string(), "--dump", Path("after").string(),
                              "--script", "show,yes,show"});
  ASSERT_EQ(offered.status, 0) << offered.err;
  EXPECT_NE(offered.err.find("kelm-fwupdate-sim: --images " + Path("images").string() +
                             ": FW352A.bin: 1000 bytes, not 20480 bytes; not used\n"),
            std::string::npos)
      << offered.err;
  ExpectInOrder(Lines(offered.out),
                {R"(devLable visible enabled "Please ensure to update the firmware" color=#000000)",
                 "> yes",
                 R"(replugLable1 visible enabled "Please un-plug AC adapter " color=#000000)"});
  EXPECT_EQ(ReadFile(Path("after") / "device-0.bin").substr(4096, 32768), image.substr(4096));

  // The same image without its signature is no image: the update fails before anything is
  // erased.
  WriteFile(Path("images") / "FW352B.bin", image.substr(0, 4) + std::string(4, '\0') + image.substr(8));
  const Result refused = Run({"--scenario", Path("enclosure.json").string(), "--images",
                              Path("images").string(), "--dump", Path("refused").string(),
                              "--script", "yes,show"});
  ASSERT_EQ(refused.status, 0) << refused.err;
  EXPECT_NE(refused.err.find("--images " + Path("images").string() +
                             ": FW352B.bin: no \"352\" signature at byte 4; not used\n"),
            std::string::npos)
      << refused.err;
  ExpectInOrder(Lines(refused.out),
                {"> yes", R"(devLable visible enabled "                 Update fail!!" color=#FF0000)"});
  EXPECT_EQ(ReadFile(Path("refused") / "device-0.bin"), std::string(65536, '\xff'));
}

TEST_F(BenchProgram, EngineeringBackupTakesTheLongestNamesAndNeverReplacesAPipe) {
  // Listed as a JMB352, then seen as a JM20339 (its tag comes with the second, whole INQUIRY):
  // Run takes the serial-flash procedure, which the backup box turns into a backup.
  WriteFile(Path("j339.json"), R"({"devices": [{"class": "disk", "answers": {
      "Inquiry": "00 80 02 02 1f 00 00 00 4b 45 4c 4d 20 20 20 20 45 6e 63 6c 6f 73 75 72 65 20 33 35 32 20 20 20 00 00 00 00 6a 33 33 39",
      "ProbeBridge": "00 00",
      "ReadChipInfo": "f4 e7 15 2d 03 52 01 02 33 35 32 31 01 02 03 00",
      "ReadChipModel": "78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78",
      "IdentifyFlashStep2": "ef 40 13 00", "ReadFlashIdentity": "06 00 00 00"},
    "short": [{"command": "Inquiry", "nth": 1, "bytes": 36}],
    "fail": [{"command": "ReadChipModel", "nth": 1}],
    "serial_flash": {"size": 65536, "content": {"fill": "5a"}}}]})");
  const std::string backup = "tick=RdCheckBox,tick=BackupFWCheckBox,text=BackupFileEdit:";
  const std::vector<std::string> scenario = {"--scenario", Path("j339.json").string()};
  const std::string name(250, 'b');  // legal, though the name plus a suffix is not
  ExpectInOrder(Transcript(backup + name + ",run", scenario),
                {R"(status: "Read flash and backup success!")"});
  EXPECT_EQ(ReadFile(Path(name)), std::string(65536, '\x5a'));

  ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
  const auto refused = Transcript(backup + "pipe,run", scenario);
  ExpectInOrder(refused, {R"(status: "Open Backup File Error!!")"});
  EXPECT_EQ(std::count(refused.begin(), refused.end(), R"(status: "Backup ...")"), 0)
      << "refused before the flash is read";
  EXPECT_TRUE(fs::is_fifo(Path("pipe")));
}

TEST_F(BenchProgram, DumpWritesEachDeviceFlashInOrder) {
  WriteFile(Path("flashes.json"), R"({"devices": [
      {"class": "disk", "serial_flash": {"size": 32768, "content": {"fill": "5a"}}},
      {"class": "disk"},
      {"class": "cdrom", "serial_flash": {"size": 4096}, "parallel_flash": {"content": {"fill": "00"}}}]})");
  Transcript("", {"--scenario", Path("flashes.json").string(), "--dump", Path("dump").string()});
  EXPECT_EQ(ReadFile(Path("dump") / "device-0.bin"), std::string(32768, '\x5a'));
  EXPECT_FALSE(fs::exists(Path("dump") / "device-1.bin"));
  EXPECT_EQ(ReadFile(Path("dump") / "device-2.bin"),
            std::string(4096, '\xff') + std::string(65536, '\0'));
}

TEST_F(BenchProgram, TraceHasOneWellFormedLinePerRequest) {
  const auto traceOf = [&](const std::string& script, const std::string& scenario) {
    std::vector<std::string> arguments = {"--trace", Path("trace.txt").string()};
    if (!scenario.empty()) arguments.insert(arguments.end(), {"--scenario", scenario});
    Transcript(script, arguments);
    return Lines(ReadFile(Path("trace.txt")));
  };
  WriteFile(Path("empty.json"), R"({"devices": []})");
  EXPECT_TRUE(traceOf("refresh", Path("empty.json").string()).empty());

  const auto start = traceOf("", "");
  const auto once = traceOf("refresh", "");
  const auto twice = traceOf("refresh,refresh", "");
  EXPECT_GT(once.size(), start.size());
  EXPECT_EQ(twice.size() - once.size(), once.size() - start.size());  // nothing cached
  for (const std::string& line : twice) {
    const auto fields = std::count(line.begin(), line.end(), '\t') + 1;
    EXPECT_TRUE(fields == 8 || (fields == 3 && line.rfind("open-fail\t", 0) == 0)) << line;
  }
}

}  // namespace
