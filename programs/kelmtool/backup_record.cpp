#include "programs/kelmtool/backup_record.h"

#include <nlohmann/json.hpp>

#include "platform/trace/trace_format.h"
#include "platform/text/printable_text.h"

namespace kelm::kelmtool {

namespace {

// A record is a few hundred bytes; anything far larger is not one.
constexpr std::size_t kRecordLimit = 65536;

}  // namespace

std::string RecordFileName(const std::string& backupFile) { return backupFile + ".json"; }

BackupRecord MakeRecord(std::string model, std::uint32_t modelIndex, std::uint32_t revision,
                        std::string firmwareVersion, std::span<const std::uint8_t> bytes) {
  return {std::move(model), modelIndex, revision, std::move(firmwareVersion), bytes.size(),
          trace::Crc32Text(bytes)};
}

bool WriteRecord(platform::FileStore& files, const std::string& backupFile,
                 const BackupRecord& record) {
  const nlohmann::json json = {
      {"written_by", "kelmtool"},
      {"model", text::Latin1ToUtf8(record.model)},
      {"model_index", record.modelIndex},
      {"revision", record.revision},
      {"firmware_version", text::Latin1ToUtf8(record.firmwareVersion)},
      {"size", record.size},
      {"crc32", record.crc32},
  };
  const std::string text = json.dump(2) + "\n";
  return files.WriteWholeFile(RecordFileName(backupFile),
                              {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::optional<BackupRecord> ReadRecord(const platform::FileStore& files,
                                       const std::string& backupFile, std::string& error) {
  const std::string name = RecordFileName(backupFile);
  const std::optional<std::vector<std::uint8_t>> text = files.ReadWholeFile(name, kRecordLimit);
  if (!text) {
    error = backupFile + ": not a backup kelmtool wrote (no record " + name +
            " beside it); only those can be restored";
    return std::nullopt;
  }
  try {
    const nlohmann::json json = nlohmann::json::parse(text->begin(), text->end());
    BackupRecord record;
    record.model = json.at("model").get<std::string>();
    record.modelIndex = json.at("model_index").get<std::uint32_t>();
    record.revision = json.at("revision").get<std::uint32_t>();
    record.firmwareVersion = json.at("firmware_version").get<std::string>();
    record.size = json.at("size").get<std::uint64_t>();
    record.crc32 = json.at("crc32").get<std::string>();
    return record;
  } catch (const nlohmann::json::exception&) {
    error = name + ": not a backup record";
    return std::nullopt;
  }
}

}  // namespace kelm::kelmtool
