#pragma once
// The service on the system bus: the manager object, one object for each USB-storage drive
// (announced with the ObjectManager's signals, so clients watch only the bus), and the
// operations, each authorized by polkit before anything reaches a device. Calls are served
// one at a time: a procedure runs to its end inside its call, whatever its caller does.

#include <systemd/sd-bus.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/linux/drive_nodes.h"
#include "programs/fwupdate-service/operations.h"
#include "programs/fwupdate-service/result_book.h"


namespace kelm::service {

class FirmwareService {
 public:
  FirmwareService(sd_bus* bus, Machine& machine, ResultBook& book);
  ~FirmwareService();
  FirmwareService(const FirmwareService&) = delete;
  FirmwareService& operator=(const FirmwareService&) = delete;

  // Publishes the manager and today's enclosures, then takes the bus name; a negative errno
  // when the bus refuses.
  int Start();
  // Publishes the drives there are now and withdraws those gone (no command is sent).
  void Refresh();
  // Whether the service may leave: no call since the last look, and none of its callers
  // still on the bus.
  bool Idle();

  struct Enclosure;

 private:
  static int OnList(sd_bus_message* call, void* data, sd_bus_error* error);
  static int OnIdentify(sd_bus_message* call, void* data, sd_bus_error* error);
  static int OnBackup(sd_bus_message* call, void* data, sd_bus_error* error);
  static int OnUpdate(sd_bus_message* call, void* data, sd_bus_error* error);
  static int OnRestore(sd_bus_message* call, void* data, sd_bus_error* error);
  static int OnRun(sd_bus_message* call, void* data, sd_bus_error* error);

  int List(sd_bus_message* call, sd_bus_error* error);
  int Identify(sd_bus_message* call, const Enclosure& enclosure, sd_bus_error* error);
  int Backup(sd_bus_message* call, const Enclosure& enclosure, sd_bus_error* error);
  int Update(sd_bus_message* call, const Enclosure& enclosure, bool restore, sd_bus_error* error);
  int Run(sd_bus_message* call, const Enclosure& enclosure, sd_bus_error* error);

  // Notes the caller; a negative errno and `error` set unless polkit grants `action`.
  int Authorize(sd_bus_message* call, const char* action, sd_bus_error* error);
  // Runs a procedure, records how it ended and answers the call; with `result`, the answer is
  // that number, which the procedure set (0: it failed).
  int RunRecorded(sd_bus_message* call, const Enclosure& enclosure, const char* operation,
                  sd_bus_error* error, const std::function<std::string()>& procedure,
                  const std::uint32_t* result = nullptr);
  void Publish(const std::string& path);
  void Withdraw(const std::string& path);

  sd_bus* bus_;
  Machine& machine_;
  ResultBook& book_;
  sd_bus_slot* managerSlot_ = nullptr;
  sd_bus_slot* objectManagerSlot_ = nullptr;
  std::map<std::string, std::unique_ptr<Enclosure>> enclosures_;  // by discovery path
  std::set<std::string> callers_;  // unique bus names
  bool called_ = false;
  // The drive an update left claimed until it leaves for its re-plug.
  std::string claimedPath_;
};

}  // namespace kelm::service
