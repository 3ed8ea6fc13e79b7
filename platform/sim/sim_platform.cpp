#include "platform/sim/sim_platform.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>

#include "platform/native_names.h"
#include "platform/sim/sim_device.h"
#include "platform/sim/text.h"
#include "platform/trace/tracing_device_file.h"

namespace kelm::sim {

namespace {

// Last-error values as the operating system reports them.
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorGenFailure = 31;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorDeviceNotConnected = 1167;

constexpr platform::Handle kFirstHandle = 0x100;

struct OpenFile {
  std::size_t device;
  platform::ShareMode share;
  std::uint64_t plugGeneration;  // a handle dies with the plugging it was opened in
  std::string path;              // as the caller spelled it; the trace shows this one
};

struct InfoSet {
  std::string deviceClass;  // "disk", "cdrom", or empty for a class nobody has
  std::vector<std::size_t> members;
};

std::string ClassOf(std::string_view interfaceClass) {
  if (EqualsIgnoringCase(interfaceClass, platform::kDiskInterfaceClass)) return "disk";
  if (EqualsIgnoringCase(interfaceClass, platform::kCdromInterfaceClass)) return "cdrom";
  return {};
}

}  // namespace

struct SimPlatform::Impl {
  std::vector<SimDevice> devices;
  bool plugged = true;
  std::uint64_t plugGeneration = 0;
  std::map<platform::Handle, OpenFile> files;
  platform::Handle nextHandle = kFirstHandle;
  std::map<platform::DeviceInfoSet, InfoSet> sets;
  platform::DeviceInfoSet nextSet = 1;
  std::uint32_t lastError = 0;

  std::optional<std::size_t> DeviceAt(const std::string& path) const {
    for (std::size_t i = 0; i < devices.size(); ++i) {
      if (EqualsIgnoringCase(devices[i].path(), path)) return i;
    }
    return std::nullopt;
  }

  bool Live(const OpenFile& file) const { return plugged && file.plugGeneration == plugGeneration; }

  // Sharing as the operating system enforces it: an exclusive open needs the device to
  // itself, and a shared open fails while someone holds it exclusively.
  bool SharingAllows(std::size_t device, platform::ShareMode share) const {
    if (share == platform::ShareMode::Exclusive && devices[device].config().heldOpen) return false;
    for (const auto& [handle, file] : files) {
      if (file.device != device || !Live(file)) continue;
      if (share == platform::ShareMode::Exclusive) return false;
      if (file.share == platform::ShareMode::Exclusive) return false;
    }
    return true;
  }

  platform::Handle Open(const std::string& path, platform::ShareMode share);
  bool Control(platform::Handle handle, std::uint32_t code, platform::PassThroughRequest& request);
  void Close(platform::Handle handle) { files.erase(handle); }

