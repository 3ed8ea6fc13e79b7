#pragma once
// The simulated enclosures of a run, as a scenario file describes them.

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelm::sim {

// A malformed scenario. what() is one line naming the file and the field.
class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Fault {
  std::string command;              // command name, e.g. "WriteFlash"
  std::optional<std::uint32_t> nth;  // 1-based; empty: every time
  std::uint32_t bytes = 0;          // "short" only
};

struct Content {
  std::uint8_t fill = 0xFF;
  std::vector<std::uint8_t> file;  // bytes of "file", already read
  std::uint32_t at = 0;
};

struct StuckByte {
  std::uint32_t address = 0;
  std::uint8_t value = 0;
};

struct SerialFlashSpec {
  std::uint32_t size = 65536;
  std::vector<std::uint32_t> eraseUnitStarts;  // empty: uniform units of eraseUnit bytes
  std::uint32_t eraseUnit = 32768;
  Content content;
  std::uint32_t busyPolls = 0;
  bool stuckBusy = false;
  std::vector<StuckByte> stuck;
};

struct ParallelFlashSpec {
  std::int32_t type = 0;
  Content content;
  std::uint32_t busyReads = 0;
  bool stuckBusy = false;
  std::vector<StuckByte> stuck;
};

struct DeviceSpec {
  std::string deviceClass = "disk";  // "disk" or "cdrom"
  std::string path;                  // empty: the default path for the index
  std::map<std::string, std::vector<std::uint8_t>> answers;
  std::vector<Fault> fail;
  std::vector<Fault> lastError;
  std::vector<Fault> shortReads;
  std::vector<Fault> checkCondition;
  bool heldOpen = false;
  std::optional<SerialFlashSpec> serialFlash;
  std::optional<ParallelFlashSpec> parallelFlash;
};

struct Scenario {
  std::vector<DeviceSpec> devices;
};

// Parses scenario JSON. `fileName` names the file in errors; `baseDir` resolves "file" fields.
Scenario ParseScenario(std::string_view json, const std::string& fileName,
                       const std::string& baseDir);
// Reads and parses a scenario file; an unreadable file is a ScenarioError too.
Scenario LoadScenario(const std::string& fileName);

// The default device path of device `index` of class "disk" or "cdrom".
std::string DefaultDevicePath(const std::string& deviceClass, std::size_t index);

}  // namespace kelm::sim
