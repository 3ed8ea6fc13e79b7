#include "platform/linux/service_enclosures.h"

#include <sys/mman.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <span>
#include <utility>

#include "platform/linux/hidden_backup_file.h"
#include "platform/text/printable_text.h"

namespace kelm::linux_platform {

namespace {

// The service's failure of a procedure that ran, as the window's procedures end.
constexpr std::string_view kUpdateFail = "Update fail!!";

// A file of the process's own, in memory only, left at its start; -1 when none can be made.
class MemoryFile {
 public:
  explicit MemoryFile(std::span<const std::uint8_t> bytes = {})
      : fd_(memfd_create("kelm-fwupdate", MFD_CLOEXEC)) {
    if (fd_ < 0 || bytes.empty()) return;
    std::size_t written = 0;
    while (written < bytes.size()) {
      const ssize_t wrote = write(fd_, bytes.data() + written, bytes.size() - written);
      if (wrote <= 0) {
        Close();
        return;
      }
      written += static_cast<std::size_t>(wrote);
    }
    if (lseek(fd_, 0, SEEK_SET) != 0) Close();
  }
  ~MemoryFile() { Close(); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  int fd() const { return fd_; }

 private:
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  int fd_;
};

// The service's own words, as a sentence in the window.
std::string Sentence(const std::string& text) {
  std::string sentence = text::Utf8ToLatin1(text);
  if (!sentence.empty() && sentence.front() >= 'a' && sentence.front() <= 'z') {
    sentence.front() = static_cast<char>(sentence.front() - 'a' + 'A');
  }
  if (!sentence.empty() && sentence.back() != '.' && sentence.back() != '!') sentence += '.';
  return sentence;
}

// The procedure's message boxes, shown by the window as its own.
std::function<void(const std::string&, const std::string&, std::uint32_t)> MessagesFor(platform::Host& host) {
  return [&host](const std::string& caption, const std::string& text, std::uint32_t icon) {
    host.services().boxes.Show(text::Utf8ToLatin1(caption), text::Utf8ToLatin1(text),
                               static_cast<platform::MessageIcon>(icon));
  };
}

platform::ServedEnd RefusedFor(ServiceRefusal refusal) {
  return {platform::ServedOutcome::Refused, std::string(PermissionNotice::ServiceText(refusal))};
}

platform::ServedEnclosure ServedOf(const std::string& object, const fwbus::EnclosureFacts& facts) {
  platform::ServedEnclosure served;
  served.handle = object;
  served.item = facts.name;  // the drive list shows UTF-8, as the bus carries it
  served.code = facts.code;
  served.firmwareVersion = text::Utf8ToLatin1(facts.firmwareVersion);
  served.flashCode = facts.flashCode;
  served.flashMaker = text::Utf8ToLatin1(facts.flashMaker);
  served.imageCurrent = facts.imageCurrent;
  return served;
}

}  // namespace

ServiceEnclosures::ServiceEnclosures(platform::MessageBoxes& boxes, const platform::ImageSource& images)
    : images_(images), notice_(boxes) {
  // Connected from the start, so that the window's loop watches the descriptor.
  Client();
}

ServiceEnclosures::~ServiceEnclosures() = default;

FirmwareServiceClient* ServiceEnclosures::Client() {
  if (client_ == nullptr) {
    try {
      client_ = std::make_unique<FirmwareServiceClient>();
    } catch (const ServiceError&) {
      return nullptr;
    }
  }
  return client_.get();
}

std::vector<platform::ServedEnclosure> ServiceEnclosures::List() {
  std::vector<platform::ServedEnclosure> served;
  FirmwareServiceClient* client = Client();
  try {
    if (client == nullptr) throw ServiceError(ServiceError::Kind::Unreachable, kServiceUnreachable);
    targets_.clear();
    for (const auto& [object, facts] : client->List().enclosures) {
      served.push_back(ServedOf(object, facts));
      targets_[object] = {facts.path, facts.imageName};
    }
  } catch (const ServiceError& error) {
    if (error.kind() == ServiceError::Kind::NotAuthorized) {
      notice_.ReportService(ServiceRefusal::NotAuthorized);
    } else {
      notice_.ReportService(ServiceRefusal::Unreachable);
    }
    return {};
  }
  // The service now runs: its announcements can be followed. Those that came during the call
  // were read with its answer, and would wait for the descriptor's next message.
  Watch();
  client->DispatchPending();
  return served;
}

platform::ServedEnd ServiceEnclosures::Update(const std::string& handle, platform::Host& host) {
  FirmwareServiceClient* client = Client();
  const auto target = targets_.find(handle);
  if (client == nullptr || target == targets_.end()) return RefusedFor(ServiceRefusal::Unreachable);
  // The backup the service takes before the flash changes is not the window's to keep.
  const MemoryFile backup;
  // The window's image, found as the window finds it; without one the service takes its own.
  const std::span<const std::uint8_t> bytes =
      images_.TakeImageFor(target->second.imageName, target->second.path);
  const MemoryFile image(bytes);
  if (backup.fd() < 0 || (!bytes.empty() && image.fd() < 0)) {
    return {platform::ServedOutcome::Refused, "The files the update needs cannot be made in memory."};
  }

  bool backupWritten = false;
  try {
    client->Update(handle, backup.fd(), bytes.empty() ? -1 : image.fd(), EventsFor(host, backupWritten));
  } catch (const ServiceError& error) {
    return EndOf(error, backupWritten, host);
  }
  return {platform::ServedOutcome::Updated, {}};
}

platform::ServedEnd ServiceEnclosures::Run(const std::string& handle, const platform::PanelRun& run,
                                           platform::Host& host) {
  FirmwareServiceClient* client = Client();
  const auto target = targets_.find(handle);
  if (client == nullptr || target == targets_.end()) return RefusedFor(ServiceRefusal::Unreachable);
  // Only a run that may back up gets a file; without one its procedure says it cannot open it.
  std::optional<HiddenBackupFile> backup;
  if (run.options.backupFwCheckBox && !run.options.eraseOnlyFlag) backup.emplace(run.backupFile);
  // The window's image, as for YES: the procedure writes what it would write in the window.
  const std::span<const std::uint8_t> bytes =
      images_.TakeImageFor(target->second.imageName, target->second.path);
  const MemoryFile image(bytes);
  if (!bytes.empty() && image.fd() < 0) {
    return {platform::ServedOutcome::Refused, "The files the run needs cannot be made in memory."};
  }

  bool backupWritten = false;
  ProcedureEvents events;
  events.status = [&host](const std::string& text) { host.SetStatus(text::Utf8ToLatin1(text)); };
  events.progress = [&host](std::int32_t step) { host.AdvanceProgress(step); };
  events.message = MessagesFor(host);
  events.backupWritten = [&backupWritten] { backupWritten = true; };
  events.idle = [&host] { host.ProcessMessages(); };
  std::uint32_t result = 0;
  try {
    result = client->Run(handle, run, backup && backup->fd() >= 0 ? backup->fd() : -1,
                         bytes.empty() ? -1 : image.fd(), events);
  } catch (const ServiceError& error) {
    switch (error.kind()) {
      case ServiceError::Kind::Unreachable: return RefusedFor(ServiceRefusal::Unreachable);
      case ServiceError::Kind::NotAuthorized: return RefusedFor(ServiceRefusal::NotAuthorized);
      default: return {platform::ServedOutcome::Refused, Sentence(error.what())};
    }
  }
  if (backupWritten && backup && !backup->Keep()) {
    return {platform::ServedOutcome::Refused, "The backup cannot be given its name " + run.backupFile + "."};
  }
  return {result != 0 ? platform::ServedOutcome::Updated : platform::ServedOutcome::Failed, {}};
}

// The window's YES shows the update alone, so the backup's texts and progress are not shown.
ProcedureEvents ServiceEnclosures::EventsFor(platform::Host& host, bool& backupWritten) {
  ProcedureEvents events;
  events.status = [&host, &backupWritten](const std::string& text) {
    if (backupWritten) host.SetStatus(text::Utf8ToLatin1(text));
  };
  events.progress = [&host, &backupWritten](std::int32_t step) {
    if (backupWritten) host.AdvanceProgress(step);
  };
  events.message = MessagesFor(host);
  events.backupWritten = [&backupWritten] { backupWritten = true; };
  events.idle = [&host] { host.ProcessMessages(); };
  return events;
}

platform::ServedEnd ServiceEnclosures::EndOf(const ServiceError& error, bool backupWritten,
                                             platform::Host& host) {
  // Once the backup is written the flash may have changed: that run failed.
  if (backupWritten || error.what() == kUpdateFail) {
    if (error.what() != kUpdateFail) {
      host.services().boxes.Show("Error", Sentence(error.what()), platform::MessageIcon::Error);
    }
    return {platform::ServedOutcome::Failed, {}};
  }
  switch (error.kind()) {
    case ServiceError::Kind::Unreachable: return RefusedFor(ServiceRefusal::Unreachable);
    case ServiceError::Kind::NotAuthorized: return RefusedFor(ServiceRefusal::NotAuthorized);
    default: return {platform::ServedOutcome::Refused, Sentence(error.what())};
  }
}

void ServiceEnclosures::Register(Handler handler) {
  handler_ = std::move(handler);
  Watch();
}

void ServiceEnclosures::Watch() {
  if (watching_ || !handler_ || client_ == nullptr) return;
  try {
    client_->WatchEnclosures([this](bool added, const std::string&) {
      if (handler_) handler_(added ? platform::kDeviceArrival : platform::kDeviceRemoveComplete);
    });
    watching_ = true;
  } catch (const ServiceError&) {
    // Not running yet: the next list that reaches it starts the watch.
  }
}

int ServiceEnclosures::Fd() const { return client_ != nullptr ? client_->Fd() : -1; }

void ServiceEnclosures::Dispatch() {
  if (client_ != nullptr) client_->DispatchPending();
}

}  // namespace kelm::linux_platform
