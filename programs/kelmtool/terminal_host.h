#pragma once
// The procedures' host on a terminal: each new status text is a line, the progress a bar
// redrawn in place (only when the output is a terminal; a pipe gets the lines alone).

#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/host.h"

namespace kelm::kelmtool {

class TerminalHost final : public platform::Host {
 public:
  TerminalHost(const platform::Services& io, platform::Options options, std::FILE* out,
               bool drawBar);
  // A host for a procedure that runs elsewhere (in the firmware update service): it only shows
  // what the procedure said, and has no services to give.
  TerminalHost(std::FILE* out, bool drawBar);
  ~TerminalHost() override;

  const platform::Services& services() override;
  void SetStatus(std::string_view text) override;
  std::string Status() const override { return status_; }
  void ProcessMessages() override {}
  void AdvanceProgress(std::int32_t step) override;
  platform::Options options() const override { return options_; }

  // Fills the bar: the procedure succeeded, though its steps may add up to less than 100.
  void Complete();
  // Ends the bar's line so that what follows starts on a fresh one, after the held line.
  void Finish();
  // From now on each status line waits for the next one, or Finish, before it is printed,
  // so that a failure's status can be said once, as the run's error.
  void HoldLatestLine() { holdLatest_ = true; }
  // The status line held back, never printed; empty when none is.
  std::string DropHeldLine() { return std::exchange(held_, {}); }

 private:
  void DrawBar();
  void ClearBar();
  void PrintLine(const std::string& line);

  const platform::Services* io_;
  platform::Options options_;
  std::FILE* out_;
  bool drawBar_;
  bool barShown_ = false;
  int progress_ = 0;
  std::string status_;
  std::string printed_;  // the last status text written as a line (or held)
  bool holdLatest_ = false;
  std::string held_;
};

}  // namespace kelm::kelmtool
