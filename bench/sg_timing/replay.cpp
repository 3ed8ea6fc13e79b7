#include "bench/sg_timing/replay.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "bench/sg_timing/bare_sg_loop.h"

namespace kelm::timing {

namespace {

struct Request {
  std::string node;
  bool dataIn = false;
  std::vector<std::uint8_t> cdb;
  std::uint32_t length = 0;
};

std::optional<Request> ParseLine(const char* line) {
  char node[256], direction[8], hex[65];
  unsigned length = 0;
  if (std::sscanf(line, "%255s %7s %64s %u", node, direction, hex, &length) != 4) return std::nullopt;
  Request request{node, std::strcmp(direction, "in") == 0, {}, length};
  if (!request.dataIn && (std::strcmp(direction, "out") != 0 || length != 0)) return std::nullopt;
  const std::size_t digits = std::strlen(hex);
  if (digits == 0 || digits % 2 != 0 || digits > 32) return std::nullopt;
  for (std::size_t at = 0; at < digits; at += 2) {
    unsigned byte = 0;
    if (std::sscanf(hex + at, "%2x", &byte) != 1) return std::nullopt;
    request.cdb.push_back(static_cast<std::uint8_t>(byte));
  }
  return request;
}

}  // namespace

int Replay(std::FILE* in) {
  std::vector<Request> requests;
  char line[512];
  while (std::fgets(line, sizeof line, in) != nullptr) {
    if (line[std::strspn(line, " \t\r\n")] == '\0') continue;
    std::optional<Request> request = ParseLine(line);
    if (!request) {
      std::fprintf(stderr, "kelm-sg-timing: not a request: %s", line);
      return 2;
    }
    requests.push_back(std::move(*request));
  }
  std::chrono::duration<double, std::milli> sum{0};
  int failed = 0;
  std::vector<std::uint8_t> data;
  for (const Request& request : requests) {
    data.assign(request.length, 0);
    const auto start = std::chrono::steady_clock::now();
    const bool ok = BareOpenRequest(request.node.c_str(), request.cdb, request.dataIn, data);
    sum += std::chrono::steady_clock::now() - start;
    if (!ok) ++failed;
  }
  std::printf("replayed %zu requests bare (open, SG_IO, close each), %d failed: sum of round trips %.1f ms\n",
              requests.size(), failed, sum.count());
  return failed == 0 ? 0 : 1;
}

}  // namespace kelm::timing
