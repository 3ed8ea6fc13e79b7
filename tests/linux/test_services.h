#pragma once
// The core's services over the Linux backend with a fake kernel and a built sysfs tree.

#include <span>
#include <string>
#include <vector>

#include "fake_kernel.h"
#include "platform/host.h"
#include "platform/linux/node_access.h"
#include "platform/linux/permission_notice.h"
#include "platform/linux/sg_device_file.h"
#include "platform/linux/sysfs_setup_service.h"
#include "platform/posix/posix_file_store.h"
#include "sysfs_tree.h"

namespace kelm::test {

struct Boxes final : platform::MessageBoxes {
  struct Box {
    std::string caption, text;
    platform::MessageIcon icon;
  };
  std::vector<Box> shown;
  void Show(std::string_view caption, std::string_view text, platform::MessageIcon icon) override {
    shown.push_back({std::string(caption), std::string(text), icon});
  }
};

struct CountingClock final : platform::Clock {
  std::vector<std::uint32_t> sleeps;
  void Sleep(std::uint32_t ms) override { sleeps.push_back(ms); }
};

struct Quiet final : platform::DebugOutput, platform::StandardOutput {
  void OutputDebugString(std::string_view) override {}
  void Write(std::string_view) override {}
};

struct NoImages final : platform::ImageSource {
  std::span<const std::uint8_t> TakeImage(std::string_view) const override { return {}; }
};

struct LinuxBench {
  SysfsTree tree;
  FakeKernel kernel;
  linux_platform::SgDeviceFile file{kernel, tree.roots()};
  linux_platform::NodeAccess access{kernel};
  Boxes boxes;
  linux_platform::PermissionNotice notice{boxes};
  linux_platform::SysfsSetupService setup{tree.roots(), access, &notice};
  CountingClock clock;
  Quiet quiet;
  NoImages images;
  posix::PosixFileStore files;
  platform::Services io{file, setup, clock, quiet, quiet, boxes, images, files};
};

}  // namespace kelm::test
