// kelm-sg-timing DEVICE: how long the bridge's flash status read and its 16 KiB flash read
// take on a real sg node, sent by the program's own transport and Linux backend (a fresh open
// per command, as the update sends them) and by a bare SG_IO loop on one open descriptor.
// It prints the CDBs it sent, so a script can send the very same requests another way, then
// the median time per request of each way. Exit 1 when a request failed or the two ways read
// different bytes.

#include <algorithm>
#include <array>
#include <optional>
#include <chrono>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "bench/sg_timing/bare_sg_loop.h"
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

constexpr int kStatusReads = 500;
constexpr int kFlashReads = 64;
constexpr std::uint32_t kPiece = 16384;
// The reads walk the first 64 KiB, which every serial flash of the bench holds.
constexpr std::array<std::uint32_t, 4> kPieceAddresses = {0x0000, 0x4000, 0x8000, 0xC000};
// The transport never asks a device for one byte: a one-byte read moves two.
constexpr std::uint32_t kStatusLength = 2;

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
Timings Time(int count, Request&& request) {
  Timings timings;
  for (int i = 0; i < count; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const bool ok = request(i);
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    timings.us.push_back(took.count());
    if (!ok) ++timings.failed;
  }
  return timings;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::string Hex(std::span<const std::uint8_t> bytes) {
  std::string text;
  char pair[3];
  for (const std::uint8_t byte : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", byte);
    text += pair;
  }
  return text;
}

// "median-us WAY REQUEST VALUE" and, for failures, "failed WAY REQUEST N of M".
bool Report(const char* way, const char* request, const Timings& timings) {
  std::printf("median-us %s %s %.1f\n", way, request, Median(timings.us));
  if (timings.failed == 0) return true;
  std::printf("failed %s %s %d of %zu\n", way, request, timings.failed, timings.us.size());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] != '/') {
    std::fputs("usage: kelm-sg-timing /dev/sgN\n", stderr);
    return 2;
  }
  const std::string node = argv[1];
  const device::Cdb statusCdb = device::BuildCdb(device::Command::ReadFlashStatus);
  std::array<device::Cdb, kPieceAddresses.size()> pieceCdbs{};
  for (std::size_t i = 0; i < kPieceAddresses.size(); ++i) {
    pieceCdbs[i] = device::BuildCdb(device::Command::ReadFlash, kPieceAddresses[i]);
  }
  std::printf("cdb ReadFlashStatus %u %s\n", kStatusLength, Hex(statusCdb).c_str());
  for (const device::Cdb& cdb : pieceCdbs) {
    std::printf("cdb ReadFlash %u %s\n", kPiece, Hex(cdb).c_str());
  }

  const int fd = timing::OpenForLoop(node.c_str());
  if (fd < 0) {
    std::perror(node.c_str());
    return 1;
  }
  // The program's transport is handed what discovery hands it: the SCSI device's own path.
  const std::optional<std::string> devicePath = linux_platform::DevicePathOfNode({}, node);
  if (!devicePath) {
    std::fprintf(stderr, "%s: no SCSI device in sysfs\n", node.c_str());
    return 1;
  }
  ProgramPorts ports;
  std::vector<std::uint8_t> programPiece(kPiece), barePiece(kPiece);
  std::vector<std::uint8_t> firstProgram, firstBare;
  bool good = true;

  std::uint8_t status = 0;
  good &= Report("program", "ReadFlashStatus", Time(kStatusReads, [&](int) {
    return device::ReadFlashStatus(ports.io, *devicePath, status);
  }));
  std::array<std::uint8_t, kStatusLength> statusBytes{};
  good &= Report("bare", "ReadFlashStatus", Time(kStatusReads, [&](int) {
    return timing::BareDataIn(fd, statusCdb, statusBytes);
  }));

  good &= Report("program", "ReadFlash", Time(kFlashReads, [&](int i) {
    const std::uint32_t address = kPieceAddresses[i % kPieceAddresses.size()];
    std::uint32_t moved = 0;  // a device's refusal comes back as a call that moved nothing
    const bool ok = device::ReadFlash(ports.io, *devicePath, address, programPiece, &moved) &&
                    moved == kPiece;
    if (i == 0) firstProgram = programPiece;
    return ok;
  }));
  good &= Report("bare", "ReadFlash", Time(kFlashReads, [&](int i) {
    const bool ok = timing::BareDataIn(fd, pieceCdbs[i % pieceCdbs.size()], barePiece);
    if (i == 0) firstBare = barePiece;
    return ok;
  }));

  if (firstProgram != firstBare) {
    std::puts("mismatch ReadFlash: the two ways read different bytes at address 0");
    good = false;
  }
  return good ? 0 : 1;
}
