#pragma once
// Drives on Windows as users name them: \\.\PhysicalDriveN, a drive letter (E:), the interface
// path discovery lists. All meet at the disk's storage device number.

#include "programs/kelmtool/tool_environment.h"
#include "platform/windows/win32_calls_fwd.h"

namespace kelm::kelmtool {

class WindowsDriveLocator final : public DriveLocator {
 public:
  explicit WindowsDriveLocator(const windows::Win32Calls& calls) : calls_(calls) {}

  DriveNodes Describe(const std::string& discoveryPath) const override;
  std::optional<std::string> Match(const std::string& argument,
                                   const std::vector<std::string>& paths) const override;
  // Every drive Windows shows is a real one.
  bool TakesSyntheticImages(const std::string&) const override { return false; }

  // The device name a user's argument stands for: "E:" and "E:\" become \\.\E:.
  static std::string DeviceName(const std::string& argument);

 private:
  const windows::Win32Calls& calls_;
};

}  // namespace kelm::kelmtool
