#include "programs/kelmtool/linux_hold_off.h"

#include "platform/linux/logind_inhibitor.h"
#include "platform/posix/interrupt_hold.h"
#include "programs/kelmtool/tool.h"

namespace kelm::kelmtool {

std::unique_ptr<platform::FlashHoldOff> LinuxHoldOff() {
  auto holdOff = std::make_unique<platform::FlashHoldOffs>();
  holdOff->Add(std::make_unique<posix::InterruptHold>(kInterruptNotice));
  holdOff->Add(std::make_unique<linux_platform::LogindInhibitor>(
      "kelmtool", [](const std::string& why) { TellError(why); }));
  return holdOff;
}

}  // namespace kelm::kelmtool
