#include "platform/sim/scenario.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/native_names.h"
#include "platform/utf8_path.h"
#include "platform/sim/sim_commands.h"
#include "platform/sim/text.h"
#include "platform/text/printable_text.h"

namespace kelm::sim {

namespace {

using text::OneLine;

using Json = nlohmann::json;

// Serial flash addresses are 24-bit.
constexpr std::uint64_t kMaxSerialFlashSize = 1u << 24;
constexpr std::uint64_t kMaxCount = std::numeric_limits<std::uint32_t>::max();

std::string Member(const std::string& parent, std::string_view key) {
  return parent.empty() ? std::string(key) : parent + "." + std::string(key);
}

std::string Element(const std::string& parent, std::size_t index) {
  return parent + "[" + std::to_string(index) + "]";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the scenario's values, naming the file and the field in every error.
class Reader {
 public:
  Reader(std::string fileName, std::string baseDir)
      : fileName_(std::move(fileName)), baseDir_(platform::NativePath(baseDir)) {}

  [[noreturn]] void Fail(const std::string& field, const std::string& message) const {
    throw ScenarioError(fileName_ + ": " + (field.empty() ? "" : field + ": ") + message);
  }

  void Expect(bool ok, const std::string& field, const std::string& message) const {
    if (!ok) Fail(field, message);
  }

  void OnlyKeys(const Json& object, const std::string& field,
                std::initializer_list<std::string_view> keys) const {
    Expect(object.is_object(), field, "expected an object");
    for (const auto& [key, value] : object.items()) {
      if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
        Fail(Member(field, OneLine(key)), "unknown field");
      }
    }
  }

  const Json* Optional(const Json& object, std::string_view key) const {
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
  }

  std::uint32_t Number(const Json& value, const std::string& field, std::uint64_t min,
                       std::uint64_t max) const {
    std::uint64_t number = 0;
    if (value.is_number_unsigned()) {
      number = value.get<std::uint64_t>();
    } else if (value.is_number_integer()) {
      Fail(field, "must not be negative");
    } else if (value.is_number_float()) {
      const double real = value.get<double>();
      Expect(real >= 0, field, "must not be negative");
      Expect(std::floor(real) == real, field, "expected a whole number");
      Expect(real <= static_cast<double>(max), field, RangeText(min, max));
      number = static_cast<std::uint64_t>(real);
    } else {
      Fail(field, "expected a number");
    }
    Expect(number >= min && number <= max, field, RangeText(min, max));
    return static_cast<std::uint32_t>(number);
  }

  bool Bool(const Json& value, const std::string& field) const {
    Expect(value.is_boolean(), field, "expected true or false");
    return value.get<bool>();
  }

  std::string String(const Json& value, const std::string& field) const {
    Expect(value.is_string(), field, "expected a string");
    return value.get<std::string>();
  }

  // Pairs of hex digits, with spaces allowed between the pairs.
  std::vector<std::uint8_t> Hex(const Json& value, const std::string& field) const {
    const std::string text = String(value, field);
    std::vector<std::uint8_t> bytes;
    std::size_t i = 0;
    while (i < text.size()) {
      if (text[i] == ' ') {
        ++i;
        continue;
      }
      const int high = HexDigit(text[i]);
      const int low = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
      Expect(high >= 0 && low >= 0, field, "expected pairs of hex digits");
      bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
      i += 2;
    }
    return bytes;
  }

  std::vector<std::uint8_t> File(const Json& value, const std::string& field) const {
    const std::filesystem::path name = platform::NativePath(String(value, field));
    const std::filesystem::path path = name.is_absolute() ? name : baseDir_ / name;
    // A folder opens like a file and then throws on the first read.
    Expect(!std::filesystem::is_directory(path), field, "cannot read " + path.string());
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> bytes;
    try {
      if (file) bytes.assign(std::istreambuf_iterator<char>(file), {});
    } catch (const std::exception&) {
      Fail(field, "cannot read " + path.string());
    }
    Expect(file.good() || file.eof(), field, "cannot read " + path.string());
    return bytes;
  }

 private:
  static std::string RangeText(std::uint64_t min, std::uint64_t max) {
    return "out of range (" + std::to_string(min) + " to " + std::to_string(max) + ")";
  }

  std::string fileName_;
  std::filesystem::path baseDir_;
};

std::vector<Fault> ReadFaults(const Reader& r, const Json& list, const std::string& field,
                              bool withBytes) {
  r.Expect(list.is_array(), field, "expected a list");
  std::vector<Fault> faults;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const Json& entry = list[i];
    const std::string at = Element(field, i);
    if (withBytes) {
      r.OnlyKeys(entry, at, {"command", "nth", "bytes"});
    } else {
      r.OnlyKeys(entry, at, {"command", "nth"});
    }
    Fault fault;
    const Json* command = r.Optional(entry, "command");
    r.Expect(command != nullptr, Member(at, "command"), "missing");
    fault.command = r.String(*command, Member(at, "command"));
    r.Expect(OpByName(fault.command).has_value(), Member(at, "command"),
             "unknown command \"" + OneLine(fault.command) + "\"");
    if (const Json* nth = r.Optional(entry, "nth")) {
      fault.nth = r.Number(*nth, Member(at, "nth"), 1, kMaxCount);
    }
    if (withBytes) {
      const Json* bytes = r.Optional(entry, "bytes");
      r.Expect(bytes != nullptr, Member(at, "bytes"), "missing");
      fault.bytes = r.Number(*bytes, Member(at, "bytes"), 0, kMaxCount);
    }
    faults.push_back(std::move(fault));
  }
  return faults;
}

std::map<std::string, std::vector<std::uint8_t>> ReadAnswers(const Reader& r, const Json& object,
                                                             const std::string& field) {
  r.Expect(object.is_object(), field, "expected an object");
  std::map<std::string, std::vector<std::uint8_t>> answers;
  for (const auto& [name, value] : object.items()) {
    const std::string at = Member(field, OneLine(name));
    const std::optional<Op> op = OpByName(name);
    r.Expect(op.has_value(), at, "unknown command");
    r.Expect(Info(*op).answered, at, "this command takes no answer");
    answers[name] = r.Hex(value, at);
  }
  return answers;
}

Content ReadContent(const Reader& r, const Json& object, const std::string& field,
                    std::uint32_t size) {
  r.OnlyKeys(object, field, {"fill", "file", "at"});
  Content content;
  if (const Json* fill = r.Optional(object, "fill")) {
    const auto bytes = r.Hex(*fill, Member(field, "fill"));
    r.Expect(bytes.size() == 1, Member(field, "fill"), "expected one byte");
    content.fill = bytes[0];
  }
  if (const Json* at = r.Optional(object, "at")) {
    content.at = r.Number(*at, Member(field, "at"), 0, size);
  }
  if (const Json* file = r.Optional(object, "file")) {
    content.file = r.File(*file, Member(field, "file"));
    r.Expect(content.file.size() <= size - content.at, Member(field, "file"),
             std::to_string(content.file.size()) + " bytes at " + std::to_string(content.at) +
                 " do not fit in " + std::to_string(size));
  }
  return content;
}

std::vector<StuckByte> ReadStuck(const Reader& r, const Json& list, const std::string& field,
                                 std::uint32_t size) {
  r.Expect(list.is_array(), field, "expected a list");
  std::vector<StuckByte> stuck;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string at = Element(field, i);
    r.OnlyKeys(list[i], at, {"address", "value"});
    const Json* address = r.Optional(list[i], "address");
    const Json* value = r.Optional(list[i], "value");
    r.Expect(address != nullptr, Member(at, "address"), "missing");
    r.Expect(value != nullptr, Member(at, "value"), "missing");
    StuckByte cell;
    cell.address = r.Number(*address, Member(at, "address"), 0, size - 1);
    cell.value = static_cast<std::uint8_t>(r.Number(*value, Member(at, "value"), 0, 255));
    stuck.push_back(cell);
  }
  return stuck;
}

