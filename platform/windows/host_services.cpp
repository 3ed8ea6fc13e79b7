#include "platform/windows/host_services.h"

#include <string>

#include "platform/windows/win32_calls.h"

namespace kelm::windows {

void WindowsClock::Sleep(std::uint32_t milliseconds) { calls_.Sleep(milliseconds); }

void WindowsDebugOutput::OutputDebugString(std::string_view text) {
  calls_.OutputDebugStringA(std::string(text).c_str());
}

}  // namespace kelm::windows
