// kelm-sg-timing DEVICE: how long the bridge's flash status read and its 16 KiB flash read
// take on a real sg node, four ways interleaved round by round so that drift hits all alike:
// the program's own transport and Linux backend (a fresh open per command, as the update sends
// them), a bare loop that opens the node, sends one SG_IO and closes it per request, a bare
// loop on one open descriptor, and one `sg_raw` process per request (every few rounds: a
// process costs a hundred requests). It prints per request the four medians and the ratios
// program / bare open per request and program / one descriptor. Times are a report, never
// judged: exit 1 only when a request failed or two ways read different bytes.
// kelm-sg-timing --replay: see replay.h.

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bench/sg_timing/bare_sg_loop.h"
#include "bench/sg_timing/replay.h"
#include "device/commands.h"
#include "platform/linux/host_services.h"
#include "platform/linux/node_access.h"
#include "platform/linux/scsi_device_path.h"
#include "platform/linux/sg_device_file.h"
#include "platform/linux/sys_calls.h"
#include "platform/linux/sysfs_setup_service.h"
#include "platform/posix/posix_file_store.h"

namespace {

using namespace kelm;

// One kind of request, sent `rounds` times each way; sg_raw only every `sgRawEvery` rounds.
struct RequestKind {
  const char* name;
  int rounds;
  int sgRawEvery;
  std::uint32_t length;
};
constexpr std::uint32_t kPiece = 16384;
// The transport never asks a device for one byte: a one-byte read moves two.
constexpr RequestKind kStatusRead = {"ReadFlashStatus", 300, 10, 2};
constexpr RequestKind kFlashRead = {"ReadFlash", 96, 8, kPiece};
// The reads walk the first 64 KiB, which every serial flash of the bench holds.
constexpr std::array<std::uint32_t, 4> kPieceAddresses = {0x0000, 0x4000, 0x8000, 0xC000};

enum Way { kProgram, kBareOpen, kBareOne, kSgRaw, kWays };
constexpr std::array<const char*, kWays> kWayNames = {"program", "bare open per request",
                                                      "bare one descriptor", "sg_raw"};

struct NoBoxes final : platform::MessageBoxes {
  void Show(std::string_view, std::string_view, platform::MessageIcon) override {}
};
struct NoImages final : platform::ImageSource {
  std::span<const std::uint8_t> TakeImage(std::string_view) const override { return {}; }
};

// The program's services on the real kernel; only the device file is used here.
struct ProgramPorts {
  linux_platform::RealSysCalls sys;
  linux_platform::SgDeviceFile file{sys, {}};
  linux_platform::NodeAccess access{sys};
  linux_platform::SysfsSetupService setup{{}, access};
  linux_platform::ThreadClock clock;
  linux_platform::StderrDebugOutput debug;
  linux_platform::StdoutOutput out;
  NoBoxes boxes;
  NoImages images;
  posix::PosixFileStore files;
  platform::Services io{file, setup, clock, debug, out, boxes, images, files};
};

struct Timings {
  std::vector<double> us;
  int failed = 0;
};

template <typename Request>
void TimeOne(Timings& timings, Request&& request) {
  const auto start = std::chrono::steady_clock::now();
  const bool ok = request();
  const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
  timings.us.push_back(took.count());
  if (!ok) ++timings.failed;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::string Ratio(double a, double b) {
  if (a <= 0 || b <= 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", a / b);
  return text;
}

// The summary line of one kind of request; false when a request of any way failed.
bool Report(const RequestKind& kind, const std::array<Timings, kWays>& ways) {
  std::array<double, kWays> median{};
  for (int way = 0; way < kWays; ++way) median[way] = Median(ways[way].us);
  std::printf("%s (%d requests of %u bytes, %zu by sg_raw), median per request:", kind.name,
              kind.rounds, kind.length, ways[kSgRaw].us.size());
  for (int way = 0; way < kWays; ++way) {
    std::printf("%s %s %.1f us", way == 0 ? "" : ",", kWayNames[way], median[way]);
  }
  std::printf("; program/bare-open %s, program/one-descriptor %s\n",
              Ratio(median[kProgram], median[kBareOpen]).c_str(),
              Ratio(median[kProgram], median[kBareOne]).c_str());
  bool good = true;
  for (int way = 0; way < kWays; ++way) {
    if (ways[way].failed == 0) continue;
    std::printf("failed %s %s %d of %zu\n", kWayNames[way], kind.name, ways[way].failed,
                ways[way].us.size());
    good = false;
  }
  return good;
}

// Sends `kind` every way, round by round; each round starts with another way, so no way
// always follows the same one. `send(way, round)` sends one request and says whether it went.
template <typename Send>
std::array<Timings, kWays> Interleaved(const RequestKind& kind, Send&& send) {
  std::array<Timings, kWays> ways;
  for (int round = 0; round < kind.rounds; ++round) {
    for (int step = 0; step < kWays; ++step) {
      const int way = (round + step) % kWays;
      if (way == kSgRaw && round % kind.sgRawEvery != 0) continue;
      TimeOne(ways[way], [&] { return send(way, round); });
    }
  }
  return ways;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--replay") return timing::Replay(stdin);
  if (argc != 2 || argv[1][0] != '/') {
    std::fputs("usage: kelm-sg-timing /dev/sgN | --replay < REQUESTS\n", stderr);
    return 2;
  }
  const char* node = argv[1];
  const int fd = timing::OpenForLoop(node);
  if (fd < 0) {
    std::perror(node);
    return 1;
  }
  // The program's transport is handed what discovery hands it: the SCSI device's own path.
  const std::optional<std::string> devicePath = linux_platform::DevicePathOfNode({}, node);
  if (!devicePath) {
    std::fprintf(stderr, "%s: no SCSI device in sysfs\n", node);
    return 1;
  }
  ProgramPorts ports;
  bool good = true;

  const device::Cdb statusCdb = device::BuildCdb(device::Command::ReadFlashStatus);
  std::array<std::uint8_t, kStatusRead.length> statusBytes{};
  good &= Report(kStatusRead, Interleaved(kStatusRead, [&](int way, int) {
    std::uint8_t status = 0;
    switch (way) {
      case kProgram: return device::ReadFlashStatus(ports.io, *devicePath, status);
      case kBareOpen: return timing::BareOpenDataIn(node, statusCdb, statusBytes);
      case kBareOne: return timing::BareDataIn(fd, statusCdb, statusBytes);
      default: return timing::SgRawDataIn(node, statusCdb, kStatusRead.length);
    }
  }));

  std::vector<std::uint8_t> piece(kPiece);
  // Every way's first read of each address, to prove they all read the same bytes.
  std::array<std::vector<std::uint8_t>, kWays - 1> firstPieces;
  good &= Report(kFlashRead, Interleaved(kFlashRead, [&](int way, int round) {
    const std::uint32_t address = kPieceAddresses[round % kPieceAddresses.size()];
    const device::Cdb cdb = device::BuildCdb(device::Command::ReadFlash, address);
    bool ok = false;
    switch (way) {
      case kProgram: {
        std::uint32_t moved = 0;  // a device's refusal comes back as a call that moved nothing
        ok = device::ReadFlash(ports.io, *devicePath, address, piece, &moved) && moved == kPiece;
        break;
      }
      case kBareOpen: ok = timing::BareOpenDataIn(node, cdb, piece); break;
      case kBareOne: ok = timing::BareDataIn(fd, cdb, piece); break;
      default: return timing::SgRawDataIn(node, cdb, kPiece);
    }
    if (round == 0) firstPieces[way] = piece;
    return ok;
  }));

  for (int way = 1; way < kSgRaw; ++way) {
    if (firstPieces[way] == firstPieces[kProgram]) continue;
    std::printf("mismatch ReadFlash: %s and program read different bytes at address 0\n",
                kWayNames[way]);
    good = false;
  }
  return good ? 0 : 1;
}
