#pragma once
// A client of the firmware update service on the system bus: the operations it offers, each
// one call; a procedure's status texts, progress and messages handed to the caller in the
// order the service sent them.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/enclosure_service.h"
#include "platform/linux/fwupdate_bus.h"

struct sd_bus;
struct sd_bus_slot;

namespace kelm::linux_platform {

// Why a call did not go through; what() is one sentence for the user.
class ServiceError : public std::runtime_error {
 public:
  enum class Kind { Unreachable, NotAuthorized, Refused, BadInput, Busy };
  ServiceError(Kind kind, const std::string& text) : std::runtime_error(text), kind_(kind) {}
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

inline constexpr char kServiceUnreachable[] =
    "the firmware update service cannot be reached; it runs on the system bus from the "
    "kelm-fwupdate package, or run this as root to open the enclosures directly";
inline constexpr char kNotAuthorized[] =
    "the system's policy (polkit) did not authorize you to do this; ask an administrator";

inline constexpr char kAuthenticationNeeded[] =
    "the system's policy (polkit) asks for an administrator's password, and no authentication "
    "agent is running to ask you for it (start pkttyagent in another terminal, or use the desktop)";

struct ProcedureEvents {
  std::function<void(const std::string& text)> status;
  std::function<void(std::int32_t step)> progress;
  std::function<void(const std::string& caption, const std::string& text, std::uint32_t icon)> message;
  // The backup taken before a flash changes is complete in its file.
  std::function<void()> backupWritten;
  // The drive as the procedure's survey found it, before anything was read or written.
  std::function<void(const fwbus::EnclosureFacts& facts)> surveyed;
  // While the service works: called often (every 50 ms at least), so that a window stays drawn.
  std::function<void()> idle;
};

// An enclosure's object and where its drive sits, as the service publishes them without
// asking the drive anything.
struct EnclosureObject {
  std::string object;
  std::string path;
  std::string sgNode;
  std::string blockDevice;
  std::string usbId;
};

struct ServiceListing {
  std::vector<std::pair<std::string, fwbus::EnclosureFacts>> enclosures;  // object, survey
  std::vector<fwbus::ProcedureResult> results;
};

class FirmwareServiceClient {
 public:
  // Connects to the system bus ($DBUS_SYSTEM_BUS_ADDRESS when set); throws Unreachable.
  FirmwareServiceClient();
  ~FirmwareServiceClient();
  FirmwareServiceClient(const FirmwareServiceClient&) = delete;
  FirmwareServiceClient& operator=(const FirmwareServiceClient&) = delete;

  std::vector<EnclosureObject> Enclosures();
  ServiceListing List();
  fwbus::EnclosureFacts Identify(const std::string& object);
  // The descriptors stay the caller's; the bus passes copies.
  void Backup(const std::string& object, int file, std::uint32_t size, const ProcedureEvents& events);
  // `image` -1: the image the service finds for the bridge.
  void Update(const std::string& object, int backup, int image, const ProcedureEvents& events);
  void Restore(const std::string& object, int backup, int from, const ProcedureEvents& events);
  // The engineering panel's run; -1 for a file not handed over. Returns the procedure's result
  // (nonzero: it succeeded).
  std::uint32_t Run(const std::string& object, const platform::PanelRun& run, int backup, int image,
                    const ProcedureEvents& events);

  // From now on `changed` hears each enclosure the service announces (true) or withdraws
  // (false), while Wait runs.
  void WatchEnclosures(std::function<void(bool added, const std::string& object)> changed);
  // Hands on one message the bus brings, waiting for it at most `patience`.
  void Wait(std::chrono::milliseconds patience);
  // For an event loop: the connection's descriptor, readable when the bus brings something,
  // and what hands on all that it brought (what earlier calls read ahead included).
  int Fd() const;
  void DispatchPending();

 private:
  std::string ServiceOwner();
  // Sends the call built by `append` and hands the object's signals to `events` until the reply.
  std::uint32_t RunProcedure(const std::string& object, const char* member, const ProcedureEvents& events,
                    const std::function<int(struct sd_bus_message*)>& append);

  sd_bus* bus_ = nullptr;
  // Handed on outside sd-bus's processing, so that what they start may process the bus again.
  void HandOnChanges();

  std::function<void(bool, const std::string&)> changed_;
  std::deque<std::pair<bool, std::string>> changes_;
  std::vector<sd_bus_slot*> watches_;
};

}  // namespace kelm::linux_platform
