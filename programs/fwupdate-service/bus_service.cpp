#include "programs/fwupdate-service/bus_service.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <utility>

#include "flash/drive_survey.h"
#include "platform/linux/fwupdate_bus.h"
#include "platform/text/printable_text.h"
#include "programs/fwupdate-service/polkit_check.h"
#include "programs/fwupdate-service/service_log.h"

namespace kelm::service {

namespace fwbus = linux_platform::fwbus;

struct FirmwareService::Enclosure {
  FirmwareService* service = nullptr;
  std::string path;
  linux_platform::DriveNodeNames nodes;
  std::string object;
  sd_bus_slot* slot = nullptr;
};

namespace {

std::string ObjectOf(const std::string& path) {
  char* object = nullptr;
  if (sd_bus_path_encode(fwbus::kManagerPath, path.c_str(), &object) < 0) return {};
  std::string result = object;
  free(object);
  return result;
}

int ReplyError(sd_bus_error* error, const char* name, const std::string& text) {
  return sd_bus_error_set(error, name, text.c_str());
}

int FailWith(sd_bus_error* error, const OperationError& failure) {
  switch (failure.kind()) {
    case OperationError::Kind::BadInput: return ReplyError(error, fwbus::kErrorBadInput, failure.what());
    case OperationError::Kind::NotAuthorized: return ReplyError(error, fwbus::kErrorNotAuthorized, failure.what());
    case OperationError::Kind::Refused: break;
  }
  return ReplyError(error, fwbus::kErrorRefused, failure.what());
}

int GetProperty(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply,
                void* data, sd_bus_error*) {
  const auto& enclosure = *static_cast<const FirmwareService::Enclosure*>(data);
  const std::string name = property;
  const std::string& value = name == "Path"     ? enclosure.path
                             : name == "SgNode" ? enclosure.nodes.sgNode
                             : name == "UsbId"  ? enclosure.nodes.usbId
                                                : enclosure.nodes.blockDevice;
  return sd_bus_message_append(reply, "s", text::Latin1ToUtf8(value).c_str());
}

// Whether a unique name is still connected; a failed question counts as gone.
bool OnBus(sd_bus* bus, const std::string& name) {
  sd_bus_message* reply = nullptr;
  int has = 0;
  if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                         "NameHasOwner", nullptr, &reply, "s", name.c_str()) >= 0) {
    sd_bus_message_read(reply, "b", &has);
  }
  sd_bus_message_unref(reply);
  return has != 0;
}

// The descriptors of an update's or restore's call, each checked; what is wrong, or empty.
std::string ReadUpdateArguments(sd_bus_message* call, bool restore, int& backup, int& given) {
  int r = sd_bus_message_read(call, "h", &backup);
  if (restore) {
    if (r >= 0) r = sd_bus_message_read(call, "h", &given);
  } else {
    if (r >= 0) r = sd_bus_message_enter_container(call, 'a', "{sv}");
    while (r >= 0 && (r = sd_bus_message_enter_container(call, 'e', "sv")) > 0) {
      const char* option = nullptr;
      r = sd_bus_message_read(call, "s", &option);
      if (r >= 0 && std::string(option) != "image") return std::string("no such option: ") + option;
      if (r >= 0) r = sd_bus_message_read(call, "v", "h", &given);
      if (r >= 0) r = sd_bus_message_exit_container(call);
    }
    if (r >= 0) r = sd_bus_message_exit_container(call);
  }
  if (r < 0) return "the arguments cannot be read";
  if (std::string why = WhyNotWritable(backup); !why.empty()) return "the backup's file: " + why;
  if (given < 0 && !restore) return {};
  if (std::string why = WhyNotReadable(given); !why.empty()) {
    return (restore ? "the backup to restore: " : "the image: ") + why;
  }
  return {};
}

