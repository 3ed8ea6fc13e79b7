#include "platform/posix/interrupt_hold.h"

#include <unistd.h>

namespace kelm::posix {

namespace {

constexpr std::array kHeldSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The handler may touch only these: a flag and a line prepared before the signals were held.
volatile std::sig_atomic_t interruptedWhileHeld = 0;
const char* noticeText = nullptr;
std::size_t noticeLength = 0;

extern "C" void NoteInterrupt(int) {
  if (interruptedWhileHeld == 0 && noticeText != nullptr) {
    const ssize_t written = write(STDERR_FILENO, noticeText, noticeLength);
    static_cast<void>(written);
  }
  interruptedWhileHeld = 1;
}

}  // namespace

InterruptHold::InterruptHold(std::string notice) : notice_(std::move(notice) + "\n") {}

InterruptHold::~InterruptHold() { Release(); }

void InterruptHold::Hold() {
  static_assert(kHeldSignals.size() == std::tuple_size_v<decltype(previous_)>);
  if (holding_) return;
  noticeText = notice_.c_str();
  noticeLength = notice_.size();
  interruptedWhileHeld = 0;
  struct sigaction held = {};
  held.sa_handler = NoteInterrupt;
  // The transfer under way goes on: an interrupted call is restarted, not failed.
  held.sa_flags = SA_RESTART;
  sigfillset(&held.sa_mask);
  for (std::size_t i = 0; i < kHeldSignals.size(); ++i) sigaction(kHeldSignals[i], &held, &previous_[i]);
  holding_ = true;
}

void InterruptHold::Release() {
  if (!holding_) return;
  for (std::size_t i = 0; i < kHeldSignals.size(); ++i) sigaction(kHeldSignals[i], &previous_[i], nullptr);
  holding_ = false;
}

bool InterruptHold::interrupted() const { return interruptedWhileHeld != 0; }

}  // namespace kelm::posix
