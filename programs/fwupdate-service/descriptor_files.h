#pragma once
// The file store of one call: the files the client opened with its own rights and handed
// over as descriptors, known by the names the procedures use. The service never opens a
// path; it reads and writes only through these, and reads bounded as the file store does.

#include <map>
#include <string>

#include "platform/file_store.h"

namespace kelm::service {

// Why a descriptor cannot serve a file to write (or to read); empty when it can. A pipe or a
// device is refused: the service must never wait on one nor reach past a file.
std::string WhyNotWritable(int fd);
std::string WhyNotReadable(int fd);

class DescriptorFileStore final : public platform::FileStore {
 public:
  // The store does not own the descriptors; they must stay open while it is used.
  void AddWritable(std::string name, int fd) { files_[std::move(name)] = {fd, true}; }
  void AddReadable(std::string name, int fd) { files_[std::move(name)] = {fd, false}; }

  bool WriteWholeFile(const std::string& target, std::span<const std::uint8_t> bytes) override;
  bool MayReplace(const std::string& path) const override;
  bool Exists(const std::string& path) const override { return files_.contains(path); }
  std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                         std::size_t limit) const override;
  std::string WhyUnusable(const std::string& path, platform::PathUse use) const override;

 private:
  struct Handed {
    int fd = -1;
    bool writable = false;
  };
  std::map<std::string, Handed> files_;
};

}  // namespace kelm::service
