#pragma once
// The transcript of a headless run: one line per event on standard output.

#include <ostream>
#include <string>
#include <string_view>

#include "platform/text/printable_text.h"

namespace kelm::bench {

using text::Latin1ToUtf8;
using text::OneLine;
using text::Quote;

class Transcript {
 public:
  explicit Transcript(std::ostream& out) : out_(out) {}

  // One whole line; starts on a fresh line if raw output left one open.
  void Line(std::string_view text);
  // Text written as it is (the program's own standard output).
  void Raw(std::string_view text);

 private:
  std::ostream& out_;
  bool midLine_ = false;
};

}  // namespace kelm::bench
