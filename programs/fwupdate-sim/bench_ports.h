#pragma once
// The ports a bench run hands the window: outputs into the transcript (headless) or the
// console (on a display), the simulated enclosures' plug events, and a file dialog a script
// answers.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/host.h"
#include "platform/sim/sim_platform.h"
#include "programs/fwupdate-sim/transcript.h"
#include "window/logic/window_environment.h"

namespace kelm::bench {

class TranscriptDebugOutput final : public platform::DebugOutput {
 public:
  explicit TranscriptDebugOutput(Transcript& transcript) : transcript_(transcript) {}
  void OutputDebugString(std::string_view text) override;

 private:
  Transcript& transcript_;
};

class TranscriptStandardOutput final : public platform::StandardOutput {
 public:
  explicit TranscriptStandardOutput(Transcript& transcript) : transcript_(transcript) {}
  void Write(std::string_view text) override { transcript_.Raw(text); }

 private:
  Transcript& transcript_;
};

// Every box is answered OK at once.
class TranscriptMessageBoxes final : public platform::MessageBoxes {
 public:
  explicit TranscriptMessageBoxes(Transcript& transcript) : transcript_(transcript) {}
  void Show(std::string_view caption, std::string_view text, platform::MessageIcon icon) override;

 private:
  Transcript& transcript_;
};

// On a display the debugger channel is standard error.
class ConsoleDebugOutput final : public platform::DebugOutput {
 public:
  void OutputDebugString(std::string_view text) override;
};

class ConsoleStandardOutput final : public platform::StandardOutput {
 public:
  void Write(std::string_view text) override;
};


// What a script does to the enclosures: pull them all, put them all back, or send the window
// a device-change message. Each plug change ends with one event as the window sees it.
class EnclosureHands {
 public:
  virtual ~EnclosureHands() = default;
  virtual void Unplug() = 0;
  virtual void Plug() = 0;
  virtual void Send(std::uint32_t eventCode) = 0;
};

// The bench's hands on the simulated enclosures: each plug change is followed by the
// device-change event the operating system would send.
class SimNotifications final : public platform::DeviceNotifications, public EnclosureHands {
 public:
  explicit SimNotifications(sim::SimPlatform& sim) : sim_(sim) {}
  void Register(Handler handler) override { handler_ = std::move(handler); }

  void Unplug() override;
  void Plug() override;
  void Send(std::uint32_t eventCode) override;

 private:
  sim::SimPlatform& sim_;
  Handler handler_;
};

// Answers with what the script said last; nothing means cancelled.
class ScriptedFileDialog final : public ui::FileDialog {
 public:
  void SetAnswer(std::optional<std::string> answer) { answer_ = std::move(answer); }
  std::optional<std::string> GetOpenFileName(const std::string& initialDir,
                                             const std::string& filter) override;

 private:
  std::optional<std::string> answer_;
};

}  // namespace kelm::bench
