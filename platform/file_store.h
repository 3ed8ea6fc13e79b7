#pragma once
// The file store port: whole files written so that a failure never leaves a half file, and
// an existing file of that name survives any failure.

#include <cstdint>
#include <span>
#include <string>

namespace kelm::platform {

class FileStore {
 public:
  virtual ~FileStore() = default;
  // True when every byte reached `target`. On failure an existing file of that name is left
  // as it was and no temporary file remains.
  virtual bool WriteWholeFile(const std::string& target, std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace kelm::platform
