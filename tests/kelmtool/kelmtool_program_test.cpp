// kelmtool on the simulated bench: the update agrees with the sim program's YES request for
// request, backups and restores round-trip, and bad input stops before anything is sent.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/program_run.h"

namespace kelm::test {
namespace {

namespace fs = std::filesystem;

// A JMB352 bridge of revision `revision` whose serial flash holds `flashFile`.
std::string Jmb352Scenario(int revision, const std::string& flashFile, std::uint32_t size = 65536) {
  const std::string revisionChar = revision == 2 ? "31" : "30";
  return R"({"devices": [{"class": "disk", "answers": {
      "Inquiry": "00 80 02 02 1f 00 00 00 4b 45 4c 4d 20 20 20 20 42 72 69 64 67 65 20 33 35 32 20 20 20 20 20 20 00 00 00 00 00 00 00 00",
      "ProbeBridge": "00 00",
      "ReadChipInfo": "f4 e7 15 2d 03 52 01 02 33 35 32 31 01 02 03 00",
      "ReadChipModel": "6a 33 35 32 00 )" + revisionChar + R"( 00 00",
      "IdentifyFlashStep2": "ef 40 13 00",
      "ReadFlashIdentity": "06 00 00 00"},
    "serial_flash": {"size": )" + std::to_string(size) + R"(, "content": {"file": ")" + flashFile + R"("}}}]})";
}

// Older firmware: neither erased nor the test image.
std::string OldFlash(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 13 + 7) % 251);
  return bytes;
}

