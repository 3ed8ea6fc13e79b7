#include "platform/linux/fwupdate_client.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <memory>
#include <set>

namespace kelm::linux_platform {

namespace {

using Kind = ServiceError::Kind;

// A survey sends a few commands to every drive, and polkit may wait on a person's password.
constexpr std::uint64_t kSurveyTimeoutUsec = 5ULL * 60 * 1000 * 1000;
// A procedure ends when the flash is written and verified; an hour is far past that.
constexpr std::uint64_t kProcedureTimeoutUsec = 60ULL * 60 * 1000 * 1000;

struct MessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

struct SlotUnref {
  void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};
using Slot = std::unique_ptr<sd_bus_slot, SlotUnref>;

// The bus's own errors that mean nobody serves the name, or we may not talk to it.
bool MeansUnreachable(const std::string& name) {
  static const std::set<std::string, std::less<>> kUnreachable = {
      "org.freedesktop.DBus.Error.ServiceUnknown", "org.freedesktop.DBus.Error.NameHasNoOwner",
      "org.freedesktop.DBus.Error.AccessDenied", "org.freedesktop.DBus.Error.Disconnected",
      "org.freedesktop.DBus.Error.NoServer", "org.freedesktop.DBus.Error.FileNotFound"};
  return kUnreachable.contains(name) || name.starts_with("org.freedesktop.DBus.Error.Spawn.");
}

[[noreturn]] void ThrowCallError(const sd_bus_error* error, int code) {
  const std::string name = error != nullptr && error->name != nullptr ? error->name : "";
  const std::string text =
      error != nullptr && error->message != nullptr ? error->message : std::strerror(code < 0 ? -code : code);
  if (name == fwbus::kErrorNotAuthorized) throw ServiceError(Kind::NotAuthorized, kNotAuthorized);
  if (name == fwbus::kErrorAuthenticationNeeded) throw ServiceError(Kind::NotAuthorized, kAuthenticationNeeded);
  if (name == fwbus::kErrorRefused) throw ServiceError(Kind::Refused, text);
  if (name == fwbus::kErrorBadInput) throw ServiceError(Kind::BadInput, text);
  if (name == fwbus::kErrorBusy) throw ServiceError(Kind::Busy, text);
  if (name.empty() || MeansUnreachable(name)) throw ServiceError(Kind::Unreachable, kServiceUnreachable);
  if (name == "org.freedesktop.DBus.Error.NoReply" || name == "org.freedesktop.DBus.Error.Timeout") {
    throw ServiceError(Kind::Refused, "the firmware update service did not answer in time");
  }
  throw ServiceError(Kind::Refused, "the firmware update service failed: " + text);
}

void Check(int result, const char* what) {
  if (result < 0) {
    throw ServiceError(Kind::Refused, std::string("the service's answer cannot be read (") + what +
                                          ": " + std::strerror(-result) + ")");
  }
}

// Calls a method with no arguments, or whatever `append` adds.
Message Call(sd_bus* bus, const std::string& object, const char* interface, const char* member,
             std::uint64_t timeout, const std::function<int(sd_bus_message*)>& append = {}) {
  sd_bus_message* rawCall = nullptr;
  Check(sd_bus_message_new_method_call(bus, &rawCall, fwbus::kBusName, object.c_str(), interface, member),
        member);
  const Message call(rawCall);
  if (append) Check(append(call.get()), member);
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* rawReply = nullptr;
  const int called = sd_bus_call(bus, call.get(), timeout, &error, &rawReply);
  Message reply(rawReply);
  if (called < 0) {
    struct Free {
      sd_bus_error* error;
      ~Free() { sd_bus_error_free(error); }
    } free{&error};
    ThrowCallError(&error, called);
  }
  return reply;
}

// One string property's value, the message at the variant.
std::string ReadStringVariant(sd_bus_message* message) {
  const char* value = nullptr;
  Check(sd_bus_message_enter_container(message, 'v', "s"), "property");
  Check(sd_bus_message_read(message, "s", &value), "property");
  Check(sd_bus_message_exit_container(message), "property");
  return value;
}

// The enclosure interface's properties: {sv} entries up to the array's end.
void ReadEnclosureProperties(sd_bus_message* message, EnclosureObject& enclosure) {
  Check(sd_bus_message_enter_container(message, 'a', "{sv}"), "properties");
  while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
    const char* name = nullptr;
    Check(sd_bus_message_read(message, "s", &name), "properties");
    const std::string property = name;
    if (property == "Path") enclosure.path = ReadStringVariant(message);
    else if (property == "SgNode") enclosure.sgNode = ReadStringVariant(message);
    else if (property == "BlockDevice") enclosure.blockDevice = ReadStringVariant(message);
    else if (property == "UsbId") enclosure.usbId = ReadStringVariant(message);
    else Check(sd_bus_message_skip(message, "v"), "properties");
    Check(sd_bus_message_exit_container(message), "properties");
  }
  Check(sd_bus_message_exit_container(message), "properties");
}

// How long a procedure's wait for the bus lasts before the caller's idle work runs.
constexpr std::uint64_t kIdleUsec = 50 * 1000;

// The signals are handed on outside sd-bus's processing, so that what they start (a window's
// message box, its event loop) may process the bus again.
struct PendingCall {
  const ProcedureEvents& events;
  std::deque<std::function<void()>> arrived;
  bool answered = false;
  std::uint32_t result = 0;  // a panel's run's
  sd_bus_error error = SD_BUS_ERROR_NULL;

