#include "tests/faults/request_trace.h"

#include <array>
#include <map>
#include <sstream>

#include "platform/sim/sim_commands.h"

namespace kelm::test {

namespace {

std::array<std::uint8_t, 16> CdbFromHex(const std::string& hex) {
  std::array<std::uint8_t, 16> cdb{};
  for (std::size_t i = 0; i + 1 < hex.size() && i / 2 < cdb.size(); i += 2) {
    cdb[i / 2] = static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16));
  }
  return cdb;
}

std::string CommandName(const std::string& cdbHex) {
  const std::array<std::uint8_t, 16> cdb = CdbFromHex(cdbHex);
  const auto op = sim::DecodeCdb(cdb);
  return op ? std::string(sim::Info(*op).name) : std::string();
}

}  // namespace

std::vector<TracedRequest> ParseTrace(std::string_view trace) {
  std::vector<TracedRequest> requests;
  std::map<std::string, std::uint32_t> seen;
  std::istringstream lines{std::string(trace)};
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string direction, cdb, result;
    std::uint32_t length = 0, timeout = 0, transferred = 0;
    fields >> direction >> cdb >> length >> timeout >> result >> transferred;
    if (direction != "in" && direction != "out") continue;  // open-fail lines
    TracedRequest request;
    request.command = CommandName(cdb);
    request.nth = ++seen[request.command];
    request.dataIn = direction == "in";
    request.length = length;
    request.ok = result == "ok";
    request.transferred = transferred;
    requests.push_back(std::move(request));
  }
  return requests;
}

std::string_view FaultKindName(FaultKind kind) {
  switch (kind) {
    case FaultKind::Fail:
      return "fail";
    case FaultKind::LastError:
      return "last_error";
    case FaultKind::Short:
      return "short";
  }
  return "?";
}

void InjectFault(sim::DeviceSpec& device, const TracedRequest& request, FaultKind kind) {
  sim::Fault fault{request.command, request.nth, 0};
  switch (kind) {
    case FaultKind::Fail:
      device.fail.push_back(fault);
      break;
    case FaultKind::LastError:
      device.lastError.push_back(fault);
      break;
    case FaultKind::Short:
      fault.bytes = request.length / 2;
      device.shortReads.push_back(fault);
      break;
  }
}

bool FaultLanded(const std::vector<TracedRequest>& requests, const TracedRequest& target,
                 FaultKind kind) {
  for (const TracedRequest& request : requests) {
    if (request.command != target.command || request.nth != target.nth) continue;
    if (kind == FaultKind::Short) return request.ok && request.transferred == target.length / 2;
    return !request.ok;
  }
  return false;
}

}  // namespace kelm::test
