#pragma once
// The window's enclosures through the firmware update service, when it runs as a user: the
// service's survey as the window's drive list, its update with the procedure handed back to
// the window, and its ObjectManager announcements as device notifications. The bus's
// descriptor joins the window's event loop (Fd, Dispatch).

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/enclosure_service.h"
#include "platform/host.h"
#include "platform/linux/fwupdate_client.h"
#include "platform/linux/permission_notice.h"

namespace kelm::linux_platform {

class ServiceEnclosures final : public platform::EnclosureService, public platform::DeviceNotifications {
 public:
  // `images`: the window's own images, handed to the service as the user's files are.
  ServiceEnclosures(platform::MessageBoxes& boxes, const platform::ImageSource& images);
  ~ServiceEnclosures() override;

  std::vector<platform::ServedEnclosure> List() override;
  platform::ServedEnd Update(const std::string& handle, platform::Host& host) override;
  platform::ServedEnd Run(const std::string& handle, const platform::PanelRun& run, platform::Host& host) override;
  // Arrivals and removals the service announces, from the first call that reached it on.
  void Register(Handler handler) override;

  // The bus connection's descriptor, or -1 while the system bus cannot be reached.
  int Fd() const;
  void Dispatch();

 private:
  // The connection, made again when an earlier try found no bus; null when there is none.
  FirmwareServiceClient* Client();
  void Watch();
  // What reaches `host` while the service runs the update, and how a failed call ended.
  static ProcedureEvents EventsFor(platform::Host& host, bool& backupWritten);
  static platform::ServedEnd EndOf(const ServiceError& error, bool backupWritten, platform::Host& host);

  struct Target {
    std::string path;       // the discovery path
    std::string imageName;  // the image the bridge's update takes
  };

  const platform::ImageSource& images_;
  PermissionNotice notice_;
  std::unique_ptr<FirmwareServiceClient> client_;
  Handler handler_;
  bool watching_ = false;
  std::map<std::string, Target> targets_;  // by handle, from the last List
};

}  // namespace kelm::linux_platform