std::vector<std::string> TraceLinesWith(const std::string& trace, const std::string& field) {
  std::vector<std::string> lines;
  for (const std::string& line : Lines(trace)) {
    if (line.find(field) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

class Kelmtool : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("kelmtool-" + std::to_string(::getpid())) /
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  fs::path Path(const std::string& name) const { return dir_ / name; }

  // kelmtool on the bench of `scenario` with the test images; the trace goes to `trace`.
  Result Tool(const std::string& scenario, const std::string& trace, std::vector<std::string> more) const {
    std::vector<std::string> arguments = {"--scenario", scenario, "--images", KELM_TEST_IMAGES_DIR,
                                          "--trace", trace};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return RunProgram(KELMTOOL_PROGRAM, dir_, arguments);
  }
  Result Sim(const std::string& scenario, const std::string& script, std::vector<std::string> more) const {
    std::vector<std::string> arguments = {"--scenario", scenario, "--images", KELM_TEST_IMAGES_DIR,
                                          "--script", script};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return RunProgram(KELM_SIM_PROGRAM, dir_, arguments);
  }

  fs::path dir_;
};

TEST_F(Kelmtool, UpdateDoesWhatYesDoesAfterABackupThatRestoreBringsBack) {
  const std::string old = OldFlash(65536);
  WriteFile(Path("old.bin"), old);
  WriteFile(Path("old.json"), Jmb352Scenario(2, "old.bin"));

  // The window: its start-up alone, and its start-up followed by YES.
  ASSERT_EQ(Sim("old.json", "", {"--trace", "idle.trace"}).status, 0);
  ASSERT_EQ(Sim("old.json", "yes", {"--trace", "yes.trace", "--dump", "sim"}).status, 0);
  const std::vector<std::string> idle = Lines(ReadFile(Path("idle.trace")));
  const std::vector<std::string> withYes = Lines(ReadFile(Path("yes.trace")));
  ASSERT_TRUE(std::equal(idle.begin(), idle.end(), withYes.begin()));
  const std::vector<std::string> yes(withYes.begin() + static_cast<std::ptrdiff_t>(idle.size()),
                                     withYes.end());
  ASSERT_FALSE(yes.empty());

  const Result update = Tool("old.json", "update.trace", {"--dump", "tool", "update", "0", "--backup", "b.bin"});
  ASSERT_EQ(update.status, 0) << update.err;
  EXPECT_NE(update.out.find("Please un-plug AC adapter and plug it again"), std::string::npos);
  EXPECT_EQ(ReadFile(Path("tool/device-0.bin")), ReadFile(Path("sim/device-0.bin")));
  const std::vector<std::string> traced = Lines(ReadFile(Path("update.trace")));
  ASSERT_GE(traced.size(), yes.size());
  EXPECT_TRUE(std::equal(yes.begin(), yes.end(), traced.end() - static_cast<std::ptrdiff_t>(yes.size())));
  EXPECT_EQ(ReadFile(Path("b.bin")), old);
  const auto record = nlohmann::json::parse(ReadFile(Path("b.bin.json")));
  EXPECT_EQ(record["model_index"], 6);
  EXPECT_EQ(record["revision"], 2);
  EXPECT_EQ(record["size"], 65536);

  // Updated again, it is left alone.
  fs::copy_file(Path("tool/device-0.bin"), Path("new.bin"));
  WriteFile(Path("new.json"), Jmb352Scenario(2, "new.bin"));
  const Result again = Tool("new.json", "again.trace", {"update", "0"});
  EXPECT_EQ(again.status, 0);
  EXPECT_NE(again.out.find("already holds FW352B"), std::string::npos);
  EXPECT_TRUE(TraceLinesWith(ReadFile(Path("again.trace")), "out\t").empty());

  const Result restore = Tool("new.json", "restore.trace", {"--dump", "restored", "restore", "0", "b.bin", "--backup", "n.bin"});
  ASSERT_EQ(restore.status, 0) << restore.err;
  EXPECT_EQ(ReadFile(Path("restored/device-0.bin")).substr(4096), old.substr(4096));
  EXPECT_EQ(ReadFile(Path("n.bin")), ReadFile(Path("new.bin")));
}

TEST_F(Kelmtool, RestoreTakesOnlyAnIntactBackupOfTheSameBridge) {
  WriteFile(Path("old.bin"), OldFlash(65536));
  WriteFile(Path("rev2.json"), Jmb352Scenario(2, "old.bin"));
  WriteFile(Path("rev1.json"), Jmb352Scenario(1, "old.bin"));
  ASSERT_EQ(Tool("rev2.json", "backup.trace", {"backup", "0", "b.bin"}).status, 0);
  fs::copy_file(Path("b.bin"), Path("bare.bin"));
  fs::copy_file(Path("b.bin"), Path("changed.bin"));
  fs::copy_file(Path("b.bin.json"), Path("changed.bin.json"));
  WriteFile(Path("changed.bin"), OldFlash(65535) + "x");

  const std::vector<std::pair<std::string, std::string>> cases = {
      {"rev1.json", "b.bin"}, {"rev2.json", "bare.bin"}, {"rev2.json", "changed.bin"}};
  for (const auto& [scenario, file] : cases) {
    SCOPED_TRACE(scenario + " " + file);
    const Result result = Tool(scenario, "refused.trace", {"restore", "0", file});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
    EXPECT_TRUE(TraceLinesWith(ReadFile(Path("refused.trace")), "out\t").empty());
  }
}

TEST_F(Kelmtool, BackupOfMoreThan64KiBReadsIn64KiBPieces) {
  const std::string flash = OldFlash(131072);
  WriteFile(Path("flash.bin"), flash);
  WriteFile(Path("big.json"), Jmb352Scenario(2, "flash.bin", 131072));
  const Result result = Tool("big.json", "backup.trace", {"backup", "0", "big.bin", "--size", "131072"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadFile(Path("big.bin")), flash);
  std::vector<std::string> reads;
  for (const std::string& line : TraceLinesWith(ReadFile(Path("backup.trace")), "\tff0410")) {
    if (line.find("\t65536\t") != std::string::npos) reads.push_back(line.substr(0, line.find("\t65536\t")));
  }
  EXPECT_EQ(reads, (std::vector<std::string>{"in\tff0410000000000000000000", "in\tff0410010000000000000000"}));
}

TEST_F(Kelmtool, BackupTakesTheLongestNamesWithTheirRecord) {
  const std::string flash = OldFlash(65536);
  WriteFile(Path("flash.bin"), flash);
  WriteFile(Path("old.json"), Jmb352Scenario(2, "flash.bin"));
  const std::string name(250, 'b');  // legal, and so is its record's name of 255
  const Result result = Tool("old.json", "backup.trace", {"backup", "0", name});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadFile(Path(name)), flash);
  EXPECT_TRUE(fs::is_regular_file(Path(name + ".json")));
}

TEST_F(Kelmtool, AFailedBackupSaysWhyOnceOnStandardError) {
  WriteFile(Path("old.bin"), OldFlash(65536));
  std::string scenario = Jmb352Scenario(2, "old.bin");
  // The survey's comparison with the image is the first flash read; the backup's the second.
  scenario.insert(scenario.rfind("}]}"), R"(, "fail": [{"command": "ReadFlash", "nth": 2}])");
  WriteFile(Path("fails.json"), scenario);
  const Result result = Tool("fails.json", "fails.trace", {"backup", "0", "b.bin"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "kelmtool: backup failed: Read Back to Backup Error!!\n");
  EXPECT_EQ(result.out, "Backup ...\n");
  EXPECT_FALSE(fs::exists(Path("b.bin")));
}

TEST_F(Kelmtool, UpdateOfARevision1EnclosureEndsWithTheBarFull) {
  WriteFile(Path("old.bin"), OldFlash(65536));
  WriteFile(Path("rev1.json"), Jmb352Scenario(1, "old.bin"));
  // On a terminal, where the bar is drawn.
  const std::string command = ShellQuoted(KELMTOOL_PROGRAM) + " --scenario rev1.json --images " +
                              ShellQuoted(KELM_TEST_IMAGES_DIR) + " update 0 --backup b.bin";
  const Result result = RunProgram("script", dir_, {"-qec", command, "/dev/null"});
  ASSERT_EQ(result.status, 0) << result.out;
  const std::size_t replug = result.out.find("Please un-plug AC adapter and plug it again");
  ASSERT_NE(replug, std::string::npos) << result.out;
  const std::size_t percent = result.out.rfind('%', replug);
  ASSERT_NE(percent, std::string::npos) << result.out;
  EXPECT_EQ(result.out.substr(percent - 3, 4), "100%");
}

TEST_F(Kelmtool, ListJsonNamesTheBridge) {
  WriteFile(Path("old.bin"), OldFlash(65536));
  WriteFile(Path("old.json"), Jmb352Scenario(2, "old.bin"));
  const Result result = Tool("old.json", "list.trace", {"list", "--json"});
  ASSERT_EQ(result.status, 0) << result.err;
  const auto drive = nlohmann::json::parse(result.out).at("drives").at(0);
  EXPECT_EQ(drive["bridge"]["model"], "JMB352 Series");
  EXPECT_EQ(drive["bridge"]["revision"], 2);
  EXPECT_EQ(drive["firmware_version"], "Ver 1.02.03");
  EXPECT_EQ(drive["update"]["image"], "FW352B");
  EXPECT_EQ(drive["update"]["already_current"], false);
  // The window's maker text and code stay for scripts; the reply's capacity byte gives the size.
  EXPECT_EQ(drive["serial_flash"]["maker"], "WINBOND");
  EXPECT_EQ(drive["serial_flash"]["flash_code"], -1);
  EXPECT_EQ(drive["serial_flash"]["maker_name"], "Winbond");
  EXPECT_EQ(drive["serial_flash"]["size"], 524288);
  EXPECT_TRUE(TraceLinesWith(ReadFile(Path("list.trace")), "out\t").empty());

  const Result text = Tool("old.json", "text.trace", {"list"});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("   flash:     Winbond, 512 KiB\n"), std::string::npos) << text.out;
}

// The real-kernel bench's foreign-disk case on the simulated bench: beside an enclosure, a
// USB disk on another maker's bridge ends every vendor command with CHECK CONDITION. Each
// refresh of the window, kelmtool list and kelmtool update send it the probe and nothing
// else; it is never listed, its flash is untouched, and the enclosure is updated.
TEST_F(Kelmtool, AForeignDiskGetsOnlyTheProbeAndIsNeverListed) {
  const fs::path bench = fs::path(KELM_VM_CASES_DIR) / "foreign-disk";
  for (const char* file : {"scenario.json", "old.bin"}) WriteFile(Path(file), ReadFile(bench / file));
  std::string script = ReadFile(bench / "script");
  script.erase(script.find_last_not_of('\n') + 1);
  const std::string refusedProbe =
      "in\tdf10000002000000000000ff\t2\t20\tcheck\t0\t-\t\\\\?\\usbstor#disk&ven_generic&"
      "prod_flash_disk&rev_1.00#0001&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
  const auto refusedProbes = [&](std::size_t n) { return std::vector<std::string>(n, refusedProbe); };

  // Three refreshes: the window's start, Refresh, and the enclosures' return.
  const Result window = Sim("scenario.json", script, {"--trace", "window.trace", "--dump", "window"});
  ASSERT_EQ(window.status, 0) << window.err;
  EXPECT_NE(window.out.find("The chip already updated!!"), std::string::npos);
  EXPECT_EQ(window.out.find("Generic Flash Disk"), std::string::npos);
  EXPECT_EQ(TraceLinesWith(ReadFile(Path("window.trace")), "ven_generic"), refusedProbes(3));

  const Result list = Tool("scenario.json", "list.trace", {"list", "--json"});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(nlohmann::json::parse(list.out).at("drives").size(), 1u);
  EXPECT_EQ(TraceLinesWith(ReadFile(Path("list.trace")), "ven_generic"), refusedProbes(1));

  const Result update = Tool("scenario.json", "update.trace", {"--dump", "tool", "update", "0"});
  ASSERT_EQ(update.status, 0) << update.err;
  EXPECT_EQ(TraceLinesWith(ReadFile(Path("update.trace")), "ven_generic"), refusedProbes(1));
  for (const char* dump : {"window", "tool"}) {
    EXPECT_EQ(ReadFile(Path(dump) / "device-1.bin"), std::string(65536, '\x5a')) << dump;
    EXPECT_EQ(ReadFile(Path(dump) / "device-0.bin"), ReadFile(Path("window") / "device-0.bin"));
  }
}

TEST_F(Kelmtool, BadInputIsOneLineAndNothingIsSent) {
  WriteFile(Path("old.bin"), OldFlash(65536));
  WriteFile(Path("old.json"), Jmb352Scenario(2, "old.bin"));
  WriteFile(Path("other-bridge.bin"), "\x55\xaa\xaa\x55" "3351 firmware of another bridge");
  struct Case {
    std::vector<std::string> arguments;
    int status;
    bool noRequestAtAll;  // else: nothing that writes
  };
  const std::vector<Case> cases = {
      {{"update", "/dev/sg99"}, 2, true},
      {{"backup", "0", "b.bin", "--size", "1000"}, 2, true},
      {{"backup", "0"}, 2, true},
      {{"restore", "0", "missing.bin"}, 2, true},
      {{"update", "7"}, 2, false},
      {{"update", "0", "--image", "other-bridge.bin"}, 1, false},
      // Only regular files are read, and only as much as the largest flash.
      {{"update", "0", "--image", "/dev/zero"}, 2, true},
      {{"update", "0", "--image", "past-the-largest-flash.bin"}, 2, true},
      {{"restore", "0", "pipe"}, 2, true},
      // Only a regular file, or nothing, is replaced by a backup; a name is needed.
      {{"backup", "0", ""}, 2, true},
      {{"backup", "0", "pipe"}, 2, true},
      {{"backup", "0", "folder"}, 2, true},
      {{"backup", "0", std::string(251, 'b')}, 2, true},  // its record's name would pass 255
      {{"backup", "0", "nosuchdir/b.bin"}, 2, true},
      {{"update", "0", "--backup", "nosuchdir/b.bin"}, 2, true},
      {{"update", "0", "--backup", "pipe"}, 2, true},
      // An earlier backup, or its record alone, is replaced only when asked.
      {{"backup", "0", "kept.bin"}, 2, true},
      {{"backup", "0", "record-only.bin"}, 2, true},
      {{"update", "0", "--backup", "kept.bin"}, 2, true},
  };
  WriteFile(Path("kept.bin"), "the only copy of the old firmware");
  WriteFile(Path("record-only.bin.json"), "{}");
  ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
  fs::create_directory(Path("folder"));
  WriteFile(Path("past-the-largest-flash.bin"), std::string(1048577, '\xff'));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[0] + " '" + c.arguments.back() + "'");
    fs::remove(Path("bad.trace"));
    const Result result = Tool("old.json", "bad.trace", c.arguments);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
    EXPECT_EQ(result.out, "");  // said once, on standard error
    const std::string trace = ReadFile(Path("bad.trace"));
    if (c.noRequestAtAll) {
      EXPECT_EQ(trace, "");
    } else {
      EXPECT_TRUE(TraceLinesWith(trace, "out\t").empty()) << trace;
    }
  }
  EXPECT_FALSE(fs::exists(Path("b.bin")));
  EXPECT_TRUE(fs::is_fifo(Path("pipe")));
  EXPECT_EQ(ReadFile(Path("kept.bin")), "the only copy of the old firmware");
  EXPECT_FALSE(fs::exists(Path("kept.bin.json")));
  EXPECT_EQ(Tool("old.json", "forced.trace", {"backup", "0", "kept.bin", "--force"}).status, 0);
  EXPECT_EQ(ReadFile(Path("kept.bin")), OldFlash(65536));
  EXPECT_EQ(RunProgram(KELMTOOL_PROGRAM, dir_, {"--version"}).out, "kelmtool 0.0.2\n");
}

TEST_F(Kelmtool, BackupOntoADeviceNodeIsRefusedAndTheNodeKept) {
  if (::geteuid() != 0) GTEST_SKIP() << "making a device node takes root";
  WriteFile(Path("old.bin"), OldFlash(65536));
  WriteFile(Path("old.json"), Jmb352Scenario(2, "old.bin"));
  // The null device's numbers: harmless whatever reaches it.
  const dev_t null = ::makedev(1, 3);
  ASSERT_EQ(::mknod(Path("node").c_str(), S_IFCHR | 0600, null), 0);

  const Result result = Tool("old.json", "node.trace", {"backup", "0", "node"});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(Lines(result.err).size(), 1u) << result.err;
  EXPECT_EQ(ReadFile(Path("node.trace")), "");
  struct stat status {};
  ASSERT_EQ(::lstat(Path("node").c_str(), &status), 0);
  EXPECT_TRUE(S_ISCHR(status.st_mode));
  EXPECT_EQ(status.st_rdev, null);
}

}  // namespace
}  // namespace kelm::test
