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
#include "flash/image_folders.h"
#include "flash/images.h"
#include "platform/sim/scenario.h"
#include "programs/fwupdate-sim/command_line.h"
#include "programs/fwupdate-sim/script_actions.h"

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
  flash::FoundImages images;  // every enclosure here is simulated: each takes a synthetic image
  std::optional<std::vector<Action>> actions;  // none: the window on a display
  std::unique_ptr<std::ofstream> trace;
  std::optional<std::string> dumpDir;
};

// Throws InputError naming the option, file, field or action that is wrong, or saying that
// a run without a script has no display.
// Without --images the images are `builtIn`: the table this program links by default.
BenchInputs LoadInputs(const CommandLine& line, bool hasDisplay,
                       std::span<const flash::EmbeddedImage> builtIn = flash::EmbeddedImageTable());

// FW352A.bin, FW352B.bin and FW339.bin from `dir`, as `--images DIR` reads them; throws
// InputError naming the folder and what is wrong with it or a file that cannot be read. A file
// that fails an image's checks is left out and listed in the result's refused().
flash::FoundImages LoadImageFolder(const std::string& dir, flash::SyntheticImageGuard guard);

// "--images DIR: FW352A.bin: <why>; not used" for each file of that folder that failed its
// image's checks: named within the folder as given, so both systems write the same bytes.
std::vector<std::string> RefusedImageLines(const std::string& dir, const flash::FoundImages& images);

// The guard of a program whose enclosures are all simulated.
inline bool EverySimulatedDrive(const std::string&) { return true; }

// Writes the flash dump of every device into `dir`, creating it. False and `error` on failure.
bool WriteDumpFolder(const sim::SimPlatform& sim, const std::string& dir, std::string& error);

}  // namespace kelm::bench
