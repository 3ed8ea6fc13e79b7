#pragma once
// Builders shared by the engine's tests: devices, images, and a scratch working directory.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "flash/engine_settings.h"
#include "tests/support/rig.h"

namespace kelm::test {

// Bytes that are neither 0x00 nor 0xFF, different per seed.
inline std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed = 1) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>((i * 7 + seed) % 251 + 1);
  return bytes;
}

inline sim::Scenario OneDevice(sim::DeviceSpec device) {
  sim::Scenario scenario;
  scenario.devices.push_back(std::move(device));
  return scenario;
}

// A bridge with a serial flash holding `content` (the rest 0xFF).
inline sim::DeviceSpec SerialFlashDevice(std::uint32_t size, std::vector<std::uint8_t> content) {
  sim::DeviceSpec device;
  sim::SerialFlashSpec flash;
  flash.size = size;
  flash.content.file = std::move(content);
  device.serialFlash = flash;
  return device;
}

inline sim::DeviceSpec ParallelFlashDevice(std::vector<std::uint8_t> content) {
  sim::DeviceSpec device;
  sim::ParallelFlashSpec flash;
  flash.content.file = std::move(content);
  device.parallelFlash = flash;
  return device;
}

inline sim::Fault FaultOn(std::string command, std::uint32_t nth, std::uint32_t bytes = 0) {
  return sim::Fault{std::move(command), nth, bytes};
}

// The CDBs of the requests traced so far whose CDB starts with `prefix` (lower-case hex).
inline std::vector<std::string> TracedCdbs(const std::ostringstream& trace,
                                           const std::string& prefix) {
  std::vector<std::string> cdbs;
  std::istringstream lines(trace.str());
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string direction, cdb;
    fields >> direction >> cdb;
    if (cdb.rfind(prefix, 0) == 0) cdbs.push_back(cdb);
  }
  return cdbs;
}

// Runs each test in a fresh directory and restores the engine settings afterwards.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = std::filesystem::current_path();
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    const auto unique = std::chrono::steady_clock::now().time_since_epoch().count();
    dir_ = std::filesystem::temp_directory_path() /
           ("kelm-flash-" + name + "-" + std::to_string(unique));
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(home_);
    std::filesystem::remove_all(dir_);
    flash::FirmwareSize = 65536;
    flash::TransferPageSize = 16384;
  }
  std::filesystem::path dir_;

 private:
  std::filesystem::path home_;
};

}  // namespace kelm::test
