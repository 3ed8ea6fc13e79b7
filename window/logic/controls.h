#pragma once
// How the window's logic reaches the designed controls: by their names in the design, through
// whichever face shows them. Texts are UTF-8.

#include <cstdint>
#include <string>
#include <string_view>

namespace kelm::window {

// Colour values as the design gives them: red in the low byte, then green, then blue.
using ColorRef = std::uint32_t;
inline constexpr ColorRef kRed = 0x0000FF;
inline constexpr ColorRef kBlack = 0x000000;

struct ProgressRange {
  int minimum = 0;
  int maximum = 0;
};

// One control by name. A labelled edit's caption comes and goes with the edit.
// Changes the logic makes to a list's items or index notify nobody (the logic knows); a
// change of an edit's text reaches the edit's change handler as a person's edit would.
class Controls {
 public:
  virtual ~Controls() = default;

  // Whether the control itself is shown, whether or not the window is.
  virtual bool Visible(std::string_view control) const = 0;
  virtual void SetVisible(std::string_view control, bool shown) = 0;
  virtual bool Enabled(std::string_view control) const = 0;
  virtual void SetEnabled(std::string_view control, bool enabled) = 0;
  virtual std::string Text(std::string_view control) const = 0;
  virtual void SetText(std::string_view control, std::string_view text) = 0;
  virtual void SetColor(std::string_view control, ColorRef color) = 0;
  virtual int Height(std::string_view control) const = 0;

  virtual int ItemCount(std::string_view list) const = 0;
  virtual void ClearItems(std::string_view list) = 0;
  virtual void AddItem(std::string_view list, std::string_view text) = 0;
  virtual std::string ItemText(std::string_view list, int index) const = 0;
  // -1 when nothing is selected.
  virtual int ItemIndex(std::string_view list) const = 0;
  virtual void SetItemIndex(std::string_view list, int index) = 0;

  virtual bool Checked(std::string_view box) const = 0;
  virtual void SetChecked(std::string_view box, bool checked) = 0;

  virtual int Position(std::string_view bar) const = 0;
  virtual ProgressRange Range(std::string_view bar) const = 0;
  // Shown at once, even while a procedure keeps the message loop waiting.
  virtual void SetPosition(std::string_view bar, int position) = 0;
};

// The window around the controls.
class Frame {
 public:
  virtual ~Frame() = default;
  virtual void SetClientSize(int width, int height) = 0;
  // Asks the window to close; the logic's CloseRequested decides.
  virtual void Close() = 0;
  // The same, once the message loop runs again.
  virtual void CloseLater() = 0;
  // One pass of the message loop.
  virtual void ProcessMessages() = 0;
};

}  // namespace kelm::window
