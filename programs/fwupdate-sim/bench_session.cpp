#include "programs/fwupdate-sim/bench_session.h"

#include <iostream>
#include <utility>

namespace kelm::bench {

BenchSession::BenchSession(BenchInputs& inputs, Transcript& transcript)
    : BenchSession(inputs, &transcript, nullptr) {}

BenchSession::BenchSession(BenchInputs& inputs, platform::MessageBoxes& boxes)
    : BenchSession(inputs, nullptr, &boxes) {}

BenchSession::BenchSession(BenchInputs& inputs, Transcript* transcript,
                           platform::MessageBoxes* boxes)
    : inputs_(inputs),
      transcript_(transcript),
      sim_(std::move(inputs.scenario)),
      clock_(transcript == nullptr),
      debug_(transcript != nullptr
                 ? std::unique_ptr<platform::DebugOutput>(new TranscriptDebugOutput(*transcript))
                 : std::make_unique<ConsoleDebugOutput>()),
      out_(transcript != nullptr
               ? std::unique_ptr<platform::StandardOutput>(new TranscriptStandardOutput(*transcript))
               : std::make_unique<ConsoleStandardOutput>()),
      transcriptBoxes_(transcript != nullptr ? std::make_unique<TranscriptMessageBoxes>(*transcript)
                                             : nullptr),
      boxes_(transcript != nullptr ? transcriptBoxes_.get() : boxes),
      services_{sim_, sim_, clock_, *debug_, *out_, *boxes_, inputs.images, files_},
      enclosures_(sim_) {
  sim_.SetTrace(inputs.trace.get());
}

BenchSession::~BenchSession() { sim_.SetTrace(nullptr); }

ui::WindowEnvironment BenchSession::Environment(ui::FileDialog& dialog, std::string programDir) {
  ui::WindowEnvironment env{services_, enclosures_, dialog, claim_, std::move(programDir)};
  if (transcript_ != nullptr) {
    env.statusChanged = [transcript = transcript_](const std::string& status) {
      transcript->Line("status: " + Quote(status));
    };
  }
  return env;
}

int BenchSession::Finish() {
  sim_.SetTrace(nullptr);
  int status = 0;
  if (inputs_.dumpDir) {
    std::string error;
    if (!WriteDumpFolder(sim_, *inputs_.dumpDir, error)) {
      std::cerr << "kelm-fwupdate-sim: " << error << std::endl;
      status = 1;
    }
  }
  if (transcript_ != nullptr) transcript_->Line("elapsed-ms: " + std::to_string(clock_.ElapsedMs()));
  return status;
}

}  // namespace kelm::bench
