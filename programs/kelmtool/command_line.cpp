#include "programs/kelmtool/command_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "flash/engine_settings.h"

namespace kelm::kelmtool {

namespace {

struct SubcommandEntry {
  Subcommand subcommand;
  std::string_view name;
  std::size_t operands;  // how many DEVICE / FILE operands it takes
  std::array<std::string_view, 4> options;  // the options it takes besides --help
  std::string_view usage;
  std::string_view summary;
};

constexpr std::array<SubcommandEntry, 4> kSubcommands = {{
    {Subcommand::List, "list", 0, {"--json"}, "kelmtool [GLOBAL] list [--json]",
     "List the drives behind USB bridges: bridge, revision, firmware version, serial flash,\n"
     "and what an update would do. Sends no command that writes.\n"
     "  --json          one JSON document on standard output\n"},
    {Subcommand::Backup, "backup", 2, {"--size", "--force"},
     "kelmtool [GLOBAL] backup DEVICE FILE [--size BYTES] [--force]",
     "Save the bridge's flash into FILE (written whole or not at all), with a record of the\n"
     "bridge beside it (FILE.json) that restore checks.\n"
     "  --size BYTES    32768, 65536 (default), 131072, 262144, 524288 or 1048576\n"
     "  --force         replace FILE and its record when they exist\n"},
    {Subcommand::Update, "update", 1, {"--image", "--backup", "--wait", "--force"},
     "kelmtool [GLOBAL] update DEVICE [--image FILE] [--backup FILE [--force]] [--wait]",
     "Back up the flash, then update the bridge's firmware as the window's YES does.\n"
     "  --image FILE    use FILE for this run instead of the image the program carries\n"
     "  --backup FILE   the backup's name (default: <model>-<version>-<date>.bin here)\n"
     "  --force         replace the --backup FILE and its record when they exist\n"
     "  --wait          after the update, wait for the enclosure to be plugged in again\n"},
    {Subcommand::Restore, "restore", 2, {"--backup", "--wait", "--force"},
     "kelmtool [GLOBAL] restore DEVICE FILE [--backup FILE [--force]] [--wait]",
     "Put a backup written by kelmtool back, after checking it against its record and the\n"
     "bridge, and after backing up the flash as it is now.\n"
     "  --backup FILE   the name of that new backup (default as for update)\n"
     "  --force         replace the --backup FILE and its record when they exist\n"
     "  --wait          after the restore, wait for the enclosure to be plugged in again\n"},
}};

constexpr std::array<std::string_view, 4> kGlobalOptions = {"--trace", "--scenario", "--images",
                                                           "--dump"};

constexpr std::string_view kGlobalHelp =
    "Global options (before the subcommand):\n"
    "  --trace FILE    write one line per pass-through request to FILE\n"
    "  --scenario FILE, --images DIR, --dump DIR\n"
    "                  run on the simulated bench instead of this machine's drives\n"
#ifdef _WIN32
    "DEVICE is \\\\.\\PhysicalDriveN, a drive letter (E:), the interface path or the number\n"
    "list shows. Raw access needs an administrator prompt.\n"
#else
    "DEVICE is an sg node (/dev/sg2), a block device (/dev/sdb) or the number list shows.\n"
#endif
    "Exit status: 0 done, 1 the device or a check said no, 2 bad usage or input.\n"
    "On this machine's drives the firmware images are those built in, then FW352A.bin,\n"
#ifdef _WIN32
    "FW352B.bin and FW339.bin from %ProgramData%\\Kelm Firmware Update Utility\\firmware,\n"
    "then from the firmware folder beside kelmtool.exe.\n";
#else
    "FW352B.bin and FW339.bin from $XDG_DATA_HOME/kelm-fwupdate/firmware (by default\n"
    "~/.local/share/kelm-fwupdate/firmware), then from /usr/lib/firmware/kelm-fwupdate.\n";
#endif

const SubcommandEntry* FindSubcommand(std::string_view name) {
  for (const SubcommandEntry& entry : kSubcommands) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

const SubcommandEntry& SpecOf(Subcommand subcommand) {
  for (const SubcommandEntry& entry : kSubcommands) {
    if (entry.subcommand == subcommand) return entry;
  }
  return kSubcommands[0];
}

bool TakesValue(std::string_view option) {
  return option != "--json" && option != "--wait" && option != "--force";
}

std::uint32_t ParseSize(const std::string& text) {
  const auto& sizes = flash::kFirmwareSizes;
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() ||
      std::find(sizes.begin(), sizes.end(), value) == sizes.end()) {
    throw UsageError("--size " + text +
                     ": not a flash size (32768, 65536, 131072, 262144, 524288 or 1048576)");
  }
  return value;
}

void Store(CommandLine& line, std::string_view option, const std::string& value) {
  if (option == "--trace") line.trace = value;
  else if (option == "--scenario") line.scenario = value;
  else if (option == "--images") line.images = value;
  else if (option == "--dump") line.dump = value;
  else if (option == "--json") line.json = true;
  else if (option == "--wait") line.wait = true;
  else if (option == "--force") line.force = true;
  else if (option == "--size") line.size = ParseSize(value);
  else if (option == "--image") line.imageFile = value;
  else if (option == "--backup") line.backupFile = value;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  const SubcommandEntry* entry = nullptr;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      line.help = true;
      continue;
    }
    if (argument == "--version" && !entry) {
      line.version = true;
      continue;
    }
    if (!argument.starts_with("--") || argument == "--") {
      if (entry) {
        line.operands.push_back(argument);
        continue;
      }
      entry = FindSubcommand(argument);
      if (!entry) throw UsageError("unknown subcommand: " + argument);
      line.subcommand = entry->subcommand;
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string option = argument.substr(0, equals);
    const bool global =
        std::find(kGlobalOptions.begin(), kGlobalOptions.end(), option) != kGlobalOptions.end();
    const bool own = entry && std::find(entry->options.begin(), entry->options.end(), option) !=
                                 entry->options.end();
    if (global && entry) {
      throw UsageError(option + " goes before the subcommand");
    }
    if (!global && !own) {
      throw UsageError(entry ? "unknown option for " + std::string(entry->name) + ": " + option
                            : "unknown option: " + option);
    }
    std::string value;
    if (TakesValue(option)) {
      if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      } else {
        throw UsageError(option + " needs a value");
      }
    } else if (equals != std::string::npos) {
      throw UsageError(option + " takes no value");
    }
    Store(line, option, value);
  }
  if (line.help || line.version) return line;
  if (!entry) throw UsageError("no subcommand (list, backup, update, restore; see --help)");
  if (line.operands.size() != entry->operands) {
    throw UsageError(std::string("usage: ") + std::string(entry->usage));
  }
  return line;
}

std::string HelpText(Subcommand subcommand) {
  if (subcommand != Subcommand::None) {
    const SubcommandEntry& entry = SpecOf(subcommand);
    return "usage: " + std::string(entry.usage) + "\n\n" + std::string(entry.summary) + "\n" +
           std::string(kGlobalHelp);
  }
  std::string text = "usage: kelmtool [GLOBAL] SUBCOMMAND [ARGS]\n       kelmtool --version\n\n";
  text += "Back up, update and restore the firmware of USB enclosures built on JMicron bridges.\n\n";
  text += "Subcommands:\n";
  for (const SubcommandEntry& entry : kSubcommands) text += "  " + std::string(entry.usage) + "\n";
  text += "Run kelmtool SUBCOMMAND --help for one subcommand.\n\n";
  text += kGlobalHelp;
  return text;
}

}  // namespace kelm::kelmtool
