#pragma once
// A procedure's run with the hold-off port told when its flash starts to change and when it
// has ended: the services it hands the procedure send every command through a device file
// that recognises the commands that change a flash.

#include "platform/device_file.h"
#include "platform/flash_hold_off.h"
#include "platform/host.h"

namespace kelm::device {

// True for the commands that erase or write a flash (serial or parallel).
bool ChangesFlash(const platform::PassThroughRequest& request);

class FlashChangeSpan {
 public:
  FlashChangeSpan(const platform::Services& io, platform::FlashHoldOff& holdOff);
  ~FlashChangeSpan() { End(); }
  FlashChangeSpan(const FlashChangeSpan&) = delete;
  FlashChangeSpan& operator=(const FlashChangeSpan&) = delete;

  // The procedure has ended: what the first change held is released.
  void End();

  // Whether the flash is changing: a changing command went out and the procedure goes on.
  bool changing() const { return file_.held(); }

  // The services for the procedure.
  const platform::Services& services() const { return services_; }

 private:
  class WatchingFile final : public platform::DeviceFile {
   public:
    WatchingFile(platform::DeviceFile& inner, platform::FlashHoldOff& holdOff)
        : inner_(inner), holdOff_(holdOff) {}
    platform::Handle Open(const std::string& path, platform::ShareMode share) override {
      return inner_.Open(path, share);
    }
    bool Control(platform::Handle handle, std::uint32_t code,
                 platform::PassThroughRequest& request) override;
    std::uint32_t LastError() const override { return inner_.LastError(); }
    void Close(platform::Handle handle) override { inner_.Close(handle); }
    std::uint32_t LargestTransfer(const std::string& path) override {
      return inner_.LargestTransfer(path);
    }
    bool held() const { return held_; }
    void Forget() { held_ = false; }

   private:
    platform::DeviceFile& inner_;
    platform::FlashHoldOff& holdOff_;
    bool held_ = false;
  };

  platform::FlashHoldOff& holdOff_;
  WatchingFile file_;
  platform::Services services_;
};

}  // namespace kelm::device