// Run's options, each of its own type; what is wrong, or empty.
std::string ReadRunOptions(sd_bus_message* call, PanelRunRequest& request) {
  namespace key = fwbus::run_option;
  int r = sd_bus_message_enter_container(call, 'a', "{sv}");
  while (r >= 0 && (r = sd_bus_message_enter_container(call, 'e', "sv")) > 0) {
    const char* option = nullptr;
    if (sd_bus_message_read(call, "s", &option) < 0) return "the options cannot be read";
    const std::string name = option;
    int flag = 0;
    const auto readFlag = [&](bool& into) {
      const int read = sd_bus_message_read(call, "v", "b", &flag);
      into = flag != 0;
      return read;
    };
    platform::Options& o = request.options;
    if (name == key::kRead) r = readFlag(o.rdCheckBox);
    else if (name == key::kBackup) r = readFlag(o.backupFwCheckBox);
    else if (name == key::kEraseOnly) r = readFlag(o.eraseOnlyFlag);
    else if (name == key::kA1Chip) r = readFlag(o.a1ChipCheck);
    else if (name == key::kDefaultBackupName) r = readFlag(request.defaultBackupName);
    else if (name == key::kFlashType) r = sd_bus_message_read(call, "v", "i", &request.flashType);
    else if (name == key::kFirmwareSize) r = sd_bus_message_read(call, "v", "u", &request.firmwareSize);
    else if (name == key::kPageSize) r = sd_bus_message_read(call, "v", "u", &request.pageSize);
    else if (name == key::kBackupFile) r = sd_bus_message_read(call, "v", "h", &request.backupFile);
    else if (name == key::kImage) r = sd_bus_message_read(call, "v", "h", &request.image);
    else return "no such option: " + name;
    if (r < 0) return "the option " + name + " is not of its type";
    r = sd_bus_message_exit_container(call);
  }
  if (r >= 0) r = sd_bus_message_exit_container(call);
  if (r < 0) return "the options cannot be read";
  return WhyBadRun(request);
}

std::uint64_t Now() {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
          .count());
}

}  // namespace

FirmwareService::FirmwareService(sd_bus* bus, Machine& machine, ResultBook& book)
    : bus_(bus), machine_(machine), book_(book) {}

FirmwareService::~FirmwareService() {
  for (auto& [path, enclosure] : enclosures_) sd_bus_slot_unref(enclosure->slot);
  sd_bus_slot_unref(managerSlot_);
  sd_bus_slot_unref(objectManagerSlot_);
  if (!claimedPath_.empty()) machine_.claim.Release();
}

