#pragma once
// Everything a bench run reads, loaded and checked before the window exists: a bad file or
// action stops the program with one line and nothing run.

#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "flash/embedded_image_table.h"
#include "flash/images.h"
#include "platform/sim/scenario.h"
#include "ui/bench/command_line.h"
#include "ui/bench/script_actions.h"

namespace kelm::sim {
class SimPlatform;
}

namespace kelm::bench {

class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct BenchInputs {
  sim::Scenario scenario;
  flash::ImageSet images;
  std::optional<std::vector<Action>> actions;  // none: the window on a display
  std::unique_ptr<std::ofstream> trace;
  std::optional<std::string> dumpDir;
};

// Throws InputError naming the option, file, field or action that is wrong, or saying that
// a run without a script has no display.
// Without --images the images are `builtIn`: the table this program links by default.
BenchInputs LoadInputs(const CommandLine& line, bool hasDisplay,
                       std::span<const flash::EmbeddedImage> builtIn = flash::EmbeddedImageTable());

// Writes the flash dump of every device into `dir`, creating it. False and `error` on failure.
bool WriteDumpFolder(const sim::SimPlatform& sim, const std::string& dir, std::string& error);

}  // namespace kelm::bench
