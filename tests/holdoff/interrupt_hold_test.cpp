// kelmtool's hold on interrupts, in a child process each: while held, SIGINT, SIGTERM, SIGHUP
// and SIGQUIT are told once and noted, and the process lives on; released, the signals act
// again as they did before.

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>

#include "platform/posix/interrupt_hold.h"

namespace kelm::test {
namespace {

constexpr char kNotice[] = "held: the flash is being written";

class InterruptHoldDeath : public ::testing::TestWithParam<int> {};

TEST_P(InterruptHoldDeath, AHeldSignalIsToldOnceAndTheProcessEndsAfterTheRelease) {
  EXPECT_EXIT(
      {
        posix::InterruptHold hold(kNotice);
        hold.Hold();
        std::raise(GetParam());
        std::raise(GetParam());
        std::raise(SIGTERM);
        hold.Release();
        _exit(hold.interrupted() ? 130 : 0);
      },
      ::testing::ExitedWithCode(130), std::string("^") + kNotice + "\n$");
}

TEST_P(InterruptHoldDeath, OnceReleasedTheSignalStopsTheProcessAtOnce) {
  EXPECT_EXIT(
      {
        posix::InterruptHold hold(kNotice);
        hold.Hold();
        hold.Release();
        std::raise(GetParam());
        _exit(0);
      },
      ::testing::KilledBySignal(GetParam()), "");
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptHoldDeath, ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGQUIT),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

TEST(InterruptHold, NothingInterruptedWhenNoSignalCame) {
  posix::InterruptHold hold(kNotice);
  hold.Hold();
  hold.Release();
  EXPECT_FALSE(hold.interrupted());
}

}  // namespace
}  // namespace kelm::test
