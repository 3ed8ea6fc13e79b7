#include "platform/windows/console_interrupt_hold.h"

#include <atomic>

#include "platform/windows/win32_calls.h"

namespace kelm::windows {

namespace {

// The system calls the handler on a thread of its own: the hold it serves and what it noted.
std::atomic<ConsoleInterruptHold*> activeHold{nullptr};
std::atomic<bool> interruptedWhileHeld{false};
std::function<void()>* tellActive = nullptr;

BOOL WINAPI HoldConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (activeHold.load() == nullptr) return FALSE;
  if (!interruptedWhileHeld.exchange(true) && tellActive != nullptr && *tellActive) (*tellActive)();
  return TRUE;
}

}  // namespace

ConsoleInterruptHold::ConsoleInterruptHold(const Win32Calls& calls, std::function<void()> tell)
    : calls_(calls), tell_(std::move(tell)) {}

ConsoleInterruptHold::~ConsoleInterruptHold() { Release(); }

void ConsoleInterruptHold::Hold() {
  if (holding_) return;
  interruptedWhileHeld = false;
  tellActive = &tell_;
  activeHold = this;
  holding_ = calls_.SetConsoleCtrlHandler(HoldConsoleEvent, TRUE) != FALSE;
  if (!holding_) activeHold = nullptr;
}

void ConsoleInterruptHold::Release() {
  if (!holding_) return;
  calls_.SetConsoleCtrlHandler(HoldConsoleEvent, FALSE);
  activeHold = nullptr;
  holding_ = false;
}

bool ConsoleInterruptHold::interrupted() const { return interruptedWhileHeld.load(); }

}  // namespace kelm::windows
