#pragma once
// The file store port: whole files written so that a failure never leaves a half file, and
// an existing file of that name survives any failure; the user's files read whole within a
// bound, and only when they are files.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kelm::platform {

// What a path is wanted for: a file to read, or a file to write (new or replacing one).
enum class PathUse { Read, Write };

class FileStore {
 public:
  virtual ~FileStore() = default;
  // True when every byte reached `target`. On failure an existing file of that name is left
  // as it was and no temporary file remains. Refuses a target that MayReplace refuses.
  virtual bool WriteWholeFile(const std::string& target, std::span<const std::uint8_t> bytes) = 0;
  // True when nothing is at `path` or a regular file is (not a link, a device, a pipe, a
  // socket or a folder): only then may a file written there replace what is there.
  virtual bool MayReplace(const std::string& path) const = 0;
  // True when anything is at `path`: a file, a folder, a device, a link (a dangling one too).
  virtual bool Exists(const std::string& path) const = 0;
  // The bytes of the regular file at `path` when it holds at most `limit` of them; nothing
  // for anything else (missing, unreadable, too large, a device, a pipe, a folder). Never
  // waits on a pipe and never reads more than `limit` + 1 bytes.
  virtual std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                                 std::size_t limit) const = 0;
  // What keeps `path` from serving `use`, in a user's words and naming any folder at fault
  // ("no such folder (backups)", "is a folder, not a file"); empty when nothing does. To read,
  // a regular file must be there; to write, nothing or a regular file, in a folder that
  // exists. Sizes and contents are not looked at.
  virtual std::string WhyUnusable(const std::string& path, PathUse use) const = 0;
};

}  // namespace kelm::platform
