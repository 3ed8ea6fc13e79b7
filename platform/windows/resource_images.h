#pragma once
// The firmware images as resources of type "FW" in the program itself, compiled in with
// windres (cmake/ResourceImages.cmake).

#include "platform/host.h"
#include "platform/windows/win32_calls_fwd.h"

namespace kelm::windows {

class ResourceImages final : public platform::ImageSource {
 public:
  explicit ResourceImages(const Win32Calls& calls = RealWin32Calls()) : calls_(calls) {}
  std::span<const std::uint8_t> TakeImage(std::string_view name) const override;

 private:
  const Win32Calls& calls_;
};

}  // namespace kelm::windows
