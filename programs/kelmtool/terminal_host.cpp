#include "programs/kelmtool/terminal_host.h"

#include <algorithm>

#include "platform/text/printable_text.h"

namespace kelm::kelmtool {

namespace {

constexpr int kBarWidth = 40;

std::string WithoutLineEnds(std::string_view text) {
  std::string line(text);
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

// The engine appends a dot per erased block or written page: progress, not a new message.
bool OnlyDotsAdded(std::string_view before, std::string_view after) {
  if (before.empty() || !after.starts_with(before)) return false;
  const std::string_view added = after.substr(before.size());
  return std::all_of(added.begin(), added.end(), [](char c) { return c == '.'; });
}

}  // namespace

TerminalHost::TerminalHost(const platform::Services& io, platform::Options options,
                           std::FILE* out, bool drawBar)
    : io_(&io), options_(std::move(options)), out_(out), drawBar_(drawBar) {}

TerminalHost::TerminalHost(std::FILE* out, bool drawBar) : io_(nullptr), out_(out), drawBar_(drawBar) {}

const platform::Services& TerminalHost::services() {
  if (io_ == nullptr) throw std::logic_error("the procedure runs in the service, not here");
  return *io_;
}

TerminalHost::~TerminalHost() { Finish(); }

void TerminalHost::SetStatus(std::string_view text) {
  status_ = std::string(text);
  const std::string line = WithoutLineEnds(text);
  if (line.empty() || line == printed_ || OnlyDotsAdded(printed_, line)) return;
  printed_ = line;
  if (!holdLatest_) return PrintLine(line);
  if (!held_.empty()) PrintLine(held_);
  held_ = line;
}

void TerminalHost::PrintLine(const std::string& line) {
  ClearBar();
  std::fprintf(out_, "%s\n", text::Latin1ToUtf8(line).c_str());
  DrawBar();
}

void TerminalHost::AdvanceProgress(std::int32_t step) {
  progress_ = std::clamp(progress_ + step, 0, 100);
  DrawBar();
}

void TerminalHost::DrawBar() {
  if (!drawBar_) return;
  const int filled = progress_ * kBarWidth / 100;
  std::fprintf(out_, "\r[%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(kBarWidth - filled), ' ').c_str(), progress_);
  std::fflush(out_);
  barShown_ = true;
}

void TerminalHost::ClearBar() {
  if (!barShown_) return;
  std::fprintf(out_, "\r%*s\r", kBarWidth + 8, "");
  barShown_ = false;
}

void TerminalHost::Complete() {
  progress_ = 100;
  DrawBar();
}

void TerminalHost::Finish() {
  if (!held_.empty()) PrintLine(DropHeldLine());
  if (barShown_) std::fprintf(out_, "\n");
  barShown_ = false;
  std::fflush(out_);
}

}  // namespace kelm::kelmtool
