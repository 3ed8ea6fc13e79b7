#include "ui/bench/file_filter.h"

#include <algorithm>
#include <vector>

namespace kelm::bench {

namespace {
std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = text.find(separator, start);
    parts.emplace_back(text.substr(start, at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}
}  // namespace

std::string QtFilterOf(std::string_view filter) {
  const std::vector<std::string> parts = Split(filter, '|');
  std::string out;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string patterns = parts[i + 1];
    std::replace(patterns.begin(), patterns.end(), ';', ' ');  // "*.bin;*.rom" lists patterns
    if (!out.empty()) out += ";;";
    out += parts[i] + " (" + patterns + ")";
  }
  return out;
}

}  // namespace kelm::bench
