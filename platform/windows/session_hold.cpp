#include "platform/windows/session_hold.h"

#include "platform/windows/win32_calls.h"

namespace kelm::windows {

SessionHold::SessionHold(const Win32Calls& calls) : calls_(calls) {}

SessionHold::~SessionHold() { Release(); }

void SessionHold::Hold() {
  if (held_) return;
  held_ = true;
  calls_.SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
  if (window_ != nullptr) calls_.ShutdownBlockReasonCreate(window_, kShutdownBlockReason);
}

void SessionHold::Release() {
  if (!held_) return;
  held_ = false;
  if (window_ != nullptr) calls_.ShutdownBlockReasonDestroy(window_);
  calls_.SetThreadExecutionState(ES_CONTINUOUS);
}

}  // namespace kelm::windows
