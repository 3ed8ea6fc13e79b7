// kelm-fwupdated: the only program that opens the enclosures on Linux. Started by the system
// bus on a client's first call, it serves the operations of org.kelm.FirmwareUpdate1 and
// leaves when it has been idle a while with no client left.

#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <systemd/sd-bus.h>
#include <systemd/sd-event.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "programs/fwupdate-service/bus_service.h"
#include "programs/fwupdate-service/machines.h"
#include "programs/fwupdate-service/result_book.h"
#include "programs/fwupdate-service/service_log.h"
#include "platform/posix/posix_file_store.h"

namespace {

using namespace kelm::service;

struct Loop {
  FirmwareService& service;
  MachineSetup& setup;
  std::uint64_t idleUsec;
};

int OnDeviceEvents(sd_event_source*, int, std::uint32_t, void* data) {
  auto& loop = *static_cast<Loop*>(data);
  if (loop.setup.DispatchDeviceEvents()) loop.service.Refresh();
  return 0;
}

// The bench's hands: the service sees the enclosures leave, then come back.
int OnReplug(sd_event_source*, const struct signalfd_siginfo*, void* data) {
  auto& loop = *static_cast<Loop*>(data);
  if (loop.setup.Replug([&] { loop.service.Refresh(); })) loop.service.Refresh();
  return 0;
}

int OnIdleCheck(sd_event_source* source, std::uint64_t, void* data) {
  auto& loop = *static_cast<Loop*>(data);
  if (loop.service.Idle()) return sd_event_exit(sd_event_source_get_event(source), 0);
  sd_event_source_set_time_relative(source, loop.idleUsec);
  return sd_event_source_set_enabled(source, SD_EVENT_ONESHOT);
}

int Fail(const std::string& why) {
  Log(why);
  return EXIT_FAILURE;
}

// The folder of the result book, made when the bus (not systemd) started the service.
std::string ResultFile(const std::string& stateDir) {
  if (mkdir(stateDir.c_str(), 0700) != 0 && errno != EEXIST) {
    Log(stateDir + ": cannot be made (" + std::strerror(errno) + "); results are kept until exit only");
    return {};
  }
  return stateDir + "/results";
}

}  // namespace

int main(int argc, char** argv) {
  ServiceOptions options;
  std::unique_ptr<MachineSetup> setup;
  try {
    options = ParseServiceOptions(std::vector<std::string>(argv + 1, argv + argc), std::getenv("STATE_DIRECTORY"));
    setup = options.scenario ? SimulatedBench(options) : ThisMachine(options);
  } catch (const std::exception& error) {
    return Fail(error.what());
  }

  // A stop waits for the procedure in progress: the signals are handled between calls.
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGTERM);
  sigaddset(&stops, SIGINT);
  if (options.scenario) sigaddset(&stops, SIGUSR1);
  sigprocmask(SIG_BLOCK, &stops, nullptr);

  sd_event* event = nullptr;
  sd_bus* bus = nullptr;
  if (sd_event_default(&event) < 0) return Fail("no event loop");
  if (const int r = sd_bus_open_system(&bus); r < 0) return Fail(std::string("no system bus: ") + std::strerror(-r));
  sd_bus_attach_event(bus, event, SD_EVENT_PRIORITY_NORMAL);

  kelm::posix::PosixFileStore files;
  ResultBook book(files, ResultFile(options.stateDir));
  int status = EXIT_SUCCESS;
  {
    FirmwareService service(bus, setup->machine(), book);
    if (const int r = service.Start(); r < 0) return Fail(std::string("cannot take the bus name: ") + std::strerror(-r));
    Loop loop{service, *setup, options.idleSeconds * 1000000ULL};
    sd_event_add_signal(event, nullptr, SIGTERM, nullptr, nullptr);
    sd_event_add_signal(event, nullptr, SIGINT, nullptr, nullptr);
    if (options.scenario) sd_event_add_signal(event, nullptr, SIGUSR1, OnReplug, &loop);
    if (setup->DeviceEventsFd() >= 0) {
      sd_event_add_io(event, nullptr, setup->DeviceEventsFd(), EPOLLIN, OnDeviceEvents, &loop);
    }
    sd_event_source* idle = nullptr;
    sd_event_add_time_relative(event, &idle, CLOCK_MONOTONIC, loop.idleUsec, 0, OnIdleCheck, &loop);
    Log("serving " + std::string(kelm::linux_platform::fwbus::kBusName));
    if (sd_event_loop(event) < 0) status = EXIT_FAILURE;
    sd_event_source_unref(idle);
    // Calls that came after the last look go unanswered rather than wait on a leaving service.
    sd_bus_release_name(bus, kelm::linux_platform::fwbus::kBusName);
  }
  std::string error;
  if (!setup->Finish(error)) status = Fail(error);
  sd_bus_flush_close_unref(bus);
  sd_event_unref(event);
  return status;
}
