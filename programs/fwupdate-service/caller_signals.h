#pragma once
// A procedure's outputs as signals on the enclosure's object, sent to the client that called
// (not broadcast: the texts name the caller's files), in the order the procedure made them.
// A client that has gone misses them; the procedure goes on.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/host.h"
#include "platform/linux/fwupdate_bus.h"

struct sd_bus;
struct sd_bus_message;

namespace kelm::service {

class CallerSignals {
 public:
  CallerSignals(sd_bus* bus, std::string object, std::string caller)
      : bus_(bus), object_(std::move(object)), caller_(std::move(caller)) {}

  // The core's texts are Latin-1; the bus carries UTF-8.
  void Status(std::string_view text);
  void Progress(std::int32_t step);
  void Message(std::string_view caption, std::string_view text, platform::MessageIcon icon);
  void BackupWritten();
  // The drive as the procedure's own survey found it, before anything is read or written: a
  // client that named the drive learns it here instead of asking for a survey of its own.
  void Surveyed(const linux_platform::fwbus::EnclosureFacts& facts);

 private:
  void Send(const char* member, const char* types, ...);
  void SendBuilt(const char* member, const std::function<int(sd_bus_message*)>& append);

  sd_bus* bus_;
  std::string object_;
  std::string caller_;
};

// The message boxes of a procedure run for a client.
class SignalledMessageBoxes final : public platform::MessageBoxes {
 public:
  explicit SignalledMessageBoxes(CallerSignals& signals) : signals_(signals) {}
  void Show(std::string_view caption, std::string_view text, platform::MessageIcon icon) override {
    signals_.Message(caption, text, icon);
  }

 private:
  CallerSignals& signals_;
};

// The procedures' host in the service: the status and the bar as signals to the caller.
class SignalledHost final : public platform::Host {
 public:
  SignalledHost(const platform::Services& io, platform::Options options, CallerSignals& signals)
      : io_(io), options_(std::move(options)), signals_(signals) {}

  const platform::Services& services() override { return io_; }
  void SetStatus(std::string_view text) override {
    status_ = std::string(text);
    signals_.Status(text);
  }
  std::string Status() const override { return status_; }
  void ProcessMessages() override {}
  void AdvanceProgress(std::int32_t step) override { signals_.Progress(step); }
  platform::Options options() const override { return options_; }

 private:
  const platform::Services& io_;
  platform::Options options_;
  CallerSignals& signals_;
  std::string status_;
};

}  // namespace kelm::service
