#pragma once
// A stand-in for the kernel's side of the sg calls: device nodes that can be missing, denied or
// busy, the sg driver's open exclusion, device numbers, and scripted answers to requests
// submitted through the driver's asynchronous interface. Every call is recorded.

#include <fcntl.h>
#include <scsi/sg.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/linux/sys_calls.h"

namespace kelm::test {

struct SgAnswer {
  int result = 0;  // 0 or -errno from collecting the answer
  int resid = 0;
  unsigned char status = 0;  // the device's SCSI status
  unsigned short hostStatus = 0;
  unsigned short driverStatus = 0;
  std::vector<std::uint8_t> data = {};  // copied into a data-in buffer, up to dxfer_len
};

struct SgCall {
  sg_io_hdr header;                // as handed to the driver
  std::vector<std::uint8_t> cdb;   // the cmd_len bytes at cmdp
  std::vector<std::uint8_t> out;   // the dxfer_len bytes at dxferp, for a data-out request
};

class FakeKernel final : public linux_platform::SysCalls {
 public:
  std::set<std::string> missing;       // open: ENOENT
  std::set<std::string> denied;        // open: EACCES
  std::set<std::string> busy;          // open with O_EXCL: EBUSY (a mounted disk)
  std::map<std::string, int> openErrors;  // open: this -errno
  std::map<std::string, linux_platform::DeviceNumber> numbers;  // fstat, beyond the defaults
  int interruptionsPerWait = 0;        // EINTR from each wait and each collect before it works
  int waits = 0, collects = 0;
  std::map<std::string, int> enoentCountdown;  // open: ENOENT this many more times
  std::deque<SgAnswer> answers;        // one per request; success with no data when empty
  std::vector<SgCall> calls;
  std::vector<int> openFlags;
  std::vector<std::pair<int, int>> statusFlags;  // (fd, flags) per F_SETFL
  bool wouldHaveBlocked = false;       // an open that the real driver would have parked
  int openCount() const { return static_cast<int>(fds_.size()); }

  int Open(const std::string& path, int flags) override {
    openFlags.push_back(flags);
    if (missing.contains(path)) return -ENOENT;
    if (auto it = enoentCountdown.find(path); it != enoentCountdown.end() && it->second > 0) {
      --it->second;
      return -ENOENT;
    }
    if (denied.contains(path)) return -EACCES;
    if (const auto it = openErrors.find(path); it != openErrors.end()) return it->second;
    if ((flags & O_EXCL) && busy.contains(path)) return -EBUSY;
    // The sg driver: O_EXCL waits for (or, with O_NONBLOCK, refuses) any other open handle;
    // any open waits for (or refuses) an exclusive holder.
    const bool exclusive = flags & O_EXCL;
    const bool held = exclusive ? OpenOn(path) > 0 : exclusiveHolders_.contains(path);
    if (held) {
      if (!(flags & O_NONBLOCK)) wouldHaveBlocked = true;
      return -EBUSY;
    }
    const int fd = nextFd_++;
    fds_[fd] = path;
    if (exclusive) exclusiveHolders_.insert(path);
    return fd;
  }

  int SetStatusFlags(int fd, int flags) override {
    statusFlags.emplace_back(fd, flags);
    return fds_.contains(fd) ? 0 : -EBADF;
  }

  // sgN: character 21:N; sdX: block 8:16*X, as the kernel numbers them; else no device.
  int Stat(int fd, linux_platform::DeviceNumber& number) override {
    const auto it = fds_.find(fd);
    if (it == fds_.end()) return -EBADF;
    const std::string name = it->second.substr(it->second.rfind('/') + 1);
    if (const auto known = numbers.find(it->second); known != numbers.end()) {
      number = known->second;
    } else if (name.starts_with("sg")) {
      number = {linux_platform::DeviceNumber::Kind::Character, 21,
                static_cast<unsigned>(std::stoi(name.substr(2)))};
    } else if (name.starts_with("sd") && name.size() == 3) {
      number = {linux_platform::DeviceNumber::Kind::Block, 8,
                static_cast<unsigned>(16 * (name[2] - 'a'))};
    } else {
      number = {};
    }
    return 0;
  }

  int SgSubmit(int fd, sg_io_hdr& header) override {
    if (!fds_.contains(fd)) return -EBADF;
    SgCall call{header, {}, {}};
    call.cdb.assign(header.cmdp, header.cmdp + header.cmd_len);
    const auto* bytes = static_cast<const std::uint8_t*>(header.dxferp);
    if (header.dxfer_direction == SG_DXFER_TO_DEV) call.out.assign(bytes, bytes + header.dxfer_len);
    calls.push_back(std::move(call));
    SgAnswer answer;
    if (!answers.empty()) {
      answer = std::move(answers.front());
      answers.pop_front();
    }
    pending_[fd] = {std::move(answer), interruptionsPerWait, interruptionsPerWait};
    return 0;
  }

  int WaitReadable(int fd) override {
    ++waits;
    const auto it = pending_.find(fd);
    if (it != pending_.end() && it->second.waitInterruptions > 0) {
      --it->second.waitInterruptions;
      return -EINTR;
    }
    return 0;
  }

  int SgCollect(int fd, sg_io_hdr& header) override {
    ++collects;
    const auto it = pending_.find(fd);
    if (it == pending_.end()) return -EBADF;  // nothing submitted: a real read would hang
    if (it->second.collectInterruptions > 0) {
      --it->second.collectInterruptions;
      return -EINTR;
    }
    const SgAnswer answer = std::move(it->second.answer);
    pending_.erase(it);
    if (answer.result < 0) return answer.result;
    if (header.dxfer_direction == SG_DXFER_FROM_DEV) {
      const std::size_t n = std::min<std::size_t>(answer.data.size(), header.dxfer_len);
      if (n > 0) std::memcpy(header.dxferp, answer.data.data(), n);
    }
    header.resid = answer.resid;
    header.status = answer.status;
    header.host_status = answer.hostStatus;
    header.driver_status = answer.driverStatus;
    return 0;
  }

  void Close(int fd) override {
    const auto it = fds_.find(fd);
    if (it == fds_.end()) return;
    exclusiveHolders_.erase(it->second);
    pending_.erase(fd);
    fds_.erase(it);
  }

 private:
  int OpenOn(const std::string& path) const {
    int n = 0;
    for (const auto& [fd, p] : fds_) n += p == path;
    return n;
  }

  struct Pending {
    SgAnswer answer;
    int waitInterruptions;
    int collectInterruptions;
  };
  std::map<int, Pending> pending_;
  std::map<int, std::string> fds_;
  std::set<std::string> exclusiveHolders_;
  int nextFd_ = 3;
};

}  // namespace kelm::test
