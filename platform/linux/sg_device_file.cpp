#include "platform/linux/sg_device_file.h"

#include <fcntl.h>

#include <cerrno>

#include "platform/linux/sg_request.h"

namespace kelm::linux_platform {

int SgDeviceFile::OpenFlags(platform::ShareMode share) {
  // O_NONBLOCK makes the sg driver refuse at once (EBUSY) instead of waiting while another
  // handle stands in the way of the open; both sharing modes can meet such a handle.
  int flags = O_RDWR | O_NONBLOCK | O_CLOEXEC;
  if (share == platform::ShareMode::Exclusive) flags |= O_EXCL;
  return flags;
}

platform::Handle SgDeviceFile::Open(const std::string& path, platform::ShareMode share) {
  const int fd = nodes_.Open(path, OpenFlags(share));
  if (fd < 0) {
    lastError_ = static_cast<std::uint32_t>(-fd);
    return platform::kInvalidHandle;
  }
  // Collecting an answer must wait for it, so the descriptor is put back to blocking.
  const int cleared = sys_.SetStatusFlags(fd, 0);
  if (cleared < 0) {
    sys_.Close(fd);
    lastError_ = static_cast<std::uint32_t>(-cleared);
    return platform::kInvalidHandle;
  }
  lastError_ = 0;
  return fd;
}

// The kernel restarts an interrupted SG_IO call from the start after a stop, a debugger or
// the suspend freezer, sending the same erase or write twice. The driver's own asynchronous
// interface takes the request in one write; the blocking read then waits for the answer, and an
// interrupted read only waits again (until the answer is there) and reads once more.
int SgDeviceFile::SubmitOnce(int fd, sg_io_hdr& header) {
  const int submitted = sys_.SgSubmit(fd, header);
  if (submitted < 0) return submitted;
  for (;;) {
    const int collected = sys_.SgCollect(fd, header);
    if (collected != -EINTR && collected != -EAGAIN) return collected;
    // A failed poll changes nothing: the blocking read waits all the same.
    while (sys_.WaitReadable(fd) == -EINTR) {
    }
  }
}

bool SgDeviceFile::Control(platform::Handle handle, std::uint32_t code,
                           platform::PassThroughRequest& request) {
  if (code != platform::kIoctlScsiPassThroughDirect || handle < 0 || !IsSendable(request)) {
    lastError_ = EINVAL;
    return false;
  }
  sg_io_hdr header = ToSgIoHeader(request);
  const int result = SubmitOnce(static_cast<int>(handle), header);
  if (result < 0) {
    // The driver moved nothing it reports; the length stays as asked, like a failed call
    // leaves the request record.
    lastError_ = static_cast<std::uint32_t>(-result);
    return false;
  }
  lastError_ = static_cast<std::uint32_t>(ApplySgResult(header, request));
  return lastError_ == 0;
}

void SgDeviceFile::Close(platform::Handle handle) {
  if (handle >= 0) sys_.Close(static_cast<int>(handle));
}

}  // namespace kelm::linux_platform
