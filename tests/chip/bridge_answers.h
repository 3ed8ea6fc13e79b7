#pragma once
// Answers of simulated bridges for the identification tests, and the requests a trace shows.

#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/scenario.h"

namespace kelm::test {

using ByteVector = std::vector<std::uint8_t>;

// The requests the bridge commands send: direction, the 12 CDB bytes, the data length.
inline const std::string kInquiry = "in 120000002800000000000000 40";
inline const std::string kProbeBridge = "in df10000002000000000000ff 2";
inline const std::string kChipInfo16 = "in e0f4e7000000000000000000 16";
inline const std::string kChipInfo12 = "in e0f4e7000000000000000000 12";
inline const std::string kChipModel = "in ff0430080000000000000000 40";
inline const std::string kIdentifyFlashStep1 = "in ff042001019f000000000000 0";
inline const std::string kIdentifyFlashStep2 = "in ff0421000000000000000000 4";
inline const std::string kFlashIdentity = "in ff0423040000000000000000 4";

// 40 bytes of INQUIRY data with `tag` at bytes 36-39.
inline ByteVector InquiryWithTag(std::string_view tag) {
  ByteVector answer(40, 0);
  const std::string_view vendor = "KELM    USB BRIDGE      ";
  std::copy(vendor.begin(), vendor.end(), answer.begin() + 8);
  std::copy(tag.begin(), tag.end(), answer.begin() + 36);
  return answer;
}

struct ProductRecordFields {
  std::uint8_t vendor[2] = {0x15, 0x2D};
  std::uint8_t product[2] = {0x03, 0x52};
  std::string_view modelText = "3521";  // bytes 8-11
  std::uint8_t shortVersion[2] = {1, 2};
  std::uint8_t longVersion[3] = {1, 2, 3};
};

// A product record with the F4 E7 signature, `size` bytes long.
inline ByteVector ProductRecord(const ProductRecordFields& f, std::size_t size = 16) {
  ByteVector r = {0xF4, 0xE7, f.vendor[0], f.vendor[1], f.product[0], f.product[1],
                  f.shortVersion[0], f.shortVersion[1], 0, 0, 0, 0,
                  f.longVersion[0], f.longVersion[1], f.longVersion[2], 0};
  std::copy(f.modelText.begin(), f.modelText.end(), r.begin() + 8);
  r.resize(size);
  return r;
}

// A 40-byte chip-name record beginning with `text`, byte 5 set to `revision`.
inline ByteVector ChipName(std::string_view text, std::uint8_t revision) {
  ByteVector r(40, 0);
  std::copy(text.begin(), text.end(), r.begin());
  r[5] = revision;
  return r;
}

inline sim::DeviceSpec Bridge(std::map<std::string, ByteVector> answers,
                              std::vector<sim::Fault> fail = {}) {
  sim::DeviceSpec device;
  device.answers = std::move(answers);
  device.fail = std::move(fail);
  return device;
}

inline sim::Scenario OneDevice(sim::DeviceSpec device) { return sim::Scenario{{std::move(device)}}; }

// "<dir> <cdb> <len>" for each request of a trace, "open-fail" for a failed open.
inline std::vector<std::string> Requests(const std::string& trace) {
  std::vector<std::string> requests;
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
    if (fields.empty()) continue;
    if (fields[0] == "open-fail" || fields.size() < 3) {
      requests.push_back(fields[0]);
    } else {
      requests.push_back(fields[0] + " " + fields[1] + " " + fields[2]);
    }
  }
  return requests;
}

}  // namespace kelm::test
