#include "window/logic/control_events.h"

#include <array>
#include <utility>

#include "window/logic/fw_tool.h"

namespace kelm::window {

namespace {

using Click = void (TZintFwTool::*)();

constexpr std::array<std::pair<std::string_view, Click>, 8> kClicks = {{
    {"EraseButton", &TZintFwTool::EraseButtonClick},
    {"ExitBtn", &TZintFwTool::ExitBtnClick},
    {"ExtBtn", &TZintFwTool::ExitBtnClick},
    {"RefreshBtn", &TZintFwTool::RefreshBtnClick},
    {"UpdateBtn", &TZintFwTool::UpdateBtnClick},
    {"LoadBtn", &TZintFwTool::LoadBtnClick},
    {"BackupBtn", &TZintFwTool::BackupBtnClick},
    {"RdCheckBox", &TZintFwTool::RdCheckBoxClick},
}};

// The two option boxes share one handler, which tells them apart by their tags.
constexpr std::array<std::string_view, 2> kTaggedClicks = {"EraseOnlyCheck", "BackupFWCheckBox"};

// Any of these changing may enable or disable Run.
constexpr std::array<std::string_view, 3> kRunInputs = {"DeviceList", "FlashTypeList",
                                                        "FwFilenameEdit"};

}  // namespace

void OnClick(TZintFwTool& logic, std::string_view control, int tag) {
  for (const auto& [name, handler] : kClicks) {
    if (name == control) (logic.*handler)();
  }
  for (std::string_view name : kTaggedClicks) {
    if (name == control) logic.EraseOnlyCheckClick(tag);
  }
}

void OnChange(TZintFwTool& logic, const Controls& controls, std::string_view control) {
  for (std::string_view name : kRunInputs) {
    if (name == control) logic.UpdateBtnCheck();
  }
  if (control == "FwSizeCheck") logic.FwSizeCheckChange(controls.ItemIndex(control));
  if (control == "FwPgSizeCheck") logic.FwPgSizeCheckChange(controls.ItemIndex(control));
  if (control == "StatusEdit") logic.StatusEditChange(controls.Text(control));
}

}  // namespace kelm::window
