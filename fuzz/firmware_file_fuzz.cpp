// Any file bytes against every bridge model and revision: the check must decide, never crash
// or read past what the file holds.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "chip/bridge_models.h"
#include "chip/firmware_file.h"
#include "fuzz/fuzz_services.h"

namespace {

using namespace kelm;

// Every model of the table and two beyond it; the revisions the tables know and some they do not.
constexpr std::uint8_t kModelsBeyondTable[] = {chip::kBridgeModelCount, 0xFF};
constexpr std::uint8_t kRevisions[] = {0, 1, 2, 3, 9, 0xFF};

const std::string& FirmwareFile() {
  static const std::string name =
      (std::filesystem::temp_directory_path() / ("kelm-fuzz-firmware-" + std::to_string(std::random_device{}()) + ".bin"))
          .string();
  return name;
}

void Check(const platform::Services& io, std::uint8_t model) {
  for (std::uint8_t revision : kRevisions) {
    chip::CheckFirmwareFile(io, FirmwareFile(), chip::MakeChipCode(model, revision));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    std::ofstream file(FirmwareFile(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!file) std::abort();
  }
  static fuzz::FuzzServices services{sim::Scenario{}};
  for (std::uint8_t model = 0; model < chip::kBridgeModelCount; ++model) Check(services.io, model);
  for (std::uint8_t model : kModelsBeyondTable) Check(services.io, model);
  return 0;
}
