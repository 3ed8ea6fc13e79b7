#pragma once
// The design gives these fonts in pixels, which its form file cannot carry; every face applies
// them over the form's family.

#include <array>
#include <string_view>

namespace kelm::window {

struct PixelFont {
  std::string_view control;
  int pixels;
};

inline constexpr std::array<PixelFont, 6> kPixelFonts = {{
    {"devLable", 19},
    {"replugLable1", 19},
    {"replugLable2", 19},
    {"EraseButton", 13},
    {"ExitBtn", 13},
    {"ExtBtn", 13},
}};

}  // namespace kelm::window
