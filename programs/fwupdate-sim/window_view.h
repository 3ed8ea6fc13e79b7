#pragma once
// Reading the window as a script sees it: whether a person could reach a control, and the
// `show` block.

#include <optional>
#include <string>

#include "programs/fwupdate-sim/control_table.h"
#include "programs/fwupdate-sim/face_view.h"
#include "programs/fwupdate-sim/transcript.h"

namespace kelm::bench {

// "hidden" or "disabled" when a person could not reach the control; nothing when they could.
std::optional<std::string> OutOfReach(const FaceView& view, const ControlInfo& control);

// `window <W>x<H> "<CAPTION>"`, then one line per control in design order.
void PrintWindow(const FaceView& view, Transcript& transcript);

}  // namespace kelm::bench
