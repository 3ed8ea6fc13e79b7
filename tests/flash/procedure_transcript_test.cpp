// The order in which the procedures talk to the bridge and the window: requests, fixed
// pauses, status texts, message passes, progress steps, debugger and standard output lines.

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "chip/jm20336_update.h"
#include "flash/jmb352_update.h"
#include "flash/programming.h"
#include "tests/flash/flash_rig.h"

namespace kelm::test {
namespace {

using Events = std::vector<std::string>;

// One event list for everything the procedure does outside itself. Status reads in a row are
// one "poll xN" event (the 10 ms pauses between them are not listed); a flipped read hands the
// procedure a wrong byte, as a flash that lost a bit would.
class Transcript final : public platform::Host,
                         platform::DeviceFile,
                         platform::Clock,
                         platform::DebugOutput,
                         platform::StandardOutput,
                         platform::MessageBoxes {
 public:
  explicit Transcript(Rig& rig)
      : rig_(rig), io_{*this, rig.sim, *this, *this, *this, *this, rig.images, rig.files} {}

  Events events;
  platform::Options opts;
  int flipSerialRead = 0;  // 1-based ReadFlash whose first byte comes back inverted

  const platform::Services& services() override { return io_; }
  void SetStatus(std::string_view text) override {
    status_ = text;
    events.push_back("status " + status_);
  }
  std::string Status() const override { return status_; }
  void ProcessMessages() override { events.push_back("pass"); }
  void AdvanceProgress(std::int32_t step) override { events.push_back("+" + std::to_string(step)); }
  platform::Options options() const override { return opts; }

 private:
  platform::Handle Open(const std::string& path, platform::ShareMode share) override {
    return rig_.sim.Open(path, share);
  }
  bool Control(platform::Handle handle, std::uint32_t code,
               platform::PassThroughRequest& request) override {
    const bool ok = rig_.sim.Control(handle, code, request);
    Log(request);
    if (IsSerialRead(request) && ++serialReads_ == flipSerialRead) {
      static_cast<std::uint8_t*>(request.DataBuffer)[0] ^= 0xFF;
    }
    return ok;
  }
  std::uint32_t LastError() const override { return rig_.sim.LastError(); }
  void Close(platform::Handle handle) override { rig_.sim.Close(handle); }
  void Sleep(std::uint32_t ms) override {
    if (ms != 10) events.push_back("sleep " + std::to_string(ms));
  }
  void OutputDebugString(std::string_view text) override {
    events.push_back("debug " + std::string(text));
  }
  void Write(std::string_view text) override { events.push_back("out " + std::string(text)); }
  void Show(std::string_view caption, std::string_view text, platform::MessageIcon) override {
    events.push_back("box " + std::string(caption) + ": " + std::string(text));
  }

  static bool IsSerialRead(const platform::PassThroughRequest& r) {
    return r.Cdb[0] == 0xFF && r.Cdb[1] == 0x04 && r.Cdb[2] == 0x10;
  }

  // Serial flash: "<command> <address>[ <length>]"; parallel flash: "<command>[ <length>]".
  void Log(const platform::PassThroughRequest& r) {
    if (r.Cdb[0] != 0xFF || r.Cdb[1] != 0x04) return;  // identification
    const std::uint32_t address = (r.Cdb[3] << 16) | (r.Cdb[4] << 8) | r.Cdb[5];
    const std::string length = " " + std::to_string(r.DataTransferLength);
    char text[48];
    switch (r.Cdb[2]) {
      case 0x12:
      case 0x00: {
        const std::string poll = r.Cdb[2] == 0x12 ? "poll x" : "busy? x";
        if (!events.empty() && events.back().starts_with(poll)) {
          events.back() = poll + std::to_string(std::stoi(events.back().substr(poll.size())) + 1);
        } else {
          events.push_back(poll + "1");
        }
        return;
      }
      case 0x10: std::snprintf(text, sizeof text, "read %#x", address); break;
      case 0x11: std::snprintf(text, sizeof text, "write %#x", address); break;
      case 0x13: events.push_back("chip-erase"); return;
      case 0x14: std::snprintf(text, sizeof text, "erase %#x", address); break;
      case 0x01: events.push_back("erase"); return;
      case 0x02: events.push_back("program" + length); return;
      case 0x03: events.push_back("read" + length); return;
      case 0x04: events.push_back("pre-erase"); return;
      case 0x05: events.push_back("internal-rom"); return;
      default: return;
    }
    events.push_back(text + (r.Cdb[2] == 0x14 ? "" : length));
  }

  Rig& rig_;
  platform::Services io_;
  std::string status_;
  int serialReads_ = 0;
};

// Concatenates event lists, so the cases below read like the procedure.
Events operator+(Events a, const Events& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Events Repeat(int times, const std::function<Events(int)>& one) {
  Events all;
  for (int i = 1; i <= times; ++i) all = all + one(i);
  return all;
}

// Page k (from 1) of 16 KiB: its step, the write, and one more progress dot.
Events Pages(int count, std::string prefix = "") {
  return Repeat(count, [&](int k) {
    char address[16];
    std::snprintf(address, sizeof address, "%#x", (k - 1) * 16384);
    return Events{"+10", "write " + std::string(address) + " 16384",
                  "status " + prefix + std::string(k, '.'), "pass"};
  });
}

constexpr std::uint32_t kFlashSize = 131072;

struct SerialCase {
  const char* name;
  std::size_t imageSize;
  std::int32_t flashCode;
  const char* maker;
  std::vector<std::uint32_t> units;  // erase unit starts; empty: 32 KiB units
  bool stuckBusy;
  int flipRead;
  Events expected;
};

class SerialProgramming : public EngineTest, public ::testing::WithParamInterface<SerialCase> {};

TEST_P(SerialProgramming, TalksInThisOrder) {
  const SerialCase& c = GetParam();
  sim::DeviceSpec device = SerialFlashDevice(kFlashSize, std::vector<std::uint8_t>(kFlashSize, 0));
  device.serialFlash->eraseUnitStarts = c.units;
  device.serialFlash->stuckBusy = c.stuckBusy;
  Rig rig(OneDevice(device));
  rig.images.Set("FW339", Pattern(c.imageSize));
  Transcript host(rig);
  host.opts.flashCode = c.flashCode;
  host.opts.sFlashTypeText = c.maker;
  host.flipSerialRead = c.flipRead;

  flash::ProgramFirmware(host, rig.sim.DevicePath(0));
  EXPECT_EQ(host.events, c.expected);
}

const Events kVerified = {"+20", "sleep 1000", "poll x1", "read 0 65536", "+10",
                          "status Programming Success!!", "pass", "+10"};
const std::string kNotReady = "status Not ready after Erase flash success";

INSTANTIATE_TEST_SUITE_P(
    Paths, SerialProgramming,
    ::testing::Values(
        SerialCase{"TwoUniformUnits", 65536, 4, "AMIC", {}, false, 0,
                   Events{"poll x1", "erase 0", "+10", "sleep 500", "poll x1", "erase 0x8000",
                          "sleep 500", "poll x1", "read 0 65536", "+5", "+10"} +
                       Pages(4) + kVerified},
        SerialCase{"BootSectorsAndTheSecondUnit", 49152, 1, "AMIC",
                   {0x0000, 0x1000, 0x3000, 0x7000, 0xF000}, false, 0,
                   Events{"poll x1"} + Repeat(4, [](int k) {
                     const char* units[] = {"0", "0x1000", "0x3000", "0x7000"};
                     return Events{"erase " + std::string(units[k - 1]), "sleep 500", "poll x1"};
                   }) + Events{"erase 0xf000", "sleep 500", "poll x1", "read 0 49152", "+5", "+10"} +
                       Pages(3) +
                       Events{"+20", "sleep 1000", "poll x1", "read 0 49152", "+10",
                              "status Programming Success!!", "pass", "+10"}},
        // More than 64 KiB is read in 64 KiB pieces.
        SerialCase{"WholeChipWithParameterBlockMaker", 65537, -1, "ST/MXIC", {}, false, 0,
                   Events{"poll x1", "chip-erase", "sleep 500", "poll x1", "read 0 65536",
                          "read 0x10000 16384", "+5", "+10"} +
                       Pages(5) +
                       Events{"+20", "sleep 1000", "poll x1", "read 0 65536",
                              "read 0x10000 16384", "+10",
                              "status Programming Success!!", "pass", "+10"}},
        SerialCase{"OneUnitRestoresTheParameterBlock", 32768, 4, "ST/MXIC", {}, false, 0,
                   Events{"poll x1", "read 0x8000 512", "out NVRAM O.K.\n", "erase 0", "+10",
                          "sleep 500", "poll x1", "read 0 32768", "+5", "+10"} +
                       Pages(2) +
                       Events{"+20", "write 0x8000 512", "out write NVRAM O.K.\n", "sleep 1000",
                              "poll x1", "read 0 32768", "+10", "status Programming Success!!",
                              "pass", "+10"}},
        // The compare failure is the one status text without a message pass.
        SerialCase{"CompareFailure", 32768, 4, "AMIC", {}, false, 2,
                   Events{"poll x1", "erase 0", "+10", "sleep 500", "poll x1", "read 0 32768",
                          "+5", "+10"} +
                       Pages(2) +
                       Events{"+20", "sleep 1000", "poll x1", "read 0 32768", "+10",
                              "status Compare Fail!!\r\n\r\n", "+10"}},
        // A flash that never reports ready: each wait is 501 reads; none stops the run.
        SerialCase{"NeverReady", 32768, 4, "AMIC", {}, true, 0,
                   Events{"poll x501", "debug 0.1 Device initial not ready!!", "erase 0", "+10",
                          "sleep 500", "poll x501", kNotReady, "pass", "read 0 32768", "+5",
                          "+10"} +
                       Pages(2, "Not ready after Erase flash success") +
                       Events{"+20", "sleep 1000", "poll x501", "read 0 32768", "+10",
                              "status Programming Success!!", "pass", "+10"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineTest, EraseAllErasesPageSizedBlocksThenPausesAndReadsBack) {
  flash::FirmwareSize = 32768;
  flash::TransferPageSize = 8192;
  sim::DeviceSpec device = SerialFlashDevice(65536, {});
  device.serialFlash->eraseUnit = 8192;
  device.serialFlash->stuckBusy = true;
  Rig rig(OneDevice(device));
  Transcript host(rig);
  host.opts.rdCheckBox = host.opts.eraseOnlyFlag = true;

  EXPECT_EQ(flash::ProgramFirmware(host, rig.sim.DevicePath(0)), 1u);
  const Events blocks = Repeat(4, [](int k) {
    char address[16];
    std::snprintf(address, sizeof address, "%#x", (k - 1) * 8192);
    return Events{"poll x501", "erase " + std::string(address), "poll x501",
                  "debug Not ready after Erase flash success",
                  "status Erase..." + std::string(k, '.'), "pass"};
  });
  // Two waits in a row open the run: its own and the block erase's.
  EXPECT_EQ(host.events,
            (Events{"status Start Erase only!", "pass", "poll x1002",
                   "debug 0.1 Device initial not ready!!", "status Erase...", "pass"} +
                blocks +
                Events{"sleep 500", "poll x501", "status Not ready after Erase flash cmd success",
                       "pass", "read 0 32768", "status Erase flash all success!", "pass",
                       "box Message: Please Turn-Off the Power and Turn-On Again!"}));
}

TEST_F(EngineTest, Jmb352UpdateChecksEachBlockAndPieceAtOnce) {
  Rig rig(OneDevice(Jmb352Device(1)));
  Transcript host(rig);

  EXPECT_EQ(flash::UpdateJmb352(host, rig.sim.DevicePath(0)), 1u);
  const Events pieces = Repeat(2, [](int k) {
    const std::string address = k == 1 ? "0" : "0x4000";
    return Events{"+10", "poll x1", "write " + address + " 16384", "poll x1",
                  "read " + address + " 16384", "+10", "pass"};
  });
  EXPECT_EQ(host.events, (Events{"poll x1", "read 0 4096", "+10", "poll x1", "erase 0", "poll x1",
                                 "read 0 16384", "poll x1", "read 0x4000 16384", "pass", "+10"} +
                          pieces + Events{"+20"}));
}

TEST_F(EngineTest, Jm20336UpdateShowsEachStepAtOnce) {
  Rig rig(OneDevice(ParallelFlashDevice(std::vector<std::uint8_t>(65536, 0))));
  rig.images.Set("FW339", Pattern(40000));
  Transcript host(rig);

  EXPECT_TRUE(chip::UpdateJm20336(host, rig.sim.DevicePath(0), 0));
  EXPECT_EQ(host.events, (Events{"internal-rom", "pre-erase", "erase", "busy? x1",
                                 "status Erase command ok!!", "pass", "read 65536", "busy? x1",
                                 "program 40000", "status Programming Success!!", "pass",
                                 "busy? x1", "read 40000",
                                 "status Programming & Compare Success!!", "pass"}));
}

}  // namespace
}  // namespace kelm::test