// A uniform unit size, or the start addresses of the units (from 0, ascending).
void ReadEraseUnit(const Reader& r, const Json& value, const std::string& field,
                   SerialFlashSpec& flash) {
  if (!value.is_array()) {
    flash.eraseUnit = r.Number(value, field, 1, kMaxCount);
    return;
  }
  r.Expect(!value.empty(), field, "expected at least one unit start");
  for (std::size_t i = 0; i < value.size(); ++i) {
    const std::string at = Element(field, i);
    const std::uint32_t start = r.Number(value[i], at, 0, flash.size - 1);
    r.Expect(i > 0 || start == 0, at, "the first unit must start at 0");
    r.Expect(i == 0 || start > flash.eraseUnitStarts.back(), at,
             "unit starts must ascend");
    flash.eraseUnitStarts.push_back(start);
  }
}

SerialFlashSpec ReadSerialFlash(const Reader& r, const Json& object, const std::string& field) {
  r.OnlyKeys(object, field,
             {"size", "erase_unit", "content", "busy_polls", "stuck_busy", "stuck"});
  SerialFlashSpec flash;
  if (const Json* size = r.Optional(object, "size")) {
    flash.size = r.Number(*size, Member(field, "size"), 1, kMaxSerialFlashSize);
  }
  if (const Json* unit = r.Optional(object, "erase_unit")) {
    ReadEraseUnit(r, *unit, Member(field, "erase_unit"), flash);
  }
  if (const Json* content = r.Optional(object, "content")) {
    flash.content = ReadContent(r, *content, Member(field, "content"), flash.size);
  }
  if (const Json* polls = r.Optional(object, "busy_polls")) {
    flash.busyPolls = r.Number(*polls, Member(field, "busy_polls"), 0, kMaxCount);
  }
  if (const Json* stuckBusy = r.Optional(object, "stuck_busy")) {
    flash.stuckBusy = r.Bool(*stuckBusy, Member(field, "stuck_busy"));
  }
  if (const Json* stuck = r.Optional(object, "stuck")) {
    flash.stuck = ReadStuck(r, *stuck, Member(field, "stuck"), flash.size);
  }
  return flash;
}

