#include "programs/kelmtool/windows_replug_watch.h"

#include <utility>

#include "programs/kelmtool/machine_side.h"

namespace kelm::kelmtool {

bool DeviceChangeReplugWatch::AwaitReplug(const std::function<bool()>& foundAgain) {
  return AwaitRemovalThenArrival(
      out_,
      [&](DeviceChangeHandler handler) {
        notifications_.Register(std::move(handler));
        return notifications_.Registered();
      },
      [&](std::chrono::milliseconds left) {
        notifications_.Pump(static_cast<std::uint32_t>(left.count()));
      },
      foundAgain);
}

}  // namespace kelm::kelmtool
