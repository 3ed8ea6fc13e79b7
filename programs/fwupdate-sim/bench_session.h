#pragma once
// One run of the bench, whichever face shows the window: the simulated enclosures, the clock,
// the outputs and the services the window gets, and what happens when the run ends (the
// trace closed, the flash dumps written).

#include <memory>
#include <string>

#include "platform/disk_claim.h"
#include "platform/native_file_store.h"
#include "platform/sim/sim_platform.h"
#include "programs/fwupdate-sim/bench_inputs.h"
#include "programs/fwupdate-sim/bench_ports.h"
#include "programs/fwupdate-sim/transcript.h"
#include "window/logic/window_environment.h"

namespace kelm::bench {

class BenchSession {
 public:
  // Headless (`transcript` given): virtual time, every output into the transcript, message
  // boxes answered at once. On a display: real time, outputs on the console, and `boxes`
  // shows the message boxes.
  BenchSession(BenchInputs& inputs, Transcript& transcript);
  BenchSession(BenchInputs& inputs, platform::MessageBoxes& boxes);
  ~BenchSession();
  BenchSession(const BenchSession&) = delete;
  BenchSession& operator=(const BenchSession&) = delete;

  // What the window is handed; its status changes go into the transcript when there is one.
  ui::WindowEnvironment Environment(ui::FileDialog& dialog, std::string programDir);

  sim::SimPlatform& sim() { return sim_; }
  SimNotifications& enclosures() { return enclosures_; }
  ScriptedFileDialog& scriptedDialog() { return scriptedDialog_; }
  platform::MessageBoxes& boxes() { return *boxes_; }

  // Ends the run: no more trace lines, the dumps written, and headless the elapsed time.
  // Returns the program's exit status.
  int Finish();

 private:
  BenchSession(BenchInputs& inputs, Transcript* transcript, platform::MessageBoxes* boxes);

  BenchInputs& inputs_;
  Transcript* transcript_;
  sim::SimPlatform sim_;
  sim::SimClock clock_;
  std::unique_ptr<platform::DebugOutput> debug_;
  std::unique_ptr<platform::StandardOutput> out_;
  std::unique_ptr<platform::MessageBoxes> transcriptBoxes_;
  platform::MessageBoxes* boxes_;
  platform::NativeFileStore files_;
  platform::Services services_;
  SimNotifications enclosures_;
  // Nothing else can use a simulated drive.
  platform::UncontestedDiskClaim claim_;
  ScriptedFileDialog scriptedDialog_;
};

}  // namespace kelm::bench