  void HandOn() {
    while (!arrived.empty()) {
      const std::function<void()> next = std::move(arrived.front());
      arrived.pop_front();
      next();
    }
  }
};

int OnProcedureSignal(sd_bus_message* message, void* data, sd_bus_error*) {
  auto& pending = *static_cast<PendingCall*>(data);
  const ProcedureEvents& events = pending.events;
  const std::string member = sd_bus_message_get_member(message);
  if (member == "Status" && events.status) {
    const char* text = nullptr;
    if (sd_bus_message_read(message, "s", &text) > 0) {
      pending.arrived.push_back([&events, text = std::string(text)] { events.status(text); });
    }
  } else if (member == "Progress" && events.progress) {
    std::int32_t step = 0;
    if (sd_bus_message_read(message, "i", &step) > 0) {
      pending.arrived.push_back([&events, step] { events.progress(step); });
    }
  } else if (member == "Message" && events.message) {
    const char* caption = nullptr;
    const char* text = nullptr;
    std::uint32_t icon = 0;
    if (sd_bus_message_read(message, "ssu", &caption, &text, &icon) > 0) {
      pending.arrived.push_back(
          [&events, caption = std::string(caption), text = std::string(text), icon] {
            events.message(caption, text, icon);
          });
    }
  } else if (member == "BackupWritten" && events.backupWritten) {
    pending.arrived.push_back([&events] { events.backupWritten(); });
  } else if (member == "Surveyed" && events.surveyed) {
    fwbus::EnclosureFacts facts;
    if (fwbus::ReadFacts(message, facts) >= 0) {
      pending.arrived.push_back([&events, facts = std::move(facts)] { events.surveyed(facts); });
    }
  }
  return 0;
}

int OnProcedureReply(sd_bus_message* reply, void* data, sd_bus_error*) {
  auto* pending = static_cast<PendingCall*>(data);
  pending->answered = true;
  if (sd_bus_message_is_method_error(reply, nullptr)) {
    sd_bus_error_copy(&pending->error, sd_bus_message_get_error(reply));
  } else if (sd_bus_message_has_signature(reply, "u") && sd_bus_message_read(reply, "u", &pending->result) < 0) {
    sd_bus_error_set_const(&pending->error, SD_BUS_ERROR_INVALID_ARGS, "the service's answer cannot be read");
  }
  return 0;
}

}  // namespace

FirmwareServiceClient::FirmwareServiceClient() {
  if (sd_bus_open_system(&bus_) < 0) throw ServiceError(Kind::Unreachable, kServiceUnreachable);
  // polkit may ask the person at the seat for a password, where an agent runs.
  sd_bus_set_allow_interactive_authorization(bus_, 1);
}

FirmwareServiceClient::~FirmwareServiceClient() {
  for (sd_bus_slot* watch : watches_) sd_bus_slot_unref(watch);
  sd_bus_flush_close_unref(bus_);
}

std::vector<EnclosureObject> FirmwareServiceClient::Enclosures() {
  const Message reply = Call(bus_, fwbus::kManagerPath, "org.freedesktop.DBus.ObjectManager",
                             "GetManagedObjects", kSurveyTimeoutUsec);
  std::vector<EnclosureObject> enclosures;
  sd_bus_message* m = reply.get();
  Check(sd_bus_message_enter_container(m, 'a', "{oa{sa{sv}}}"), "objects");
  while (sd_bus_message_enter_container(m, 'e', "oa{sa{sv}}") > 0) {
    EnclosureObject enclosure;
    const char* object = nullptr;
    Check(sd_bus_message_read(m, "o", &object), "objects");
    enclosure.object = object;
    bool isEnclosure = false;
    Check(sd_bus_message_enter_container(m, 'a', "{sa{sv}}"), "objects");
    while (sd_bus_message_enter_container(m, 'e', "sa{sv}") > 0) {
      const char* interface = nullptr;
      Check(sd_bus_message_read(m, "s", &interface), "objects");
      if (std::string(interface) == fwbus::kEnclosureInterface) {
        isEnclosure = true;
        ReadEnclosureProperties(m, enclosure);
      } else {
        Check(sd_bus_message_skip(m, "a{sv}"), "objects");
      }
      Check(sd_bus_message_exit_container(m), "objects");
    }
    Check(sd_bus_message_exit_container(m), "objects");
    Check(sd_bus_message_exit_container(m), "objects");
    if (isEnclosure) enclosures.push_back(std::move(enclosure));
  }
  return enclosures;
}

