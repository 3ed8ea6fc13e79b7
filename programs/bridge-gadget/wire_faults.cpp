#include "programs/bridge-gadget/wire_faults.h"

#include <charconv>

#include "platform/sim/sim_commands.h"

namespace kelm::gadget {

namespace {
constexpr std::uint8_t kBridgeCdbLength = 12;
constexpr std::uint8_t kAtaPassThrough12 = 0xA1;
}  // namespace

WireReply MapResponse(const sim::Response& response, bool dataIn, std::uint32_t asked) {
  WireReply reply;
  switch (response.reply) {
    case sim::Reply::Fail:
      reply.residue = asked;
      reply.status = CswStatus::PhaseError;
      return reply;
    case sim::Reply::Check:
      // As a bridge refuses a command it does not know: no data, nothing done, "command
      // failed"; the host then fetches the sense data with REQUEST SENSE.
      reply.residue = asked;
      reply.status = CswStatus::Failed;
      return reply;
    case sim::Reply::LastError:
      reply.status = CswStatus::PhaseError;
      break;
    case sim::Reply::Ok:
      break;
  }
  const std::uint32_t done = response.transferred < asked ? response.transferred : asked;
  reply.dataBytes = dataIn ? done : 0;
  reply.residue = asked - done;
  return reply;
}

std::optional<WireFault> ParseWireFault(WireFault::Kind kind, std::string_view text) {
  WireFault fault;
  fault.kind = kind;
  const auto colon = text.find(':');
  fault.command = std::string(text.substr(0, colon));
  if (!sim::OpByName(fault.command)) return std::nullopt;
  if (colon != std::string_view::npos) {
    const std::string_view number = text.substr(colon + 1);
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), fault.nth);
    if (ec != std::errc() || end != number.data() + number.size() || fault.nth == 0) {
      return std::nullopt;
    }
  }
  return fault;
}

bool IsBridgeCommand(std::uint8_t cdbLength, std::uint8_t opcode) {
  return cdbLength == kBridgeCdbLength && opcode != kAtaPassThrough12;
}

}  // namespace kelm::gadget
