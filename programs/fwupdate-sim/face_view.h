#pragma once
// The window as a script sees it, whichever face shows it: each control by its name in the
// design, its state as a person would see it, and a person's clicks, choices and typing.

#include <string>
#include <string_view>

#include "window/logic/controls.h"

namespace kelm::bench {

class FaceView {
 public:
  virtual ~FaceView() = default;

  virtual bool Has(std::string_view name) const = 0;
  // The control's own visibility flag: off means hidden, whatever its panel does.
  virtual bool Hidden(std::string_view name) const = 0;
  virtual bool Enabled(std::string_view name) const = 0;
  // The caption, the edit's text or the list's selected item.
  virtual std::string Text(std::string_view name) const = 0;
  virtual window::ColorRef LabelColor(std::string_view name) const = 0;
  virtual bool Checked(std::string_view box) const = 0;
  virtual int ItemCount(std::string_view list) const = 0;
  virtual int ItemIndex(std::string_view list) const = 0;
  virtual int Position(std::string_view bar) const = 0;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  virtual std::string Caption() const = 0;

  // A person's click on an enabled button or check box.
  virtual void Click(std::string_view name) = 0;
  // What a click on the button would call, even while it is disabled (a device event's refresh).
  virtual void Clicked(std::string_view name) = 0;
  // A person's choice of a list's item, and a person's edit of a text field.
  virtual void Choose(std::string_view list, int index) = 0;
  virtual void Type(std::string_view edit, std::string_view text) = 0;

  // Lets queued work happen (a deferred close, queued notifications).
  virtual void ProcessMessages() = 0;
  // False once the window has closed.
  virtual bool Open() const = 0;
};

}  // namespace kelm::bench