ServiceListing FirmwareServiceClient::List() {
  const Message reply = Call(bus_, fwbus::kManagerPath, fwbus::kManagerInterface, "List", kSurveyTimeoutUsec);
  sd_bus_message* m = reply.get();
  ServiceListing listing;
  Check(sd_bus_message_enter_container(m, 'a', (std::string("(o") + fwbus::kFactsSignature + ")").c_str()),
        "List");
  while (sd_bus_message_enter_container(m, 'r', (std::string("o") + fwbus::kFactsSignature).c_str()) > 0) {
    const char* object = nullptr;
    fwbus::EnclosureFacts facts;
    Check(sd_bus_message_read(m, "o", &object), "List");
    Check(fwbus::ReadFacts(m, facts), "List");
    Check(sd_bus_message_exit_container(m), "List");
    listing.enclosures.emplace_back(object, std::move(facts));
  }
  Check(sd_bus_message_exit_container(m), "List");
  Check(sd_bus_message_enter_container(m, 'a', fwbus::kResultSignature), "List");
  fwbus::ProcedureResult result;
  while (fwbus::ReadResult(m, result) > 0) listing.results.push_back(result);
  Check(sd_bus_message_exit_container(m), "List");
  return listing;
}

fwbus::EnclosureFacts FirmwareServiceClient::Identify(const std::string& object) {
  const Message reply = Call(bus_, object, fwbus::kEnclosureInterface, "Identify", kSurveyTimeoutUsec);
  fwbus::EnclosureFacts facts;
  Check(fwbus::ReadFacts(reply.get(), facts), "Identify");
  return facts;
}

std::string FirmwareServiceClient::ServiceOwner() {
  const Message reply = [&] {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* raw = nullptr;
    const int called = sd_bus_call_method(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                          "org.freedesktop.DBus", "GetNameOwner", &error, &raw, "s",
                                          fwbus::kBusName);
    if (called < 0) {
      sd_bus_error_free(&error);
      throw ServiceError(Kind::Unreachable, kServiceUnreachable);
    }
    return Message(raw);
  }();
  const char* owner = nullptr;
  Check(sd_bus_message_read(reply.get(), "s", &owner), "GetNameOwner");
  return owner;
}

std::uint32_t FirmwareServiceClient::RunProcedure(const std::string& object, const char* member,
                                         const ProcedureEvents& events,
                                         const std::function<int(sd_bus_message*)>& append) {
  // Another program could send signals that look like the service's: only its owner's count.
  const std::string owner = ServiceOwner();
  PendingCall pending{events, {}};
  struct FreeError {
    sd_bus_error* error;
    ~FreeError() { sd_bus_error_free(error); }
  } freeError{&pending.error};
  sd_bus_slot* rawMatch = nullptr;
  Check(sd_bus_match_signal(bus_, &rawMatch, owner.c_str(), object.c_str(), fwbus::kEnclosureInterface,
                            nullptr, OnProcedureSignal, &pending),
        "AddMatch");
  const Slot match(rawMatch);

  sd_bus_message* rawCall = nullptr;
  Check(sd_bus_message_new_method_call(bus_, &rawCall, fwbus::kBusName, object.c_str(),
                                       fwbus::kEnclosureInterface, member),
        member);
  const Message call(rawCall);
  Check(append(call.get()), member);
  sd_bus_slot* rawReplySlot = nullptr;
  Check(sd_bus_call_async(bus_, &rawReplySlot, call.get(), OnProcedureReply, &pending, kProcedureTimeoutUsec),
        member);
  const Slot replySlot(rawReplySlot);

  // The signals come before the reply on the one connection, so they are all handed on first.
  // An event loop the caller runs meanwhile may process the bus too (DispatchPending).
  while (!pending.answered || !pending.arrived.empty()) {
    const int processed = sd_bus_process(bus_, nullptr);
    if (processed < 0) throw ServiceError(Kind::Unreachable, kServiceUnreachable);
    pending.HandOn();
    if (processed > 0 || pending.answered) continue;
    sd_bus_wait(bus_, events.idle ? kIdleUsec : UINT64_MAX);
    if (events.idle) events.idle();
  }
  if (sd_bus_error_is_set(&pending.error)) ThrowCallError(&pending.error, -EIO);
  return pending.result;
}

