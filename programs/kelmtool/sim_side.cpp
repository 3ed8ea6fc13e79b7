// kelmtool on the simulated bench: --scenario, --images and --dump with the sim program's
// meanings, the trace written by the bench's own device file.

#include <memory>

#include "flash/embedded_image_table.h"
#include "platform/native_file_store.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/text.h"
#include "programs/fwupdate-sim/bench_inputs.h"
#include "programs/kelmtool/console_ports.h"
#include "programs/kelmtool/tool.h"
#include "programs/kelmtool/tool_support.h"

namespace kelm::kelmtool {

namespace {

// A drive is named by its interface path, without regard to ASCII letter case as the
// bench's device namespace does.
class SimDriveLocator final : public DriveLocator {
 public:
  DriveNodes Describe(const std::string&) const override { return {}; }
  std::optional<std::string> Match(const std::string& argument,
                                   const std::vector<std::string>& paths) const override {
    for (const std::string& path : paths) {
      if (sim::EqualsIgnoringCase(path, argument)) return path;
    }
    return std::nullopt;
  }
  bool TakesSyntheticImages(const std::string&) const override { return true; }
};

// On the bench the tool's own hands unplug and plug the enclosures; what comes back is for the
// report after the re-plug to say.
class SimReplug final : public EnclosureWatch {
 public:
  explicit SimReplug(sim::SimPlatform& sim) : sim_(sim) {}
  bool AwaitReplug(const std::function<bool()>&) override {
    sim_.Unplug();
    sim_.Plug();
    return true;
  }

 private:
  sim::SimPlatform& sim_;
};

}  // namespace

int RunOnSimulatedBench(const CommandLine& line, std::FILE* out, const BenchWatch& watchFor) {
  bench::CommandLine benchLine;
  benchLine.scenario = line.scenario;
  benchLine.images = line.images;
  benchLine.trace = line.trace;
  benchLine.dump = line.dump;
  bench::BenchInputs inputs;
  std::optional<sim::SimPlatform> sim;
  try {
    // As a script would: nothing here needs a display.
    inputs = bench::LoadInputs(benchLine, true, flash::kelm_images_test_table());
    sim.emplace(std::move(inputs.scenario));
  } catch (const std::exception& error) {
    TellError(error.what());
    return kExitBadInput;
  }
  if (line.images) {
    for (const std::string& refusal : bench::RefusedImageLines(*line.images, inputs.images)) TellError(refusal);
  }
  sim->SetTrace(inputs.trace.get());

  sim::SimClock clock(false);
  ConsoleDebugOutput debug;
  ConsoleStandardOutput standardOutput(out);
  ConsoleMessageBoxes boxes;
  platform::NativeFileStore files;
  const platform::Services io{*sim, *sim, clock, debug, standardOutput, boxes, inputs.images, files};
  platform::UncontestedDiskClaim claim;
  SimDriveLocator locator;
  SimReplug hands(*sim);
  const std::unique_ptr<EnclosureWatch> watch = watchFor ? watchFor(*sim) : nullptr;
  const ToolEnvironment env{io, claim, files, locator, watch ? *watch : hands};

  int status = RunTool(line, env, out);
  sim->SetTrace(nullptr);
  if (inputs.dumpDir) {
    std::string error;
    if (!bench::WriteDumpFolder(*sim, *inputs.dumpDir, error)) {
      TellError(error);
      status = kExitRefused;
    }
  }
  return status;
}

}  // namespace kelm::kelmtool
