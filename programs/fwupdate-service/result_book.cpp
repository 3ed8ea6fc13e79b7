#include "programs/fwupdate-service/result_book.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace kelm::service {

namespace {

using linux_platform::fwbus::ProcedureResult;

// The most enclosures whose results are kept; older ones go first.
constexpr std::size_t kKept = 16;
constexpr std::size_t kLargestBook = 64 * 1024;

// Tabs and line ends would split a record.
std::string Field(std::string text) {
  std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
  return text;
}

}  // namespace

std::string ResultLines(const std::vector<ProcedureResult>& results) {
  std::string lines;
  for (const ProcedureResult& r : results) {
    lines += std::to_string(r.endedAt) + '\t' + (r.succeeded ? "1" : "0") + '\t' + Field(r.operation) +
             '\t' + Field(r.path) + '\t' + Field(r.text) + '\n';
  }
  return lines;
}

std::vector<ProcedureResult> ParseResultLines(const std::string& lines) {
  std::vector<ProcedureResult> results;
  std::istringstream in(lines);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
    if (fields.size() != 5 || (fields[1] != "0" && fields[1] != "1")) continue;
    ProcedureResult result;
    const auto [end, ec] = std::from_chars(fields[0].data(), fields[0].data() + fields[0].size(), result.endedAt);
    if (ec != std::errc() || end != fields[0].data() + fields[0].size()) continue;
    result.succeeded = fields[1] == "1";
    result.operation = fields[2];
    result.path = fields[3];
    result.text = fields[4];
    results.push_back(std::move(result));
  }
  return results;
}

std::vector<ProcedureResult> ResultBook::Results() const {
  if (file_.empty()) return memory_;
  const auto bytes = files_.ReadWholeFile(file_, kLargestBook);
  if (!bytes) return {};
  return ParseResultLines(std::string(bytes->begin(), bytes->end()));
}

void ResultBook::Record(ProcedureResult result) {
  result.path = Field(std::move(result.path));
  result.operation = Field(std::move(result.operation));
  result.text = Field(std::move(result.text));
  std::vector<ProcedureResult> results = Results();
  std::erase_if(results, [&](const ProcedureResult& kept) { return kept.path == result.path; });
  results.push_back(std::move(result));
  if (results.size() > kKept) results.erase(results.begin(), results.end() - kKept);
  if (file_.empty()) {
    memory_ = std::move(results);
    return;
  }
  const std::string lines = ResultLines(results);
  files_.WriteWholeFile(file_, std::span(reinterpret_cast<const std::uint8_t*>(lines.data()), lines.size()));
}

}  // namespace kelm::service
