#include "platform/trace/trace_format.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>

namespace kelm::trace {

namespace {

std::string LowerHex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

std::string_view ResultName(TraceResult result) {
  switch (result) {
    case TraceResult::Ok:
      return "ok";
    case TraceResult::Check:
      return "check";
    case TraceResult::BadRequest:
      return "bad-request";
    case TraceResult::Fail:
      break;
  }
  return "fail";
}

}  // namespace

std::string Crc32Text(std::span<const std::uint8_t> data) {
  if (data.empty()) return "-";
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes the length as uInt; feed large buffers in pieces.
  std::size_t done = 0;
  while (done < data.size()) {
    const std::size_t piece = std::min<std::size_t>(data.size() - done, 1u << 30);
    crc = crc32(crc, data.data() + done, static_cast<uInt>(piece));
    done += piece;
  }
  char text[9];
  std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(crc & 0xFFFFFFFFul));
  return text;
}

std::string TraceLine(const TraceEntry& entry) {
  std::string line;
  line += entry.dataIn ? "in" : "out";
  line += '\t';
  line += LowerHex(entry.cdb);
  line += '\t';
  line += std::to_string(entry.length);
  line += '\t';
  line += std::to_string(entry.timeout);
  line += '\t';
  line += ResultName(entry.result);
  line += '\t';
  line += std::to_string(entry.transferred);
  line += '\t';
  line += Crc32Text(entry.data);
  line += '\t';
  line += entry.path;
  line += '\n';
  return line;
}

std::string OpenFailLine(bool dataIn, std::string_view path) {
  std::string line = "open-fail\t";
  line += dataIn ? "in" : "out";
  line += '\t';
  line += path;
  line += '\n';
  return line;
}

}  // namespace kelm::trace
