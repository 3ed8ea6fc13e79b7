#pragma once
// The transcript of a headless run: one line per event on standard output.

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace kelm::bench {

// `text` (UTF-8) in double quotes, with CR, LF, quote and backslash escaped.
std::string Quote(std::string_view text);

// The core's texts are Latin-1 bytes; the transcript is UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);

class Transcript {
 public:
  explicit Transcript(std::ostream& out) : out_(out) {}

  // One whole line; starts on a fresh line if raw output left one open.
  void Line(std::string_view text);
  // Text written as it is (the program's own standard output).
  void Raw(std::string_view text);

  // Runs before anything is written, so an observer can report what happened first.
  void SetBeforeWrite(std::function<void()> hook) { beforeWrite_ = std::move(hook); }

 private:
  void BeforeWrite();

  std::ostream& out_;
  bool midLine_ = false;
  std::function<void()> beforeWrite_;
  bool inHook_ = false;
};

}  // namespace kelm::bench
