#include "platform/linux/sysfs_setup_service.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

namespace kelm::linux_platform {

namespace {

struct ClassType {
  std::string_view interfaceClass;
  int scsiType;
};

constexpr std::array<ClassType, 2> kClassTypes = {{
    {platform::kDiskInterfaceClass, kScsiTypeDisk},
    {platform::kCdromInterfaceClass, kScsiTypeCdrom},
}};

bool SameClass(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// The SCSI type a class lists; nothing for classes that have no SCSI devices (an empty set).
std::optional<int> ScsiTypeOf(std::string_view interfaceClass) {
  for (const ClassType& entry : kClassTypes) {
    if (SameClass(entry.interfaceClass, interfaceClass)) return entry.scsiType;
  }
  return std::nullopt;
}

std::string Description(const ScsiGenericNode& node) {
  if (node.vendor.empty()) return node.model;
  if (node.model.empty()) return node.vendor;
  return node.vendor + " " + node.model;
}

}  // namespace

const std::vector<ScsiGenericNode>& SysfsSetupService::ScanFor(int scsiType) {
  if (!scan_ || served_.contains(scsiType)) {
    scan_ = ScanScsiGenericNodes(roots_);
    served_.clear();
    ++scans_;
    ReportUnusable(*scan_);
  }
  served_.insert(scsiType);
  return *scan_;
}

platform::DeviceInfoSet SysfsSetupService::GetClassDevs(std::string_view interfaceClass) {
  std::vector<std::string> paths;
  if (const std::optional<int> type = ScsiTypeOf(interfaceClass)) {
    for (const ScsiGenericNode& node : ScanFor(*type)) {
      if (IsOfferedAs(node, *type)) paths.push_back(node.devicePath);
    }
  }
  const platform::DeviceInfoSet set = nextSet_++;
  sets_.emplace(set, std::move(paths));
  return set;
}

bool SysfsSetupService::EnumDeviceInterfaces(platform::DeviceInfoSet set, std::string_view,
                                             std::uint32_t memberIndex,
                                             platform::DeviceInterfaceData& data) {
  const auto it = sets_.find(set);
  if (it == sets_.end() || memberIndex >= it->second.size()) return false;
  data.memberIndex = memberIndex;
  return true;
}

bool SysfsSetupService::GetDeviceInterfacePath(platform::DeviceInfoSet set,
                                               const platform::DeviceInterfaceData& data,
                                               std::string& path) {
  const auto it = sets_.find(set);
  if (it == sets_.end() || data.memberIndex >= it->second.size()) return false;
  path = it->second[data.memberIndex];
  return true;
}

void SysfsSetupService::DestroyDeviceInfoList(platform::DeviceInfoSet set) { sets_.erase(set); }

bool SysfsSetupService::IsUsbStoragePath(std::string_view path) const {
  if (!scan_) return false;
  return std::any_of(scan_->begin(), scan_->end(), [path](const ScsiGenericNode& node) {
    return node.usbStorage && !node.devicePath.empty() && node.devicePath == path;
  });
}

// Looks at the drives of both classes, so the one message names them all.
void SysfsSetupService::ReportUnusable(const std::vector<ScsiGenericNode>& nodes) {
  if (notice_ == nullptr || notice_->Told()) return;
  std::vector<UnusableDrive> unusable;
  bool enclosureUsable = false;
  for (const ScsiGenericNode& node : nodes) {
    const bool offered = std::any_of(kClassTypes.begin(), kClassTypes.end(),
                                     [&node](const ClassType& entry) {
                                       return IsOfferedAs(node, entry.scsiType);
                                     });
    if (!offered) continue;
    if (access_.Refused(node.devNode)) {
      unusable.push_back({node.devNode, Description(node), node.usbVendor});
    } else if (node.usbVendor == kRuleUsbVendor) {
      enclosureUsable = true;
    }
  }
  notice_->Report(unusable, enclosureUsable);
}

}  // namespace kelm::linux_platform
