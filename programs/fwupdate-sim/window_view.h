#pragma once
// Reading the window as a script sees it: controls by name, whether a person could reach
// them, and the `show` block.

#include <optional>
#include <string>
#include <string_view>

#include "programs/fwupdate-sim/control_table.h"
#include "programs/fwupdate-sim/transcript.h"

class QWidget;

namespace kelm::bench {

QWidget* FindControl(QWidget& window, std::string_view name);

// "hidden" or "disabled" when a person could not reach the control; nothing when they could.
std::optional<std::string> OutOfReach(QWidget& window, const ControlInfo& control);

// `window <W>x<H> "<CAPTION>"`, then one line per control in design order.
void PrintWindow(QWidget& window, Transcript& transcript);

}  // namespace kelm::bench
