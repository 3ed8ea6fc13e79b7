#include "programs/fwupdate-sim/window_view.h"

#include <cstdio>

namespace kelm::bench {

namespace {

// Upper-case #RRGGBB; the colour value keeps red in its low byte.
std::string HexColor(window::ColorRef color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", static_cast<unsigned>(color & 0xFF),
                static_cast<unsigned>((color >> 8) & 0xFF), static_cast<unsigned>((color >> 16) & 0xFF));
  return text;
}

std::string TextOf(const FaceView& view, const ControlInfo& control) {
  switch (control.kind) {
    case ControlKind::ProgressBar:
    case ControlKind::Panel:
      return {};
    default:
      return view.Text(control.name);
  }
}

std::string SuffixOf(const FaceView& view, const ControlInfo& control) {
  switch (control.kind) {
    case ControlKind::Label:
      return " color=" + HexColor(view.LabelColor(control.name));
    case ControlKind::CheckBox:
      return view.Checked(control.name) ? " checked" : " unchecked";
    case ControlKind::List:
      return " items=" + std::to_string(view.ItemCount(control.name)) +
             " index=" + std::to_string(view.ItemIndex(control.name));
    case ControlKind::ProgressBar:
      return " pos=" + std::to_string(view.Position(control.name));
    case ControlKind::Button:
    case ControlKind::Edit:
    case ControlKind::Panel:
      break;
  }
  return {};
}

}  // namespace

std::optional<std::string> OutOfReach(const FaceView& view, const ControlInfo& control) {
  if (!view.Has(control.name)) return "missing";
  if (!control.neverShown) {
    const bool panelHidden = control.inRdPanel && view.Has(kRdPanel) && view.Hidden(kRdPanel);
    if (view.Hidden(control.name) || panelHidden) return "hidden";
  }
  if (!view.Enabled(control.name)) return "disabled";
  return std::nullopt;
}

void PrintWindow(const FaceView& view, Transcript& transcript) {
  transcript.Line("window " + std::to_string(view.ClientWidth()) + "x" +
                  std::to_string(view.ClientHeight()) + " " + Quote(view.Caption()));
  for (const ControlInfo& control : kControls) {
    if (!view.Has(control.name)) {
      transcript.Line(std::string(control.name) + " missing");
      continue;
    }
    transcript.Line(std::string(control.name) +
                    (view.Hidden(control.name) ? " hidden" : " visible") +
                    (view.Enabled(control.name) ? " enabled " : " disabled ") +
                    Quote(TextOf(view, control)) + SuffixOf(view, control));
  }
}

}  // namespace kelm::bench
