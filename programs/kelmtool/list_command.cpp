// kelmtool list: every candidate drive, one block each, or one JSON document.

#include <map>
#include <nlohmann/json.hpp>

#include "chip/chip_code.h"
#include "platform/text/printable_text.h"
#include "programs/kelmtool/drive_output.h"
#include "programs/kelmtool/subcommands.h"
#include "programs/kelmtool/tool_support.h"

namespace kelm::kelmtool {

namespace {

constexpr std::string_view kNoUpdate = "The chip not support Firmware Update!";

// The maker as people write it, empty when the flash named none; the window keeps its own
// capitals.
std::string MakerName(const std::string& windowText) {
  static const std::map<std::string, std::string, std::less<>> kReadable = {
      {"Unknown", ""}, {"ATMEL", "Atmel"}, {"MXIC", "Macronix"}, {"WINBOND", "Winbond"}};
  const auto readable = kReadable.find(windowText);
  return readable == kReadable.end() ? windowText : readable->second;
}

// "512 KiB", "1 MiB"
std::string SizeText(std::uint64_t bytes) {
  constexpr std::uint64_t kMiB = 1024 * 1024;
  if (bytes >= kMiB && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
  if (bytes % 1024 == 0) return std::to_string(bytes / 1024) + " KiB";
  return std::to_string(bytes) + " bytes";
}

std::string FlashText(const DriveReport& drive) {
  if (drive.flashMaker.empty()) return "(no answer)";
  const std::string maker = MakerName(drive.flashMaker);
  return (maker.empty() ? "unknown maker" : maker) + ", " +
         (drive.flashSize == 0 ? std::string("size not told by the flash") : SizeText(drive.flashSize));
}

std::string UpdateText(const DriveReport& drive) {
  if (drive.procedure.empty()) return std::string(kNoUpdate);
  if (drive.imageName.empty()) return drive.procedure + " procedure (no image for this revision)";
  std::string text = drive.procedure + " procedure with " + drive.imageName;
  if (drive.imageSize == 0) return text + " (this build carries no such image; see --image)";
  text += " (" + std::to_string(drive.imageSize) + " bytes)";
  if (drive.kind == chip::UpdateProcedure::Jmb352) {
    text += drive.imageCurrent ? ": the flash already holds it" : ": the flash does not hold it";
  }
  return text;
}

}  // namespace

nlohmann::json DriveJson(std::size_t number, const DriveReport& drive, const DriveNodes& nodes) {
  const auto text = [](const std::string& value) { return text::Latin1ToUtf8(value); };
  // What the machine does not tell (the simulated bench has no nodes) is null, not "".
  const auto orNull = [](const std::string& value) {
    return value.empty() ? nlohmann::json() : nlohmann::json(value);
  };
  nlohmann::json json = {
      {"number", number},
      {"path", text(drive.path)},
      {"sg_node", orNull(nodes.sgNode)},
      {"block_device", orNull(nodes.blockDevice)},
      {"usb_id", orNull(nodes.usbId)},
      {"name", text(drive.name)},
      {"bridge", {{"model", text(drive.modelName)},
                  {"model_index", chip::ModelOf(drive.code)},
                  {"revision", chip::RevisionOf(drive.code)}}},
      {"firmware_version", orNull(text(drive.firmwareVersion))},
      {"update", {{"procedure", orNull(drive.procedure)},
                  {"image", orNull(drive.imageName)},
                  {"image_size", drive.imageSize},
                  {"text", UpdateText(drive)}}},
  };
  json["serial_flash"] = drive.hasSerialFlash
                             ? nlohmann::json{{"maker", drive.flashMaker},
                                              {"maker_name", orNull(MakerName(drive.flashMaker))},
                                              {"size", drive.flashSize == 0 ? nlohmann::json()
                                                                            : nlohmann::json(drive.flashSize)},
                                              {"flash_code", drive.flashCode}}
                             : nlohmann::json();
  if (drive.kind == chip::UpdateProcedure::Jmb352) json["update"]["already_current"] = drive.imageCurrent;
  if (!nodes.driveLetters.empty()) json["drive_letters"] = nodes.driveLetters;
  return json;
}

void PrintDrive(std::FILE* out, std::size_t number, const DriveReport& drive,
                const DriveNodes& nodes) {
  std::string where = nodes.sgNode.empty() ? drive.path : nodes.sgNode;
  if (!nodes.blockDevice.empty()) where += " " + nodes.blockDevice;
  if (!nodes.usbId.empty()) where += " " + nodes.usbId;
  if (!nodes.driveLetters.empty()) where += " " + nodes.driveLetters;
  std::fprintf(out, "%zu: %s \"%s\"\n", number, text::Latin1ToUtf8(where).c_str(),
               text::Latin1ToUtf8(drive.name).c_str());
  std::fprintf(out, "   bridge:    %s\n", text::Latin1ToUtf8(BridgeText(drive)).c_str());
  std::fprintf(out, "   firmware:  %s\n",
               drive.firmwareVersion.empty() ? "(not reported)"
                                             : text::Latin1ToUtf8(drive.firmwareVersion).c_str());
  if (drive.hasSerialFlash) {
    std::fprintf(out, "   flash:     %s\n", FlashText(drive).c_str());
  }
  std::fprintf(out, "   update:    %s\n", UpdateText(drive).c_str());
}

int RunList(const CommandLine& line, const ToolEnvironment& env, std::FILE* out) {
  const std::vector<std::string> paths = DiscoverDrives(env.io);
  nlohmann::json drives = nlohmann::json::array();
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const DriveReport drive = SurveyDrive(env.io, paths[i]);
    const DriveNodes nodes = env.locator.Describe(paths[i]);
    if (line.json) {
      drives.push_back(DriveJson(i, drive, nodes));
    } else {
      PrintDrive(out, i, drive, nodes);
    }
  }
  if (line.json) {
    std::fprintf(out, "%s\n", nlohmann::json{{"drives", drives}}.dump(2).c_str());
  } else if (paths.empty()) {
    std::fprintf(out, "No drive behind a USB bridge found.\n");
  }
  return 0;
}

}  // namespace kelm::kelmtool
