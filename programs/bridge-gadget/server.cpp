#include "programs/bridge-gadget/server.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <iostream>
#include <thread>

#include "platform/sim/sim_commands.h"
#include "platform/trace/trace_format.h"

namespace kelm::gadget {

namespace {

// Far below the host's shortest time-out (10 s), long enough for the bench to stop the host
// program or re-plug enclosures while it waits.
constexpr std::chrono::seconds kHold{2};

// The request's time-out is the host's business and never crosses the wire: its column
// holds "-".
std::string WireTraceLine(const trace::TraceEntry& entry) {
  std::string line = trace::TraceLine(entry);
  std::size_t at = 0;
  for (int tab = 0; tab < 3; ++tab) at = line.find('\t', at) + 1;
  const std::size_t end = line.find('\t', at);
  return line.replace(at, end - at, "-");
}

trace::TraceResult TraceResultOf(sim::Reply reply) {
  switch (reply) {
    case sim::Reply::Ok:
      return trace::TraceResult::Ok;
    case sim::Reply::Check:
      return trace::TraceResult::Check;
    case sim::Reply::Fail:
    case sim::Reply::LastError:
      break;
  }
  return trace::TraceResult::Fail;
}

}  // namespace

Server::Server(std::vector<Lun> luns, ServerOptions options, FfsFunction& ffs)
    : luns_(std::move(luns)), options_(std::move(options)), ffs_(ffs) {
  if (!options_.traceFile.empty()) {
    // Every enclosure's process appends to the same file, a whole line per write, so the
    // lines keep the order the requests arrived in.
    trace_ = ::open(options_.traceFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  }
}

void Server::Run() {
  std::array<std::uint8_t, 512> buffer{};
  for (;;) {
    const long n = ffs_.ReadOut(buffer);
    if (n < 0) {
      // Unbound, reset or interrupted: the next read waits until the host is back.
      if (n != -ESHUTDOWN && n != -EINTR) usleep(10000);
      continue;
    }
    const std::optional<Cbw> cbw = ParseCbw(std::span(buffer.data(), static_cast<std::size_t>(n)));
    if (!cbw) {
      // Not a command: stall until the host resets the interface.
      ffs_.HaltIn();
      ffs_.WaitForReset();
      continue;
    }
    Serve(*cbw);
  }
}

void Server::Serve(const Cbw& cbw) {
  if (cbw.lun >= luns_.size()) {
    ScsiUnit none(0x1F, {});
    ServeKernelCommand(cbw, none);
    return;
  }
  Lun& lun = luns_[cbw.lun];
  if (IsBridgeCommand(cbw.cdbLength, cbw.cdb[0])) {
    ServeBridgeCommand(cbw, lun);
  } else {
    ServeKernelCommand(cbw, *lun.unit);
  }
}

void Server::ServeKernelCommand(const Cbw& cbw, ScsiUnit& unit) {
  std::vector<std::uint8_t> out;
  if (!cbw.dataIn && cbw.length > 0) {
    out.resize(cbw.length);
    if (!ffs_.ReadOutFully(out)) return;
  }
  const ScsiResult result = unit.Execute(std::span(cbw.cdb.data(), cbw.cdbLength), cbw.length, out);
  std::uint32_t sent = 0;
  if (cbw.dataIn && cbw.length > 0) {
    sent = static_cast<std::uint32_t>(result.data.size());
    if (sent > 0 && !ffs_.WriteIn(result.data)) return;
  } else {
    sent = result.passed ? cbw.length : 0;
  }
  Finish(cbw, sent, cbw.length - sent, result.passed ? CswStatus::Passed : CswStatus::Failed);
}

const WireFault* Server::WireFaultFor(Lun& lun, const std::string& command) {
  const std::optional<sim::Op> op = sim::OpByName(command);
  const std::uint32_t next = op ? lun.device->RequestCount(*op) + 1 : 0;
  for (const WireFault& fault : options_.wireFaults) {
    if (fault.command == command && fault.nth == next) return &fault;
  }
  return nullptr;
}

void Server::ServeBridgeCommand(const Cbw& cbw, Lun& lun) {
  const std::optional<sim::Op> op = sim::DecodeCdb(cbw.cdb);
  // A request without data phase has no direction on the wire; the command's own is taken.
  const bool dataIn = cbw.length > 0 ? cbw.dataIn : (op && sim::Info(*op).dataIn);
  std::vector<std::uint8_t> data(cbw.length);

  trace::TraceEntry entry;
  entry.dataIn = dataIn;
  entry.cdb = std::span(cbw.cdb.data(), cbw.cdbLength);
  entry.length = cbw.length;
  entry.path = lun.device->path();

  const WireFault* fault = op ? WireFaultFor(lun, std::string(sim::Info(*op).name)) : nullptr;
  if (fault != nullptr && fault->kind == WireFault::Kind::Hold) {
    std::cerr << "kelm-bridge-gadget: holding " << fault->command << ' ' << fault->nth << std::endl;
    std::this_thread::sleep_for(kHold);
    fault = nullptr;
  }
  if (fault != nullptr) {
    {
      std::lock_guard lock(state_);
      lun.device->Count(*op);
    }
    Trace(WireTraceLine(entry));
    if (fault->kind == WireFault::Kind::Pull) {
      // Pulled as the command arrives: nothing is done and nothing answered.
      std::ofstream(options_.udcFile) << "\n";
    } else {
      // Never answered: the host times out and resets the interface.
      ffs_.WaitForReset();
    }
    return;
  }

  if (!dataIn && cbw.length > 0 && !ffs_.ReadOutFully(data)) return;
  sim::Response response;
  if (op) {
    std::lock_guard lock(state_);
    response = lun.device->Handle(*op, cbw.cdb, dataIn, data);
  }
  const WireReply reply = MapResponse(response, dataIn, cbw.length);

  if (response.reply == sim::Reply::Check) lun.unit->RefuseUnknownCommand();
  entry.result = TraceResultOf(response.reply);
  entry.transferred = response.transferred;
  entry.data = dataIn ? std::span<const std::uint8_t>(data.data(), std::min<std::size_t>(response.transferred, data.size()))
                      : std::span<const std::uint8_t>(data);
  Trace(WireTraceLine(entry));

  std::uint32_t sent = 0;
  if (dataIn && cbw.length > 0) {
    sent = reply.dataBytes;
    if (sent > 0 && !ffs_.WriteIn(std::span(data.data(), sent))) return;
  }
  Finish(cbw, sent, reply.residue, reply.status);
}

void Server::Finish(const Cbw& cbw, std::uint32_t sent, std::uint32_t residue, CswStatus status) {
  if (cbw.dataIn && StallAfterDataIn(cbw.length, sent, FfsFunction::kFullSpeedPacket)) {
    ffs_.HaltIn();
  }
  const auto csw = EncodeCsw({cbw.tag, residue, status});
  ffs_.WriteIn(csw);
}

void Server::Trace(const std::string& line) {
  if (trace_ >= 0) (void)!::write(trace_, line.data(), line.size());
}

bool Server::WriteDump(std::string& error) {
  if (options_.dumpDir.empty()) return true;
  std::lock_guard lock(state_);
  for (const Lun& lun : luns_) {
    std::vector<std::uint8_t> bytes;
    if (const auto* serial = lun.device->serial()) bytes = serial->bytes();
    if (const auto* parallel = lun.device->parallel()) {
      bytes.insert(bytes.end(), parallel->bytes().begin(), parallel->bytes().end());
    }
    if (!lun.device->serial() && !lun.device->parallel()) continue;
    const std::string name = options_.dumpDir + "/device-" + std::to_string(lun.scenarioIndex) + ".bin";
    std::ofstream file(name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      error = name + ": cannot write the file";
      return false;
    }
  }
  return true;
}

}  // namespace kelm::gadget
