#pragma once
// Which handler a control's click or change calls: one table for every face, so a face only
// says which control was clicked or changed.

#include <string_view>

#include "window/logic/controls.h"

namespace kelm::window {

class TZintFwTool;

// A person clicked the button or check box `control` (after a check box changed its state).
// `tag` is the design's tag of the control (-1 without one). Controls without a handler do
// nothing.
void OnClick(TZintFwTool& logic, std::string_view control, int tag);

// The list's selected item or the edit's text changed; the handler reads the new value from
// `controls`. Controls without a handler do nothing.
void OnChange(TZintFwTool& logic, const Controls& controls, std::string_view control);

}  // namespace kelm::window
