// logind's lock on shutdown and sleep against python3-dbusmock's logind on a private system
// bus (with-mock-logind starts both): the window and kelmtool hold it at every command that
// changes the flash, not before, and give it back when the procedure has ended.

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/flash_change_span.h"
#include "platform/disk_claim.h"
#include "platform/linux/logind_inhibitor.h"
#include "programs/kelmtool/command_line.h"
#include "programs/kelmtool/linux_hold_off.h"
#include "programs/kelmtool/tool.h"
#include "tests/support/rig.h"
#include "window/logic/fw_tool.h"

namespace kelm::test {
namespace {

// Whether logind lists a block lock on shutdown and sleep taken by `who` for the update.
bool Listed(const std::string& who) {
  sd_bus* bus = nullptr;
  if (sd_bus_open_system(&bus) < 0) return false;
  sd_bus_message* reply = nullptr;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  bool found = false;
  if (sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                         "org.freedesktop.login1.Manager", "ListInhibitors", &error, &reply, "") >= 0 &&
      sd_bus_message_enter_container(reply, 'a', "(ssssuu)") >= 0) {
    const char *what, *by, *why, *mode;
    std::uint32_t uid, pid;
    while (sd_bus_message_read(reply, "(ssssuu)", &what, &by, &why, &mode, &uid, &pid) > 0) {
      found = found || (std::string(what) == "shutdown:sleep" && by == who &&
                        why == linux_platform::kInhibitReason && std::string(mode) == "block");
    }
  }
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  sd_bus_flush_close_unref(bus);
  return found;
}

// logind drops a lock when it sees the descriptor closed, on its own time: wait for that.
bool ReleasedWithin(const std::string& who, std::chrono::seconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (Listed(who)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// Asks logind, at every request, whether the lock is held; remembers the answers at the
// requests that change the flash and at those before the first of them.
class ListingDeviceFile final : public platform::DeviceFile {
 public:
  ListingDeviceFile(platform::DeviceFile& inner, std::string who) : inner_(inner), who_(std::move(who)) {}
  platform::Handle Open(const std::string& path, platform::ShareMode share) override {
    return inner_.Open(path, share);
  }
  bool Control(platform::Handle handle, std::uint32_t code, platform::PassThroughRequest& request) override {
    const bool changes = device::ChangesFlash(request);
    const bool listed = Listed(who_);
    if (changes) {
      atChanges.push_back(listed);
    } else if (atChanges.empty()) {
      heldBeforeAnyChange = heldBeforeAnyChange || listed;
    }
    return inner_.Control(handle, code, request);
  }
  std::uint32_t LastError() const override { return inner_.LastError(); }
  void Close(platform::Handle handle) override { inner_.Close(handle); }

  std::vector<bool> atChanges;
  bool heldBeforeAnyChange = false;

 private:
  platform::DeviceFile& inner_;
  std::string who_;
};

bool AllTrue(const std::vector<bool>& answers) {
  return !answers.empty() && std::find(answers.begin(), answers.end(), false) == answers.end();
}

constexpr auto kLogindBound = std::chrono::seconds(30);

sim::Scenario OldJmb352() {
  sim::Scenario scenario;
  scenario.devices = {Jmb352Device(2, std::vector<std::uint8_t>(65536, 0x5A))};
  return scenario;
}

struct NoFace final : window::Controls, window::Frame {
  bool Visible(std::string_view) const override { return true; }
  void SetVisible(std::string_view, bool) override {}
  bool Enabled(std::string_view) const override { return true; }
  void SetEnabled(std::string_view, bool) override {}
  std::string Text(std::string_view) const override { return {}; }
  void SetText(std::string_view, std::string_view) override {}
  void SetColor(std::string_view, window::ColorRef) override {}
  int Height(std::string_view) const override { return 0; }
  int ItemCount(std::string_view) const override { return static_cast<int>(items.size()); }
  void ClearItems(std::string_view) override { items.clear(); }
  void AddItem(std::string_view, std::string_view text) override { items.emplace_back(text); }
  std::string ItemText(std::string_view, int i) const override { return items.at(static_cast<std::size_t>(i)); }
  int ItemIndex(std::string_view) const override { return items.empty() ? -1 : 0; }
  void SetItemIndex(std::string_view, int) override {}
  bool Checked(std::string_view) const override { return false; }
  void SetChecked(std::string_view, bool) override {}
  int Position(std::string_view) const override { return 0; }
  window::ProgressRange Range(std::string_view) const override { return {0, 100}; }
  void SetPosition(std::string_view, int) override {}
  void SetClientSize(int, int) override {}
  void Close() override {}
  void CloseLater() override {}
  void ProcessMessages() override {}
  std::vector<std::string> items;
};

struct NoDialog final : ui::FileDialog {
  std::optional<std::string> GetOpenFileName(const std::string&, const std::string&) override {
    return std::nullopt;
  }
};

struct NoNotifications final : platform::DeviceNotifications {
  void Register(Handler) override {}
};

TEST(LogindHold, TheWindowHoldsShutdownAndSleepWhileTheFlashChanges) {
  Rig rig(OldJmb352());
  ListingDeviceFile file(rig.sim, "kelm-fwupdate");
  platform::Services io{file, rig.io.setup, rig.io.clock, rig.io.debug, rig.io.out,
                        rig.io.boxes, rig.io.images, rig.io.files};
  std::vector<std::string> told;
  linux_platform::LogindInhibitor inhibitor("kelm-fwupdate",
                                            [&](const std::string& why) { told.push_back(why); });
  NoFace face;
  NoNotifications notifications;
  NoDialog dialog;
  platform::UncontestedDiskClaim claim;
  window::TZintFwTool logic(face, face,
                            ui::WindowEnvironment{io, notifications, dialog, claim, "/opt/kelm", {}, inhibitor});
  logic.Start();

  logic.EraseButtonClick();

  EXPECT_TRUE(rig.sim.SerialFlash(0) != std::vector<std::uint8_t>(65536, 0x5A));
  EXPECT_TRUE(told.empty());
  EXPECT_FALSE(file.heldBeforeAnyChange);
  EXPECT_TRUE(AllTrue(file.atChanges));
  EXPECT_TRUE(ReleasedWithin("kelm-fwupdate", kLogindBound));
}

class SimLocator final : public kelmtool::DriveLocator {
 public:
  kelmtool::DriveNodes Describe(const std::string&) const override { return {}; }
  std::optional<std::string> Match(const std::string&, const std::vector<std::string>&) const override {
    return std::nullopt;
  }
  bool TakesSyntheticImages(const std::string&) const override { return true; }
};

struct NoReplug final : kelmtool::EnclosureWatch {
  bool AwaitReplug(const std::function<bool()>&) override { return false; }
};

TEST(LogindHold, KelmtoolHoldsShutdownAndSleepWhileTheFlashChanges) {
  Rig rig(OldJmb352());
  ListingDeviceFile file(rig.sim, "kelmtool");
  platform::Services io{file, rig.io.setup, rig.io.clock, rig.io.debug, rig.io.out,
                        rig.io.boxes, rig.io.images, rig.io.files};
  platform::UncontestedDiskClaim claim;
  SimLocator locator;
  NoReplug watch;
  const std::unique_ptr<platform::FlashHoldOff> holdOff = kelmtool::LinuxHoldOff();
  const kelmtool::ToolEnvironment env{io, claim, rig.io.files, locator, watch, *holdOff};
  const std::string backup =
      (std::filesystem::path(::testing::TempDir()) / "logind-hold-backup.bin").string();
  std::filesystem::remove(backup);
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);

  const int status = kelmtool::RunTool(kelmtool::ParseCommandLine({"update", "0", "--backup", backup}), env, out);
  std::fclose(out);

  EXPECT_EQ(status, 0);
  EXPECT_FALSE(file.heldBeforeAnyChange);
  EXPECT_TRUE(AllTrue(file.atChanges));
  EXPECT_TRUE(ReleasedWithin("kelmtool", kLogindBound));
  std::filesystem::remove(backup);
  std::filesystem::remove(backup + ".json");
}

TEST(LogindHold, WithoutASystemBusTheRunGoesOnAndSaysSoOnce) {
  const char* const address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  const std::string saved = address != nullptr ? address : "";
  const std::filesystem::path nowhere = std::filesystem::path(::testing::TempDir()) / "no-bus-here";
  setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + nowhere.string()).c_str(), 1);
  std::vector<std::string> told;
  linux_platform::LogindInhibitor inhibitor("kelmtool", [&](const std::string& why) { told.push_back(why); });

  for (int run = 0; run < 2; ++run) {
    inhibitor.Hold();
    EXPECT_FALSE(inhibitor.held());
    inhibitor.Release();
  }
  setenv("DBUS_SYSTEM_BUS_ADDRESS", saved.c_str(), 1);

  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("no system bus"), std::string::npos);
}

}  // namespace
}  // namespace kelm::test
