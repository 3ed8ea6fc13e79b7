#pragma once
// The transcript of a headless run: one line per event on standard output.

#include <ostream>
#include <string>
#include <string_view>

namespace kelm::bench {

// `text` (UTF-8) in double quotes, with CR, LF, quote and backslash escaped.
std::string Quote(std::string_view text);

// The core's texts are Latin-1 bytes; the transcript is UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);

// An error message kept on one line whatever the names it quotes hold (an action may carry a
// line feed).
std::string OneLine(std::string text);

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
