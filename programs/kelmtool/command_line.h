#pragma once
// kelmtool's command line: global options before the subcommand, as git takes them, then
// the subcommand with its arguments and options.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelm::kelmtool {

enum class Subcommand { None, List, Backup, Update, Restore };

struct CommandLine {
  // Global options.
  std::optional<std::string> trace;
  std::optional<std::string> scenario;
  std::optional<std::string> images;
  std::optional<std::string> dump;
  bool version = false;
  bool help = false;  // for the subcommand when one is given, else for the program

  Subcommand subcommand = Subcommand::None;
  std::vector<std::string> operands;  // DEVICE, FILE
  bool json = false;
  std::optional<std::uint32_t> size;     // backup --size
  std::optional<std::string> imageFile;  // update --image
  std::optional<std::string> backupFile; // update, restore --backup
  bool wait = false;
  bool force = false;                    // backup, update, restore: replace an existing backup

  bool OnSimulatedBench() const { return scenario || images || dump; }
};

// Bad usage: one line naming what is wrong.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `arguments` without the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The help text of the program, or of one subcommand.
std::string HelpText(Subcommand subcommand);

}  // namespace kelm::kelmtool
