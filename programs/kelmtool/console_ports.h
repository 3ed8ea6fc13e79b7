#pragma once
// The core's outputs on a terminal: message boxes and debugger lines go to standard error,
// the core's standard output to the tool's output.

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace kelm::kelmtool {

class ConsoleMessageBoxes final : public platform::MessageBoxes {
 public:
  void Show(std::string_view caption, std::string_view text, platform::MessageIcon) override {
    std::string line(text);
    for (char& c : line) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    std::fprintf(stderr, "kelmtool: %.*s: %s\n", static_cast<int>(caption.size()), caption.data(),
                 line.c_str());
  }
};

class ConsoleDebugOutput final : public platform::DebugOutput {
 public:
  void OutputDebugString(std::string_view text) override {
    while (text.ends_with('\n')) text.remove_suffix(1);
    std::fprintf(stderr, "kelmtool: debug: %.*s\n", static_cast<int>(text.size()), text.data());
  }
};

class ConsoleStandardOutput final : public platform::StandardOutput {
 public:
  explicit ConsoleStandardOutput(std::FILE* out) : out_(out) {}
  void Write(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
  }

 private:
  std::FILE* out_;
};

}  // namespace kelm::kelmtool
