#include "device/flash_change_span.h"

#include <algorithm>
#include <array>

#include "device/commands.h"

namespace kelm::device {

namespace {

constexpr std::array kChangingCommands = {
    Command::EraseParallelFlash, Command::ProgramParallelFlash, Command::PreEraseParallelFlash,
    Command::WriteFlash,         Command::EraseWholeFlash,      Command::EraseFlashSector,
};

// The bridge tells its commands apart by the first three CDB bytes.
constexpr std::size_t kOpcodeBytes = 3;

}  // namespace

bool ChangesFlash(const platform::PassThroughRequest& request) {
  return std::any_of(kChangingCommands.begin(), kChangingCommands.end(), [&](Command command) {
    const Cdb& cdb = Definition(command).cdb;
    return std::equal(cdb.begin(), cdb.begin() + kOpcodeBytes, request.Cdb.begin());
  });
}

FlashChangeSpan::FlashChangeSpan(const platform::Services& io, platform::FlashHoldOff& holdOff)
    : holdOff_(holdOff),
      file_(io.file, holdOff),
      services_{file_, io.setup, io.clock, io.debug, io.out, io.boxes, io.images, io.files} {}

void FlashChangeSpan::End() {
  if (!file_.held()) return;
  file_.Forget();
  holdOff_.Release();
}

bool FlashChangeSpan::WatchingFile::Control(platform::Handle handle, std::uint32_t code,
                                            platform::PassThroughRequest& request) {
  if (!held_ && ChangesFlash(request)) {
    held_ = true;
    holdOff_.Hold();
  }
  return inner_.Control(handle, code, request);
}

}  // namespace kelm::device
