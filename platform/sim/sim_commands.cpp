#include "platform/sim/sim_commands.h"

#include <algorithm>

namespace kelm::sim {

const OpInfo& Info(Op op) { return kOps[static_cast<std::size_t>(op)]; }

std::optional<Op> DecodeCdb(std::span<const std::uint8_t, 16> cdb) {
  for (const OpInfo& info : kOps) {
    if (std::equal(info.prefix.begin(), info.prefix.begin() + info.prefixLength, cdb.begin())) {
      return info.op;
    }
  }
  return std::nullopt;
}

std::optional<Op> OpByName(std::string_view name) {
  for (const OpInfo& info : kOps) {
    if (info.name == name) return info.op;
  }
  return std::nullopt;
}

namespace {
constexpr bool TableInOrder() {
  for (std::size_t i = 0; i < kOps.size(); ++i) {
    if (static_cast<std::size_t>(kOps[i].op) != i) return false;
  }
  return true;
}
static_assert(TableInOrder(), "Info() indexes the table by Op");
}  // namespace

}  // namespace kelm::sim