void FirmwareServiceClient::Backup(const std::string& object, int file, std::uint32_t size,
                                   const ProcedureEvents& events) {
  RunProcedure(object, "Backup", events,
               [&](sd_bus_message* call) { return sd_bus_message_append(call, "hu", file, size); });
}

void FirmwareServiceClient::Update(const std::string& object, int backup, int image,
                                   const ProcedureEvents& events) {
  RunProcedure(object, "Update", events, [&](sd_bus_message* call) {
    if (image < 0) return sd_bus_message_append(call, "ha{sv}", backup, 0);
    return sd_bus_message_append(call, "ha{sv}", backup, 1, "image", "h", image);
  });
}

std::uint32_t FirmwareServiceClient::Run(const std::string& object, const platform::PanelRun& run,
                                         int backup, int image, const ProcedureEvents& events) {
  namespace key = fwbus::run_option;
  const platform::Options& o = run.options;
  return RunProcedure(object, "Run", events, [&](sd_bus_message* call) {
    int r = sd_bus_message_open_container(call, 'a', "{sv}");
    const auto add = [&](const char* name, const char* type, auto value) {
      if (r >= 0) r = sd_bus_message_append(call, "{sv}", name, type, value);
    };
    add(key::kRead, "b", static_cast<int>(o.rdCheckBox));
    add(key::kBackup, "b", static_cast<int>(o.backupFwCheckBox));
    add(key::kEraseOnly, "b", static_cast<int>(o.eraseOnlyFlag));
    add(key::kA1Chip, "b", static_cast<int>(o.a1ChipCheck));
    add(key::kDefaultBackupName, "b", static_cast<int>(o.backupFileName.empty()));
    add(key::kFlashType, "i", run.flashType);
    add(key::kFirmwareSize, "u", run.firmwareSize);
    add(key::kPageSize, "u", run.pageSize);
    if (backup >= 0) add(key::kBackupFile, "h", backup);
    if (image >= 0) add(key::kImage, "h", image);
    if (r >= 0) r = sd_bus_message_close_container(call);
    return r;
  });
}

void FirmwareServiceClient::Restore(const std::string& object, int backup, int from,
                                    const ProcedureEvents& events) {
  RunProcedure(object, "Restore", events,
               [&](sd_bus_message* call) { return sd_bus_message_append(call, "hh", backup, from); });
}

void FirmwareServiceClient::WatchEnclosures(std::function<void(bool added, const std::string& object)> changed) {
  changed_ = std::move(changed);
  const std::string owner = ServiceOwner();
  const auto handler = [](sd_bus_message* message, void* data, sd_bus_error*) -> int {
    auto& client = *static_cast<FirmwareServiceClient*>(data);
    const char* object = nullptr;
    if (sd_bus_message_read(message, "o", &object) < 0 || !client.changed_) return 0;
    const bool added = std::string(sd_bus_message_get_member(message)) == "InterfacesAdded";
    client.changes_.emplace_back(added, object);
    return 0;
  };
  for (const char* member : {"InterfacesAdded", "InterfacesRemoved"}) {
    sd_bus_slot* watch = nullptr;
    Check(sd_bus_match_signal(bus_, &watch, owner.c_str(), fwbus::kManagerPath,
                              "org.freedesktop.DBus.ObjectManager", member, handler, this),
          "AddMatch");
    watches_.push_back(watch);
  }
}

void FirmwareServiceClient::Wait(std::chrono::milliseconds patience) {
  int processed = sd_bus_process(bus_, nullptr);
  if (processed == 0) {
    sd_bus_wait(bus_, static_cast<std::uint64_t>(std::chrono::microseconds(patience).count()));
    processed = sd_bus_process(bus_, nullptr);
  }
  if (processed < 0) throw ServiceError(Kind::Unreachable, kServiceUnreachable);
  HandOnChanges();
}

int FirmwareServiceClient::Fd() const { return sd_bus_get_fd(bus_); }

void FirmwareServiceClient::DispatchPending() {
  // Negative also while a procedure's own processing is under way; it hands on what is left.
  while (sd_bus_process(bus_, nullptr) > 0) {
  }
  HandOnChanges();
}

void FirmwareServiceClient::HandOnChanges() {
  while (!changes_.empty() && changed_) {
    const auto [added, object] = std::move(changes_.front());
    changes_.pop_front();
    changed_(added, object);
  }
}

}  // namespace kelm::linux_platform
