// What holds a flash in progress to its end on Windows, through the replaced Win32 table:
// kelmtool.exe's console handler takes Ctrl+C and Ctrl+Break while held (not a closed
// console), and the session hold keeps the system awake and registers the window's reason.

#include <gtest/gtest.h>

#include "platform/windows/console_interrupt_hold.h"
#include "platform/windows/session_hold.h"
#include "tests/windows/fake_windows.h"

namespace kelm::test {
namespace {

TEST(ConsoleInterruptHold, HoldsCtrlCAndCtrlBreakWhileHeldAndTellsOnce) {
  ResetFake();
  int told = 0;
  windows::ConsoleInterruptHold hold(FakeCalls(), [&] { ++told; });

  hold.Hold();
  ASSERT_NE(Fake().consoleHandler, nullptr);
  EXPECT_EQ(Fake().consoleHandler(CTRL_C_EVENT), TRUE);
  EXPECT_EQ(Fake().consoleHandler(CTRL_BREAK_EVENT), TRUE);
  EXPECT_EQ(Fake().consoleHandler(CTRL_C_EVENT), TRUE);
  EXPECT_EQ(Fake().consoleHandler(CTRL_CLOSE_EVENT), FALSE) << "a closed console is the system's";
  hold.Release();

  EXPECT_EQ(told, 1);
  EXPECT_TRUE(hold.interrupted());
  EXPECT_EQ(Fake().consoleHandlerAdds, (std::vector<BOOL>{TRUE, FALSE}));
  EXPECT_EQ(Fake().consoleHandler(CTRL_C_EVENT), FALSE) << "released, Ctrl+C ends the program";
}

TEST(ConsoleInterruptHold, NothingNotedWithoutAnInterrupt) {
  ResetFake();
  windows::ConsoleInterruptHold hold(FakeCalls(), [] {});
  hold.Hold();
  hold.Release();
  EXPECT_FALSE(hold.interrupted());
}

TEST(SessionHold, KeepsTheSystemAwakeAndRegistersTheWindowsReasonWhileHeld) {
  ResetFake();
  windows::SessionHold hold(FakeCalls());
  const HWND window = reinterpret_cast<HWND>(0x4242);
  hold.SetWindow(window);

  hold.Hold();
  EXPECT_EQ(Fake().blockWindow, window);
  EXPECT_EQ(Fake().blockReason, L"Updating the firmware of an enclosure");
  hold.Release();

  EXPECT_EQ(Fake().executionStates,
            (std::vector<EXECUTION_STATE>{ES_CONTINUOUS | ES_SYSTEM_REQUIRED, ES_CONTINUOUS}));
  EXPECT_EQ(Fake().calls, (std::vector<std::string>{"SetThreadExecutionState", "ShutdownBlockReasonCreate",
                                                    "ShutdownBlockReasonDestroy", "SetThreadExecutionState"}));
}

}  // namespace
}  // namespace kelm::test
