#pragma once
// What kelmtool holds off on Linux while a flash changes: the interrupts (SIGINT, SIGTERM,
// SIGHUP, SIGQUIT), then shutdown and sleep through logind.

#include <memory>

#include "platform/flash_hold_off.h"

namespace kelm::kelmtool {

std::unique_ptr<platform::FlashHoldOff> LinuxHoldOff();

}  // namespace kelm::kelmtool
