#pragma once
// The enclosures as a privileged service offers them to a window that may not open them: the
// service surveys and updates them, and hands the procedure's status texts, progress and
// message boxes back, in order, to the window's host.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/host.h"

namespace kelm::platform {

// What the service's survey says of one enclosure, in the window's terms.
struct ServedEnclosure {
  std::string handle;  // the service's name for it
  std::string item;    // the drive list's text: "<<USB>> " and the inquiry's vendor and product
  std::uint32_t code = 0;  // the bridge's chip code
  std::string firmwareVersion;
  std::int32_t flashCode = -1;
  std::string flashMaker;
  bool imageCurrent = false;  // the flash already holds the image an update would write
};

enum class ServedOutcome {
  Updated,  // flash written and verified (a panel's run: it succeeded)
  Failed,   // the procedure ran and failed
  Refused,  // nothing was changed: the service, polkit or a check said no
};

// A run of the engineering panel: its options as the procedures read them, and the engine's
// settings the panel chose.
struct PanelRun {
  Options options;
  std::string backupFile;  // where a backup goes: the panel's name, or the default one
  std::int32_t flashType = 0;  // FlashTypeList's index
  std::uint32_t firmwareSize = 0;
  std::uint32_t pageSize = 0;
};

struct ServedEnd {
  ServedOutcome outcome = ServedOutcome::Refused;
  std::string why;  // one sentence for the user, when refused
};

class EnclosureService {
 public:
  virtual ~EnclosureService() = default;
  // The enclosures the service finds; none when it cannot be asked (which it tells the user).
  virtual std::vector<ServedEnclosure> List() = 0;
  // The bridge's update, run by the service; `host` hears the procedure as it goes, and
  // processes its messages while the service works.
  virtual ServedEnd Update(const std::string& handle, Host& host) = 0;
  // The panel's run, the same procedure the window runs itself: Updated when it succeeded,
  // Failed when it ran and failed. The backup file named in the options is written as the
  // user; the image is the window's, as for Update.
  virtual ServedEnd Run(const std::string& handle, const PanelRun& run, Host& host) = 0;
};

}  // namespace kelm::platform
