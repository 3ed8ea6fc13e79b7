#include "programs/fwupdate-sim/bench_inputs.h"

#include <filesystem>

#include "platform/native_names.h"
#include "platform/sim/sim_platform.h"
#include "programs/fwupdate-sim/demo_scenario.h"

namespace kelm::bench {

namespace {

flash::FoundImages LoadImages(const std::optional<std::string>& dir,
                              std::span<const flash::EmbeddedImage> builtIn) {
  if (dir) return LoadImageFolder(*dir, EverySimulatedDrive);
  flash::ImageSet table;
  for (const auto& image : builtIn) {
    table.Set(std::string(image.name), {image.bytes.begin(), image.bytes.end()});
  }
  flash::FoundImages images(EverySimulatedDrive);
  images.TakeBuiltIn(table);
  return images;
}

sim::Scenario LoadScenarioOrDemo(const std::optional<std::string>& file,
                                 const flash::FoundImages& images) {
  if (!file) return DemoScenario(images.TakeImage("FW352B"));
  try {
    return sim::LoadScenario(*file);
  } catch (const sim::ScenarioError& error) {
    throw InputError(error.what());
  }
}

void CheckDumpFolder(const std::string& dir) {
  std::error_code ec;
  const std::filesystem::path folder = platform::NativePath(dir);
  if (std::filesystem::exists(folder, ec) && !std::filesystem::is_directory(folder, ec)) {
    throw InputError("--dump " + dir + ": exists and is not a folder");
  }
}

// Made before the run, so a folder that cannot exist stops the program before anything runs
// instead of losing the dump at the end.
void MakeDumpFolder(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(platform::NativePath(dir), ec);
  if (ec) throw InputError("--dump " + dir + ": " + ec.message());
}

std::unique_ptr<std::ofstream> OpenTrace(const std::string& file) {
  // Binary: the same bytes on every system (no CR before each line on Windows).
  auto trace = std::make_unique<std::ofstream>(platform::NativePath(file), std::ios::out | std::ios::trunc | std::ios::binary);
  if (!*trace) throw InputError("--trace " + file + ": cannot be written");
  return trace;
}

}  // namespace

BenchInputs LoadInputs(const CommandLine& line, bool hasDisplay,
                       std::span<const flash::EmbeddedImage> builtIn) {
  BenchInputs inputs;
  try {
    if (line.script) inputs.actions = ParseActions(*line.script);
  } catch (const ActionError& error) {
    throw InputError(error.what());
  }
  inputs.images = LoadImages(line.images, builtIn);
  inputs.scenario = LoadScenarioOrDemo(line.scenario, inputs.images);
  if (line.dump) {
    CheckDumpFolder(*line.dump);
    inputs.dumpDir = line.dump;
  }
  if (!line.script && !hasDisplay) {
    throw InputError("no display to open the window on (run with --script ACTIONS)");
  }
  // Last, so a bad input elsewhere leaves no empty folder or trace file behind.
  if (inputs.dumpDir) MakeDumpFolder(*inputs.dumpDir);
  if (line.trace) inputs.trace = OpenTrace(*line.trace);
  return inputs;
}

bool WriteDumpFolder(const sim::SimPlatform& sim, const std::string& dir, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(platform::NativePath(dir), ec);
  if (ec) {
    error = "--dump " + dir + ": " + ec.message();
    return false;
  }
  return sim.WriteDump(dir, error);
}

}  // namespace kelm::bench