int FirmwareService::Start() {
  // The signatures are spelled out: a vtable takes string literals (kFactsSignature, kResultSignature).
  static const sd_bus_vtable kManager[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD("List", "", "a(o" "(ssussbistysstbsss)" ")a(sssbt)", OnList, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_VTABLE_END};
  int r = sd_bus_add_object_manager(bus_, &objectManagerSlot_, fwbus::kManagerPath);
  if (r >= 0) r = sd_bus_add_object_vtable(bus_, &managerSlot_, fwbus::kManagerPath, fwbus::kManagerInterface,
                                           kManager, this);
  if (r < 0) return r;
  Refresh();
  return sd_bus_request_name(bus_, fwbus::kBusName, 0);
}

void FirmwareService::Publish(const std::string& path) {
  static const sd_bus_vtable kEnclosure[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_PROPERTY("Path", "s", GetProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
      SD_BUS_PROPERTY("SgNode", "s", GetProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
      SD_BUS_PROPERTY("BlockDevice", "s", GetProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
      SD_BUS_PROPERTY("UsbId", "s", GetProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
      SD_BUS_METHOD("Identify", "", "(ssussbistysstbsss)", OnIdentify, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_METHOD("Backup", "hu", "", OnBackup, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_METHOD("Update", "ha{sv}", "", OnUpdate, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_METHOD("Restore", "hh", "", OnRestore, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_METHOD("Run", "a{sv}", "u", OnRun, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_SIGNAL("Status", "s", 0),
      SD_BUS_SIGNAL("Progress", "i", 0),
      SD_BUS_SIGNAL("Message", "ssu", 0),
      SD_BUS_SIGNAL("BackupWritten", "", 0),
      SD_BUS_SIGNAL("Surveyed", "(ssussbistysstbsss)", 0),
      SD_BUS_VTABLE_END};
  auto enclosure = std::make_unique<Enclosure>();
  enclosure->service = this;
  enclosure->path = path;
  enclosure->nodes = machine_.describe(path);
  enclosure->object = ObjectOf(path);
  if (enclosure->object.empty() ||
      sd_bus_add_object_vtable(bus_, &enclosure->slot, enclosure->object.c_str(), fwbus::kEnclosureInterface,
                               kEnclosure, enclosure.get()) < 0) {
    Log("cannot publish the drive " + path);
    return;
  }
  sd_bus_emit_object_added(bus_, enclosure->object.c_str());
  enclosures_[path] = std::move(enclosure);
}

void FirmwareService::Withdraw(const std::string& path) {
  const auto gone = enclosures_.find(path);
  sd_bus_emit_object_removed(bus_, gone->second->object.c_str());
  sd_bus_slot_unref(gone->second->slot);
  enclosures_.erase(gone);
  // Its re-plug has begun: nothing mounts it meanwhile, and the claim has nothing left to hold.
  if (path == claimedPath_) {
    machine_.claim.Release();
    claimedPath_.clear();
  }
}

void FirmwareService::Refresh() {
  const std::vector<std::string> present = flash::UsbStoragePaths(machine_.setup);
  std::vector<std::string> gone;
  for (const auto& [path, enclosure] : enclosures_) {
    if (std::find(present.begin(), present.end(), path) == present.end()) gone.push_back(path);
  }
  for (const std::string& path : gone) Withdraw(path);
  for (const std::string& path : present) {
    if (!enclosures_.contains(path)) Publish(path);
  }
}

bool FirmwareService::Idle() {
  if (std::exchange(called_, false)) return false;
  std::erase_if(callers_, [this](const std::string& caller) { return !OnBus(bus_, caller); });
  return callers_.empty();
}

int FirmwareService::Authorize(sd_bus_message* call, const char* action, sd_bus_error* error) {
  called_ = true;
  const char* sender = sd_bus_message_get_sender(call);
  if (sender != nullptr) callers_.insert(sender);
  const Authorization answer = CheckAuthorization(bus_, call, action);
  if (answer.granted) return 0;
  Log(std::string(action) + " refused to " + (sender != nullptr ? sender : "?") + ": " + answer.why);
  return ReplyError(error, answer.challenge ? fwbus::kErrorAuthenticationNeeded : fwbus::kErrorNotAuthorized,
                    "not authorized: " + answer.why);
}

int FirmwareService::RunRecorded(sd_bus_message* call, const Enclosure& enclosure, const char* operation,
                                 sd_bus_error* error, const std::function<std::string()>& procedure,
                                 const std::uint32_t* result) {
  const std::uint32_t* answered = result;
  fwbus::ProcedureResult recorded{enclosure.path, operation, {}, false, 0};
  int answer = 0;
  try {
    recorded.text = procedure();
    recorded.succeeded = answered == nullptr || *answered != 0;
  } catch (const OperationError& failure) {
    recorded.text = failure.what();
    answer = FailWith(error, failure);
  } catch (const std::exception& failure) {
    recorded.text = failure.what();
    answer = ReplyError(error, fwbus::kErrorRefused, failure.what());
  }
  recorded.endedAt = Now();
  Log(std::string(operation) + " of " + enclosure.path + ": " + recorded.text);
  book_.Record(recorded);
  if (answer < 0) return answer;
  // The caller may have gone meanwhile; the procedure's end is in the book all the same.
  if (answered != nullptr) return sd_bus_reply_method_return(call, "u", *answered);
  return sd_bus_reply_method_return(call, "");
}

int FirmwareService::OnList(sd_bus_message* call, void* data, sd_bus_error* error) {
  return static_cast<FirmwareService*>(data)->List(call, error);
}

int FirmwareService::OnIdentify(sd_bus_message* call, void* data, sd_bus_error* error) {
  auto& enclosure = *static_cast<Enclosure*>(data);
  return enclosure.service->Identify(call, enclosure, error);
}

int FirmwareService::OnBackup(sd_bus_message* call, void* data, sd_bus_error* error) {
  auto& enclosure = *static_cast<Enclosure*>(data);
  return enclosure.service->Backup(call, enclosure, error);
}

int FirmwareService::OnUpdate(sd_bus_message* call, void* data, sd_bus_error* error) {
  auto& enclosure = *static_cast<Enclosure*>(data);
  return enclosure.service->Update(call, enclosure, false, error);
}

int FirmwareService::OnRestore(sd_bus_message* call, void* data, sd_bus_error* error) {
  auto& enclosure = *static_cast<Enclosure*>(data);
  return enclosure.service->Update(call, enclosure, true, error);
}

int FirmwareService::OnRun(sd_bus_message* call, void* data, sd_bus_error* error) {
  auto& enclosure = *static_cast<Enclosure*>(data);
  return enclosure.service->Run(call, enclosure, error);
}

int FirmwareService::List(sd_bus_message* call, sd_bus_error* error) {
  if (const int refused = Authorize(call, fwbus::kActionIdentify, error); refused < 0) return refused;
  const std::vector<fwbus::EnclosureFacts> all = SurveyAll(machine_);
  sd_bus_message* reply = nullptr;
  int r = sd_bus_message_new_method_return(call, &reply);
  const std::string entry = std::string("o") + fwbus::kFactsSignature;
  if (r >= 0) r = sd_bus_message_open_container(reply, 'a', ("(" + entry + ")").c_str());
  for (const fwbus::EnclosureFacts& facts : all) {
    if (r >= 0) r = sd_bus_message_open_container(reply, 'r', entry.c_str());
    if (r >= 0) r = sd_bus_message_append(reply, "o", ObjectOf(text::Utf8ToLatin1(facts.path)).c_str());
    if (r >= 0) r = fwbus::AppendFacts(reply, facts);
    if (r >= 0) r = sd_bus_message_close_container(reply);
  }
  if (r >= 0) r = sd_bus_message_close_container(reply);
  if (r >= 0) r = sd_bus_message_open_container(reply, 'a', fwbus::kResultSignature);
  for (const fwbus::ProcedureResult& result : book_.Results()) {
    if (r >= 0) r = fwbus::AppendResult(reply, result);
  }
  if (r >= 0) r = sd_bus_message_close_container(reply);
  if (r >= 0) r = sd_bus_send(bus_, reply, nullptr);
  sd_bus_message_unref(reply);
  return r;
}

int FirmwareService::Identify(sd_bus_message* call, const Enclosure& enclosure, sd_bus_error* error) {
  if (const int refused = Authorize(call, fwbus::kActionIdentify, error); refused < 0) return refused;
  try {
    const fwbus::EnclosureFacts facts = service::Identify(machine_, enclosure.path);
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_return(call, &reply);
    if (r >= 0) r = fwbus::AppendFacts(reply, facts);
    if (r >= 0) r = sd_bus_send(bus_, reply, nullptr);
    sd_bus_message_unref(reply);
    return r;
  } catch (const OperationError& failure) {
    return FailWith(error, failure);
  }
}

int FirmwareService::Backup(sd_bus_message* call, const Enclosure& enclosure, sd_bus_error* error) {
  int file = -1;
  std::uint32_t size = 0;
  if (const int r = sd_bus_message_read(call, "hu", &file, &size); r < 0) return r;
  // Arguments first: what cannot serve never reaches polkit, nor the drive.
  if (std::string why = WhyNotWritable(file); !why.empty()) {
    return ReplyError(error, fwbus::kErrorBadInput, "the backup's file: " + why);
  }
  if (std::string why = WhyBadBackupSize(size); !why.empty()) return ReplyError(error, fwbus::kErrorBadInput, why);
  if (const int refused = Authorize(call, fwbus::kActionBackup, error); refused < 0) return refused;
  DescriptorFileStore files;
  files.AddWritable(kBackupFile, file);
  CallerSignals signals(bus_, enclosure.object, sd_bus_message_get_sender(call));
  return RunRecorded(call, enclosure, "backup", error,
                     [&] { return service::Backup(machine_, signals, files, enclosure.path, size); });
}

int FirmwareService::Update(sd_bus_message* call, const Enclosure& enclosure, bool restore, sd_bus_error* error) {
  int backup = -1;
  int given = -1;  // the image, or the backup to restore
  // Arguments first: what cannot serve never reaches polkit, nor the drive.
  if (std::string why = ReadUpdateArguments(call, restore, backup, given); !why.empty()) {
    return ReplyError(error, fwbus::kErrorBadInput, why);
  }
  if (const int refused = Authorize(call, fwbus::kActionChangeFlash, error); refused < 0) return refused;
  DescriptorFileStore files;
  files.AddWritable(kBackupFile, backup);
  if (given >= 0) files.AddReadable(restore ? kRestoreFile : kImageFile, given);
  CallerSignals signals(bus_, enclosure.object, sd_bus_message_get_sender(call));
  const std::string path = enclosure.path;
  return RunRecorded(call, enclosure, restore ? "restore" : "update", error, [&] {
    UpdateEnd end = service::Update(machine_, signals, files, path, restore);
    if (end.flashChanged) claimedPath_ = path;
    return end.text;
  });
}

}  // namespace kelm::service

namespace kelm::service {

int FirmwareService::Run(sd_bus_message* call, const Enclosure& enclosure, sd_bus_error* error) {
  PanelRunRequest request;
  // Arguments first: what cannot serve never reaches polkit, nor the drive.
  if (std::string why = ReadRunOptions(call, request); !why.empty()) {
    return ReplyError(error, fwbus::kErrorBadInput, why);
  }
  // A backup-only run asks for the backup's right; whether the bridge's procedure honours it
  // is known after the survey, which then asks for the right to change the flash.
  const bool backupOnly = platform::IsBackupOnly(request.options);
  const char* action = backupOnly ? fwbus::kActionBackup : fwbus::kActionChangeFlash;
  if (const int refused = Authorize(call, action, error); refused < 0) return refused;
  DescriptorFileStore files;
  CallerSignals signals(bus_, enclosure.object, sd_bus_message_get_sender(call));
  const std::string path = enclosure.path;
  std::uint32_t result = 0;
  const auto authorizeChange = [&] {
    if (!backupOnly) return;
    sd_bus_error refusal = SD_BUS_ERROR_NULL;
    if (Authorize(call, fwbus::kActionChangeFlash, &refusal) >= 0) return;
    const std::string why = refusal.message != nullptr ? refusal.message : "not authorized";
    sd_bus_error_free(&refusal);
    throw OperationError(OperationError::Kind::NotAuthorized, why);
  };
  return RunRecorded(call, enclosure, "run", error, [&] {
    const PanelRunEnd end = RunPanel(machine_, signals, files, path, request, authorizeChange);
    if (end.flashChanged) claimedPath_ = path;
    result = end.result;
    // Whether it succeeded is recorded beside the text; a successful change is worth saying.
    return std::string("the engineering panel's run") + (end.flashChanged ? ", which changed the flash" : "");
  }, &result);
}

}  // namespace kelm::service
