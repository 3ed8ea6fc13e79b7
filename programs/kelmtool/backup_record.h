#pragma once
// The small record kelmtool writes beside every backup (FILE.json): which bridge the flash
// came from and a checksum, so that restore puts back only an intact backup of the same
// model and revision.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/file_store.h"

namespace kelm::kelmtool {

struct BackupRecord {
  std::string model;  // the model's name, for people
  std::uint32_t modelIndex = 0;
  std::uint32_t revision = 0;
  std::string firmwareVersion;
  std::uint64_t size = 0;
  std::string crc32;  // 8 lower-case hex digits
};

std::string RecordFileName(const std::string& backupFile);

BackupRecord MakeRecord(std::string model, std::uint32_t modelIndex, std::uint32_t revision,
                        std::string firmwareVersion, std::span<const std::uint8_t> bytes);

bool WriteRecord(platform::FileStore& files, const std::string& backupFile,
                 const BackupRecord& record);

// The record beside `backupFile`; nothing (and `error`) when it is missing or malformed.
std::optional<BackupRecord> ReadRecord(const platform::FileStore& files,
                                       const std::string& backupFile, std::string& error);

}  // namespace kelm::kelmtool
