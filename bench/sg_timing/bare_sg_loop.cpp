#include "bench/sg_timing/bare_sg_loop.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace kelm::timing {

namespace {
constexpr unsigned kTimeoutMs = 20000;
}  // namespace

int OpenForLoop(const char* devNode) { return open(devNode, O_RDWR | O_CLOEXEC); }

bool BareRequest(int fd, std::span<const std::uint8_t> cdb, bool dataIn, std::span<std::uint8_t> data) {
  sg_io_hdr header{};
  header.interface_id = 'S';
  header.dxfer_direction = data.empty() ? SG_DXFER_NONE : dataIn ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
  header.cmd_len = static_cast<unsigned char>(cdb.size());
  header.cmdp = const_cast<unsigned char*>(cdb.data());
  header.dxfer_len = static_cast<unsigned>(data.size());
  header.dxferp = data.data();
  header.timeout = kTimeoutMs;
  if (ioctl(fd, SG_IO, &header) != 0) return false;
  return header.status == 0 && header.host_status == 0 && header.driver_status == 0;
}

bool BareOpenRequest(const char* devNode, std::span<const std::uint8_t> cdb, bool dataIn,
                     std::span<std::uint8_t> data) {
  const int fd = OpenForLoop(devNode);
  if (fd < 0) return false;
  const bool ok = BareRequest(fd, cdb, dataIn, data);
  close(fd);
  return ok;
}

bool SgRawDataIn(const char* devNode, std::span<const std::uint8_t> cdb, std::uint32_t length) {
  std::vector<std::string> words = {"sg_raw", "-r", std::to_string(length), "-o", "/dev/null",
                                    devNode};
  char byte[3];
  for (const std::uint8_t value : cdb) {
    std::snprintf(byte, sizeof byte, "%02x", value);
    words.emplace_back(byte);
  }
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "sg_raw", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace kelm::timing