ParallelFlashSpec ReadParallelFlash(const Reader& r, const Json& object,
                                    const std::string& field) {
  r.OnlyKeys(object, field, {"type", "content", "busy_reads", "stuck_busy", "stuck"});
  constexpr auto size = static_cast<std::uint32_t>(kParallelFlashSize);
  ParallelFlashSpec flash;
  if (const Json* type = r.Optional(object, "type")) {
    flash.type = static_cast<std::int32_t>(
        r.Number(*type, Member(field, "type"), 0, kProgramSequences.size() - 1));
  }
  if (const Json* content = r.Optional(object, "content")) {
    flash.content = ReadContent(r, *content, Member(field, "content"), size);
  }
  if (const Json* reads = r.Optional(object, "busy_reads")) {
    flash.busyReads = r.Number(*reads, Member(field, "busy_reads"), 0, kMaxCount);
  }
  if (const Json* stuckBusy = r.Optional(object, "stuck_busy")) {
    flash.stuckBusy = r.Bool(*stuckBusy, Member(field, "stuck_busy"));
  }
  if (const Json* stuck = r.Optional(object, "stuck")) {
    flash.stuck = ReadStuck(r, *stuck, Member(field, "stuck"), size);
  }
  return flash;
}

DeviceSpec ReadDevice(const Reader& r, const Json& object, const std::string& field) {
  r.OnlyKeys(object, field,
             {"class", "path", "answers", "fail", "last_error", "short", "check_condition", "held_open",
              "serial_flash", "parallel_flash"});
  DeviceSpec device;
  const Json* deviceClass = r.Optional(object, "class");
  r.Expect(deviceClass != nullptr, Member(field, "class"), "missing");
  device.deviceClass = r.String(*deviceClass, Member(field, "class"));
  r.Expect(device.deviceClass == "disk" || device.deviceClass == "cdrom", Member(field, "class"),
           "expected \"disk\" or \"cdrom\"");
  if (const Json* path = r.Optional(object, "path")) {
    device.path = r.String(*path, Member(field, "path"));
    r.Expect(!device.path.empty(), Member(field, "path"), "must not be empty");
  }
  if (const Json* answers = r.Optional(object, "answers")) {
    device.answers = ReadAnswers(r, *answers, Member(field, "answers"));
  }
  if (const Json* fail = r.Optional(object, "fail")) {
    device.fail = ReadFaults(r, *fail, Member(field, "fail"), false);
  }
  if (const Json* lastError = r.Optional(object, "last_error")) {
    device.lastError = ReadFaults(r, *lastError, Member(field, "last_error"), false);
  }
  if (const Json* shortReads = r.Optional(object, "short")) {
    device.shortReads = ReadFaults(r, *shortReads, Member(field, "short"), true);
  }
  if (const Json* check = r.Optional(object, "check_condition")) {
    device.checkCondition = ReadFaults(r, *check, Member(field, "check_condition"), false);
  }
  if (const Json* heldOpen = r.Optional(object, "held_open")) {
    device.heldOpen = r.Bool(*heldOpen, Member(field, "held_open"));
  }
  if (const Json* serial = r.Optional(object, "serial_flash")) {
    device.serialFlash = ReadSerialFlash(r, *serial, Member(field, "serial_flash"));
  }
  if (const Json* parallel = r.Optional(object, "parallel_flash")) {
    device.parallelFlash = ReadParallelFlash(r, *parallel, Member(field, "parallel_flash"));
  }
  return device;
}

