#include "platform/windows/resource_images.h"

#include <string>

#include "platform/windows/win32_calls.h"

namespace kelm::windows {

std::span<const std::uint8_t> ResourceImages::TakeImage(std::string_view name) const {
  const std::string resourceName(name);
  // The program's own module; a loaded resource stays mapped for the life of the program.
  const HRSRC found = calls_.FindResourceA(nullptr, resourceName.c_str(), "FW");
  if (found == nullptr) return {};
  const DWORD size = calls_.SizeofResource(nullptr, found);
  const HGLOBAL loaded = calls_.LoadResource(nullptr, found);
  if (size == 0 || loaded == nullptr) return {};
  const void* bytes = calls_.LockResource(loaded);
  if (bytes == nullptr) return {};
  return {static_cast<const std::uint8_t*>(bytes), size};
}

}  // namespace kelm::windows
