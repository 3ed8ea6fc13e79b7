#include "programs/fwupdate-sim/bench_ports.h"

#include <iostream>

namespace kelm::bench {

void TranscriptDebugOutput::OutputDebugString(std::string_view text) {
  transcript_.Line("debug: " + Quote(Latin1ToUtf8(text)));
}

void TranscriptMessageBoxes::Show(std::string_view caption, std::string_view text,
                                  platform::MessageIcon) {
  transcript_.Line("msgbox " + Latin1ToUtf8(caption) + ": " + Latin1ToUtf8(text));
}

void ConsoleDebugOutput::OutputDebugString(std::string_view text) {
  std::cerr << "debug: " << Quote(Latin1ToUtf8(text)) << std::endl;
}

void ConsoleStandardOutput::Write(std::string_view text) { std::cout << text << std::flush; }

std::optional<std::string> ScriptedFileDialog::GetOpenFileName(const std::string&,
                                                               const std::string&) {
  return answer_;
}

}  // namespace kelm::bench