// Two devices answering to one path could not be told apart by the device file.
void CheckPathsDistinct(const Reader& r, const std::vector<DeviceSpec>& devices) {
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const std::string path = devices[i].path.empty()
                                 ? DefaultDevicePath(devices[i].deviceClass, i)
                                 : devices[i].path;
    for (std::size_t j = 0; j < paths.size(); ++j) {
      r.Expect(!EqualsIgnoringCase(paths[j], path), Member(Element("devices", i), "path"),
               "the same path as devices[" + std::to_string(j) + "]");
    }
    paths.push_back(path);
  }
}

}  // namespace

Scenario ParseScenario(std::string_view json, const std::string& fileName,
                       const std::string& baseDir) {
  const Reader r(fileName, baseDir.empty() ? "." : baseDir);
  Json root;
  try {
    root = Json::parse(json.begin(), json.end());
  } catch (const Json::exception& error) {  // parse errors, and numbers out of range
    std::string message = error.what();
    if (const auto end = message.find("] "); end != std::string::npos) message.erase(0, end + 2);
    r.Fail("", "not valid JSON: " + OneLine(message));
  }
  r.Expect(root.is_object(), "", "expected a JSON object with \"devices\"");
  r.OnlyKeys(root, "", {"devices"});
  Scenario scenario;
  if (const Json* devices = r.Optional(root, "devices")) {
    r.Expect(devices->is_array(), "devices", "expected a list");
    for (std::size_t i = 0; i < devices->size(); ++i) {
      scenario.devices.push_back(ReadDevice(r, (*devices)[i], Element("devices", i)));
    }
  }
  CheckPathsDistinct(r, scenario.devices);
  return scenario;
}

Scenario LoadScenario(const std::string& fileName) {
  const std::filesystem::path path = platform::NativePath(fileName);
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  if (file) text << file.rdbuf();
  if (!file || std::filesystem::is_directory(path)) {
    throw ScenarioError(fileName + ": cannot read the file");
  }
  // Its files are named relative to its folder.
  const std::string dir = platform::Utf8Text(platform::Utf8Path(fileName).parent_path());
  return ParseScenario(text.str(), fileName, dir.empty() ? "." : dir);
}

std::string DefaultDevicePath(const std::string& deviceClass, std::size_t index) {
  const bool cdrom = deviceClass == "cdrom";
  char number[24];
  std::snprintf(number, sizeof number, "%04zu", index);
  return std::string("\\\\?\\usbstor#") + (cdrom ? "cdrom" : "disk") +
         "&ven_kelm&prod_bridge&rev_0100#" + number + "&0#" +
         (cdrom ? "{53f56308-b6bf-11d0-94f2-00a0c91efb8b}"
                : "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}");
}

}  // namespace kelm::sim
