#pragma once
// The file store port on Windows: the bytes go to a new file beside the target under an
// unpredictable name, reach the disk (FlushFileBuffers), then replace the target in one
// write-through move. Only a regular file, or nothing, is ever replaced; the user's files are
// read only when they are files, and never past a bound. Names are UTF-8 and reach the
// system through the wide calls, long ones with the \\?\ prefix.

#include <functional>
#include <string>
#include <utility>

#include "platform/file_store.h"
#include "platform/windows/win32_calls_fwd.h"

namespace kelm::windows {

// Twelve random hexadecimal digits.
std::string RandomSuffix();

class WindowsFileStore final : public platform::FileStore {
 public:
  explicit WindowsFileStore(const Win32Calls& calls = RealWin32Calls(),
                            std::function<std::string()> suffix = RandomSuffix)
      : calls_(calls), suffix_(std::move(suffix)) {}

  bool WriteWholeFile(const std::string& target, std::span<const std::uint8_t> bytes) override;
  bool MayReplace(const std::string& path) const override;
  bool Exists(const std::string& path) const override;
  std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                         std::size_t limit) const override;
  std::string WhyUnusable(const std::string& path, platform::PathUse use) const override;

 private:
  // A new temporary file beside `target` opened for writing; `name` gets its name.
  void* CreateTemporary(const std::string& target, std::string& name) const;
  bool WriteAll(void* file, std::span<const std::uint8_t> bytes) const;
  // Whether an open handle is a file on a disk (not a console, a pipe or a device).
  bool IsDiskFile(void* file) const;
  // The name as the wide calls take it.
  std::wstring Wide(const std::string& path) const;
  // Why the system could not look `path` up at all (its last part too long, a character no
  // name may hold), in the user's words; empty when it could.
  static std::string WhyNameIsUnusable(const std::string& path);
  // The user's words for GetFileAttributesW's `error` on `path`; empty when nothing is wrong.
  std::string WhyLookupFailed(unsigned long error, const std::string& path, platform::PathUse use) const;

  const Win32Calls& calls_;
  std::function<std::string()> suffix_;
};

}  // namespace kelm::windows
