#pragma once
// The file store port on POSIX: the bytes go to a new hidden file in the target's folder under
// a short unpredictable name (".kelm-" and the suffix, whatever the target's length), reach
// the disk, then replace the target in one rename. The temporary file is created exclusively
// and never through a link, so nothing planted beside the target can redirect the bytes.

#include <functional>
#include <string>
#include <utility>

#include "platform/file_store.h"

namespace kelm::posix {

// Twelve random hexadecimal digits from the kernel's generator.
std::string RandomSuffix();

class PosixFileStore final : public platform::FileStore {
 public:
  // `suffix` names each temporary file; tests hand in a predictable one.
  explicit PosixFileStore(std::function<std::string()> suffix = RandomSuffix)
      : suffix_(std::move(suffix)) {}

  bool WriteWholeFile(const std::string& target, std::span<const std::uint8_t> bytes) override;
  bool MayReplace(const std::string& path) const override;
  bool Exists(const std::string& path) const override;
  std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                         std::size_t limit) const override;
  std::string WhyUnusable(const std::string& path, platform::PathUse use) const override;

 private:
  // A new temporary file beside `target` opened for writing, or -1; `name` gets its name.
  int CreateTemporary(const std::string& target, std::string& name) const;

  std::function<std::string()> suffix_;
};

}  // namespace kelm::posix
