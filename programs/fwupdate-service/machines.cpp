#include "programs/fwupdate-service/machines.h"

#include <filesystem>
#include <fstream>
#include <optional>

#include "flash/embedded_image_table.h"
#include "flash/image_folders.h"
#include "flash/images.h"
#include "platform/linux/image_folders.h"
#include "platform/linux/linux_backend.h"
#include "platform/linux/logind_inhibitor.h"
#include "platform/posix/posix_file_store.h"
#include "platform/sim/scenario.h"
#include "platform/sim/sim_platform.h"
#include "platform/trace/tracing_device_file.h"
#include "programs/fwupdate-service/service_log.h"

namespace kelm::service {

namespace {

constexpr char kProgramName[] = "kelm-fwupdated";

// Nobody sees a box in the service: the permission notice and the like go to the log.
class LoggedBoxes final : public platform::MessageBoxes {
 public:
  void Show(std::string_view caption, std::string_view text, platform::MessageIcon) override {
    Log(std::string(caption) + ": " + std::string(text));
  }
};

void OpenTrace(const std::optional<std::string>& name, std::ofstream& trace) {
  if (!name) return;
  trace.open(*name, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!trace) throw OptionError("--trace " + *name + ": cannot be written");
}

class ThisMachineSetup final : public MachineSetup {
 public:
  explicit ThisMachineSetup(const ServiceOptions& options)
      : backend_({}, boxes_),
        file_(backend_.file),
        images_(flash::FindImages(flash::EmbeddedImages{}, std::nullopt,
                                  {linux_platform::SystemImageFolder()}, files_,
                                  [roots = backend_.roots](const std::string& path) {
                                    return linux_platform::TakesSyntheticImages(roots, path);
                                  })),
        holdOff_(kProgramName, [](const std::string& why) { Log(why); }),
        machine_{file_, backend_.setup, clock_, log_, log_, images_, backend_.diskClaim, holdOff_,
                 [roots = backend_.roots](const std::string& path) { return linux_platform::DescribeDrive(roots, path); },
                 [roots = backend_.roots](const std::string& path) {
                   return linux_platform::TakesSyntheticImages(roots, path);
                 }} {
    for (const flash::RefusedImage& image : images_.refused()) Log(image.file + ": " + image.why + "; not used");
    OpenTrace(options.trace, trace_);
    if (trace_.is_open()) file_.SetTrace(&trace_);
    backend_.notifications.Register([this](std::uint32_t) { changed_ = true; });
  }

  Machine& machine() override { return machine_; }
  int DeviceEventsFd() override { return backend_.notifications.Fd(); }
  bool DispatchDeviceEvents() override {
    changed_ = false;
    backend_.notifications.Dispatch();
    return changed_;
  }

 private:
  LoggedBoxes boxes_;
  linux_platform::LinuxBackend backend_;
  trace::TracingDeviceFile file_;
  linux_platform::ThreadClock clock_;
  LogOutput log_;
  posix::PosixFileStore files_;
  flash::FoundImages images_;
  linux_platform::LogindInhibitor holdOff_;
  Machine machine_;
  std::ofstream trace_;
  bool changed_ = false;
};

// The synthetic test images the bench's enclosures take.
flash::ImageSet TestImages() {
  flash::ImageSet images;
  for (const flash::EmbeddedImage& image : flash::kelm_images_test_table()) {
    images.Set(std::string(image.name), {image.bytes.begin(), image.bytes.end()});
  }
  return images;
}

class SimulatedBenchSetup final : public MachineSetup {
 public:
  explicit SimulatedBenchSetup(const ServiceOptions& options)
      : sim_(sim::LoadScenario(*options.scenario)),
        // In real time, as enclosures take it: a procedure lasts as long as on a bridge.
        clock_(true),
        images_(TestImages()),
        holdOff_(kProgramName, [](const std::string& why) { Log(why); }),
        machine_{sim_, sim_, clock_, log_, log_, images_, claim_, holdOff_,
                 [](const std::string&) { return linux_platform::DriveNodeNames{}; },
                 [](const std::string&) { return true; }},
        dump_(options.dump) {
    OpenTrace(options.trace, trace_);
    // Each request's line as it happens: a test reads the trace as the procedure runs.
    trace_ << std::unitbuf;
    if (trace_.is_open()) sim_.SetTrace(&trace_);
  }
  ~SimulatedBenchSetup() override { sim_.SetTrace(nullptr); }

  Machine& machine() override { return machine_; }
  bool Replug(const std::function<void()>& between) override {
    sim_.Unplug();
    between();
    sim_.Plug();
    return true;
  }
  bool Finish(std::string& error) override {
    trace_.flush();
    if (!dump_) return true;
    std::error_code ec;
    std::filesystem::create_directories(*dump_, ec);
    return sim_.WriteDump(*dump_, error);
  }

 private:
  sim::SimPlatform sim_;
  sim::SimClock clock_;
  flash::ImageSet images_;
  platform::UncontestedDiskClaim claim_;
  linux_platform::LogindInhibitor holdOff_;
  LogOutput log_;
  Machine machine_;
  std::ofstream trace_;
  std::optional<std::string> dump_;
};

}  // namespace

std::unique_ptr<MachineSetup> ThisMachine(const ServiceOptions& options) {
  return std::make_unique<ThisMachineSetup>(options);
}

std::unique_ptr<MachineSetup> SimulatedBench(const ServiceOptions& options) {
  return std::make_unique<SimulatedBenchSetup>(options);
}

}  // namespace kelm::service
