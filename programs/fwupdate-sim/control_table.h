#pragma once
// The window's controls in the order of its design table, with what the bench needs to know
// about each: how to read its state and whether a script may reach it while it is hidden.

#include <array>
#include <optional>
#include <string_view>

namespace kelm::bench {

enum class ControlKind { Label, Button, CheckBox, List, Edit, ProgressBar, Panel };

struct ControlInfo {
  std::string_view name;
  ControlKind kind;
  bool neverShown;  // kept hidden by the design; scripts reach it as an engineering build would
  bool inRdPanel;   // hidden whenever the engineering panel is
};

inline constexpr std::string_view kRdPanel = "RdPanel";

inline constexpr std::array<ControlInfo, 33> kControls = {{
    {"devLable", ControlKind::Label, false, false},
    {"replugLable1", ControlKind::Label, false, false},
    {"replugLable2", ControlKind::Label, false, false},
    {"EraseButton", ControlKind::Button, false, false},
    {"ExitBtn", ControlKind::Button, false, false},
    {"ExtBtn", ControlKind::Button, false, false},
    {"FwUpdatBar", ControlKind::ProgressBar, false, false},
    {"RefreshBtn", ControlKind::Button, true, false},
    {"DeviceList", ControlKind::List, true, false},
    {"ChipLabelEdit", ControlKind::Edit, true, false},
    {"DiskLetterLable", ControlKind::Edit, true, false},
    {"FwVerLableEdit", ControlKind::Edit, true, false},
    {"SFlashTypeLable", ControlKind::Edit, false, false},
    {"FlashTypeList", ControlKind::List, true, false},
    {"FlashTypeLabel", ControlKind::Label, true, false},
    {"FwFilenameEdit", ControlKind::Edit, true, false},
    {"LoadBtn", ControlKind::Button, true, false},
    {"StatusEdit", ControlKind::Edit, true, false},
    {"UpdateBtn", ControlKind::Button, true, false},
    {"FwPgSizeCheck", ControlKind::List, true, false},
    {"RdCheckBox", ControlKind::CheckBox, true, false},
    {"diskLabel", ControlKind::Label, true, false},
    {"Label1", ControlKind::Label, true, false},
    {"Panel1", ControlKind::Panel, true, false},
    {"RdPanel", ControlKind::Panel, false, false},
    {"A1ChipCheck", ControlKind::CheckBox, false, true},
    {"EraseOnlyCheck", ControlKind::CheckBox, false, true},
    {"NVRAMCheck", ControlKind::CheckBox, false, true},
    {"BackupFWCheckBox", ControlKind::CheckBox, false, true},
    {"FwSizeCheck", ControlKind::List, false, true},
    {"FwSizeLable", ControlKind::Label, false, true},
    {"BackupBtn", ControlKind::Button, false, true},
    {"BackupFileEdit", ControlKind::Edit, false, true},
}};

constexpr std::optional<ControlInfo> FindControlInfo(std::string_view name) {
  for (const ControlInfo& control : kControls) {
    if (control.name == name) return control;
  }
  return std::nullopt;
}

}  // namespace kelm::bench