  // The enclosures' side of the device file; the trace wraps it as it wraps a real backend.
  struct Wire final : platform::DeviceFile {
    explicit Wire(Impl& impl) : impl(impl) {}
    platform::Handle Open(const std::string& path, platform::ShareMode share) override {
      return impl.Open(path, share);
    }
    bool Control(platform::Handle handle, std::uint32_t code,
                 platform::PassThroughRequest& request) override {
      return impl.Control(handle, code, request);
    }
    std::uint32_t LastError() const override { return impl.lastError; }
    void Close(platform::Handle handle) override { impl.Close(handle); }
    Impl& impl;
  };
  Wire wire{*this};
  trace::TracingDeviceFile traced{wire};
};

SimPlatform::SimPlatform(Scenario scenario) : impl_(std::make_unique<Impl>()) {
  for (std::size_t i = 0; i < scenario.devices.size(); ++i) {
    DeviceSpec& config = scenario.devices[i];
    std::string path = config.path.empty() ? DefaultDevicePath(config.deviceClass, i) : config.path;
    try {
      impl_->devices.emplace_back(std::move(config), std::move(path));
    } catch (const std::invalid_argument& error) {
      throw ScenarioError("scenario: devices[" + std::to_string(i) + "]: " + error.what());
    }
  }
}

SimPlatform::~SimPlatform() = default;

platform::Handle SimPlatform::Open(const std::string& path, platform::ShareMode share) {
  return impl_->traced.Open(path, share);
}

bool SimPlatform::Control(platform::Handle handle, std::uint32_t code,
                          platform::PassThroughRequest& request) {
  return impl_->traced.Control(handle, code, request);
}

std::uint32_t SimPlatform::LastError() const { return impl_->traced.LastError(); }

void SimPlatform::Close(platform::Handle handle) { impl_->traced.Close(handle); }

platform::Handle SimPlatform::Impl::Open(const std::string& path, platform::ShareMode share) {
  const auto device = DeviceAt(path);
  if (!device || !plugged || !SharingAllows(*device, share)) return platform::kInvalidHandle;
  const platform::Handle handle = nextHandle++;
  files[handle] = {*device, share, plugGeneration, path};
  return handle;
}

bool SimPlatform::Impl::Control(platform::Handle handle, std::uint32_t code,
                                platform::PassThroughRequest& request) {
  const bool dataIn = request.DataIn != 0;
  const std::size_t cdbLength = std::min<std::size_t>(request.CdbLength, request.Cdb.size());
  std::array<std::uint8_t, 16> cdb{};
  std::copy_n(request.Cdb.begin(), cdbLength, cdb.begin());
  auto* buffer = static_cast<std::uint8_t*>(request.DataBuffer);
  const std::span<std::uint8_t> data = buffer ? std::span<std::uint8_t>(buffer, request.DataTransferLength)
                                              : std::span<std::uint8_t>();

  const auto file = files.find(handle);
  SimDevice* device = file != files.end() ? &devices[file->second.device] : nullptr;
  const std::optional<Op> op = DecodeCdb(cdb);

  Response response;
  request.ScsiStatus = platform::kScsiStatusGood;
  if (!platform::WellFormedRequest(code, request)) {
    lastError = kErrorInvalidParameter;
    // It reached the control call, so it counts towards the command's faults all the same.
    if (device && Live(file->second) && op) device->Count(*op);
  } else if (!device) {
    lastError = kErrorInvalidHandle;
  } else if (!Live(file->second)) {
    lastError = kErrorDeviceNotConnected;
  } else if (!op) {
    lastError = kErrorGenFailure;
  } else {
    response = device->Handle(*op, cdb, dataIn, data);
    lastError = response.reply == Reply::Ok || response.reply == Reply::Check ? 0 : kErrorGenFailure;
    if (response.reply == Reply::Check) request.ScsiStatus = platform::kScsiStatusCheckCondition;
  }

  request.DataTransferLength = response.transferred;
  return response.reply != Reply::Fail;
}

platform::DeviceInfoSet SimPlatform::GetClassDevs(std::string_view interfaceClass) {
  InfoSet set;
  set.deviceClass = ClassOf(interfaceClass);
  if (impl_->plugged && !set.deviceClass.empty()) {
    for (std::size_t i = 0; i < impl_->devices.size(); ++i) {
      if (impl_->devices[i].config().deviceClass == set.deviceClass) set.members.push_back(i);
    }
  }
  const platform::DeviceInfoSet id = impl_->nextSet++;
  impl_->sets[id] = std::move(set);
  return id;
}

bool SimPlatform::EnumDeviceInterfaces(platform::DeviceInfoSet set,
                                       std::string_view interfaceClass,
                                       std::uint32_t memberIndex,
                                       platform::DeviceInterfaceData& data) {
  const auto it = impl_->sets.find(set);
  if (it == impl_->sets.end() || data.cbSize != platform::DeviceInterfaceData{}.cbSize) {
    return false;
  }
  if (ClassOf(interfaceClass) != it->second.deviceClass) return false;
  if (memberIndex >= it->second.members.size()) return false;
  data.memberIndex = memberIndex;
  return true;
}

bool SimPlatform::GetDeviceInterfacePath(platform::DeviceInfoSet set,
                                         const platform::DeviceInterfaceData& data,
                                         std::string& path) {
  const auto it = impl_->sets.find(set);
  if (it == impl_->sets.end() || data.memberIndex >= it->second.members.size()) return false;
  path = impl_->devices[it->second.members[data.memberIndex]].path();
  return true;
}

void SimPlatform::DestroyDeviceInfoList(platform::DeviceInfoSet set) { impl_->sets.erase(set); }

void SimPlatform::Unplug() { impl_->plugged = false; }

void SimPlatform::Plug() {
  if (impl_->plugged) return;
  impl_->plugged = true;
  ++impl_->plugGeneration;
}

bool SimPlatform::Plugged() const { return impl_->plugged; }

void SimPlatform::SetTrace(std::ostream* trace) { impl_->traced.SetTrace(trace); }

std::size_t SimPlatform::DeviceCount() const { return impl_->devices.size(); }

const std::string& SimPlatform::DevicePath(std::size_t index) const {
  return impl_->devices.at(index).path();
}

std::vector<std::uint8_t> SimPlatform::SerialFlash(std::size_t index) const {
  const SerialFlashChip* chip = impl_->devices.at(index).serial();
  return chip ? chip->bytes() : std::vector<std::uint8_t>{};
}

std::vector<std::uint8_t> SimPlatform::ParallelFlash(std::size_t index) const {
  const ParallelFlashChip* chip = impl_->devices.at(index).parallel();
  return chip ? chip->bytes() : std::vector<std::uint8_t>{};
}

namespace {
// New contents from address 0; what they do not cover reads erased. The chip keeps its size.
void Overwrite(std::vector<std::uint8_t>& flash, std::vector<std::uint8_t> bytes,
               const char* what) {
  if (bytes.size() > flash.size()) {
    throw std::out_of_range(std::string(what) + ": " + std::to_string(bytes.size()) +
                            " bytes do not fit in " + std::to_string(flash.size()));
  }
  std::copy(bytes.begin(), bytes.end(), flash.begin());
  std::fill(flash.begin() + static_cast<std::ptrdiff_t>(bytes.size()), flash.end(), 0xFF);
}
}  // namespace

void SimPlatform::SetSerialFlash(std::size_t index, std::vector<std::uint8_t> bytes) {
  SerialFlashChip* chip = impl_->devices.at(index).serial();
  if (!chip) throw std::out_of_range("SetSerialFlash: the device has no serial flash");
  Overwrite(chip->bytes(), std::move(bytes), "SetSerialFlash");
}

void SimPlatform::SetParallelFlash(std::size_t index, std::vector<std::uint8_t> bytes) {
  ParallelFlashChip* chip = impl_->devices.at(index).parallel();
  if (!chip) throw std::out_of_range("SetParallelFlash: the device has no parallel flash");
  Overwrite(chip->bytes(), std::move(bytes), "SetParallelFlash");
}

bool SimPlatform::WriteDump(const std::string& dir, std::string& error) const {
  for (std::size_t i = 0; i < impl_->devices.size(); ++i) {
    if (!impl_->devices[i].serial() && !impl_->devices[i].parallel()) continue;
    std::vector<std::uint8_t> bytes = SerialFlash(i);
    const std::vector<std::uint8_t> parallel = ParallelFlash(i);
    bytes.insert(bytes.end(), parallel.begin(), parallel.end());
    const std::string name = dir + "/device-" + std::to_string(i) + ".bin";
    std::ofstream file(platform::NativePath(name), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      error = name + ": cannot write the file";
      return false;
    }
  }
  return true;
}

std::uint32_t SimPlatform::RequestCount(std::size_t index, const std::string& command) const {
  const std::optional<Op> op = OpByName(command);
  return op ? impl_->devices.at(index).RequestCount(*op) : 0;
}

}  // namespace kelm::sim
