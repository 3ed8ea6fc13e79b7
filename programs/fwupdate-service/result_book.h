#pragma once
// The ends of the procedures the service ran, kept in its state folder so that the next
// client learns how a procedure ended whose caller went away, even after the service exited
// for idleness. The latest result of each enclosure is kept.

#include <string>
#include <vector>

#include "platform/file_store.h"
#include "platform/linux/fwupdate_bus.h"

namespace kelm::service {

class ResultBook {
 public:
  // `file` empty: kept in memory only.
  ResultBook(platform::FileStore& files, std::string file) : files_(files), file_(std::move(file)) {}

  void Record(linux_platform::fwbus::ProcedureResult result);
  std::vector<linux_platform::fwbus::ProcedureResult> Results() const;

 private:
  platform::FileStore& files_;
  std::string file_;
  std::vector<linux_platform::fwbus::ProcedureResult> memory_;
};

// One line a result: time, 1 or 0, operation, path, text, separated by tabs.
std::string ResultLines(const std::vector<linux_platform::fwbus::ProcedureResult>& results);
std::vector<linux_platform::fwbus::ProcedureResult> ParseResultLines(const std::string& lines);

}  // namespace kelm::service
