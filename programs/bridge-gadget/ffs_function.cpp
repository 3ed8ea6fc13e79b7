#include "programs/bridge-gadget/ffs_function.h"

#include <endian.h>
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace kelm::gadget {

namespace {

constexpr std::uint8_t kRequestGetMaxLun = 0xFE;
constexpr std::uint8_t kRequestBulkOnlyReset = 0xFF;

struct [[gnu::packed]] Interface {
  usb_interface_descriptor intf;
  usb_endpoint_descriptor_no_audio in;
  usb_endpoint_descriptor_no_audio out;
};

struct [[gnu::packed]] Descriptors {
  usb_functionfs_descs_head_v2 header;
  std::uint32_t fsCount;
  std::uint32_t hsCount;
  Interface fs;
  Interface hs;
};

constexpr char kInterfaceName[] = "Kelm bridge";

struct [[gnu::packed]] Strings {
  usb_functionfs_strings_head header;
  std::uint16_t code;
  char name[sizeof kInterfaceName];
};

Interface MassStorage(std::uint16_t maxPacket) {
  Interface d{};
  d.intf.bLength = sizeof d.intf;
  d.intf.bDescriptorType = USB_DT_INTERFACE;
  d.intf.bNumEndpoints = 2;
  d.intf.bInterfaceClass = USB_CLASS_MASS_STORAGE;
  d.intf.bInterfaceSubClass = 0x06;  // SCSI transparent command set
  d.intf.bInterfaceProtocol = 0x50;  // Bulk-Only
  d.intf.iInterface = 1;
  d.in.bLength = d.out.bLength = sizeof d.in;
  d.in.bDescriptorType = d.out.bDescriptorType = USB_DT_ENDPOINT;
  d.in.bEndpointAddress = 1 | USB_DIR_IN;
  d.out.bEndpointAddress = 2 | USB_DIR_OUT;
  d.in.bmAttributes = d.out.bmAttributes = USB_ENDPOINT_XFER_BULK;
  d.in.wMaxPacketSize = d.out.wMaxPacketSize = htole16(maxPacket);
  return d;
}

void WriteAll(int fd, const void* data, std::size_t size, const std::string& what) {
  if (::write(fd, data, size) != static_cast<ssize_t>(size)) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
  }
}

int OpenOrThrow(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error(path + ": " + std::strerror(errno));
  return fd;
}

}  // namespace

FfsFunction::FfsFunction(const std::string& dir, std::uint8_t lunCount) : lunCount_(lunCount) {
  ep0_ = OpenOrThrow(dir + "/ep0", O_RDWR);
  Descriptors descriptors{};
  descriptors.header.magic = htole32(FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
  descriptors.header.length = htole32(sizeof descriptors);
  descriptors.header.flags = htole32(FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC);
  descriptors.fsCount = htole32(3);
  descriptors.hsCount = htole32(3);
  descriptors.fs = MassStorage(kFullSpeedPacket);
  descriptors.hs = MassStorage(512);
  WriteAll(ep0_, &descriptors, sizeof descriptors, dir + "/ep0 descriptors");

  Strings strings{};
  strings.header.magic = htole32(FUNCTIONFS_STRINGS_MAGIC);
  strings.header.length = htole32(sizeof strings);
  strings.header.str_count = htole32(1);
  strings.header.lang_count = htole32(1);
  strings.code = htole16(0x0409);
  std::memcpy(strings.name, kInterfaceName, sizeof kInterfaceName);
  WriteAll(ep0_, &strings, sizeof strings, dir + "/ep0 strings");

  // FunctionFS names the endpoint files in the order of their descriptors.
  in_ = OpenOrThrow(dir + "/ep1", O_RDWR);
  out_ = OpenOrThrow(dir + "/ep2", O_RDWR);
  control_ = std::thread([this] { ServeControl(); });
}

FfsFunction::~FfsFunction() {
  // The control thread blocks in ep0 for the life of the process; the program ends by
  // exiting, so it is left to the kernel.
  if (control_.joinable()) control_.detach();
}

void FfsFunction::NoteReset() {
  {
    std::lock_guard lock(mutex_);
    ++resets_;
  }
  resetSeen_.notify_all();
}

void FfsFunction::WaitForReset() {
  std::unique_lock lock(mutex_);
  const std::uint64_t seen = resets_;
  resetSeen_.wait(lock, [&] { return resets_ != seen; });
}

void FfsFunction::ServeControl() {
  usb_functionfs_event events[4];
  for (;;) {
    const ssize_t n = ::read(ep0_, events, sizeof events);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      usleep(10000);
      continue;
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(n) / sizeof events[0]; ++i) {
      const usb_functionfs_event& event = events[i];
      if (event.type == FUNCTIONFS_DISABLE || event.type == FUNCTIONFS_UNBIND) {
        NoteReset();
        continue;
      }
      if (event.type != FUNCTIONFS_SETUP) continue;
      const usb_ctrlrequest& setup = event.u.setup;
      const bool in = (setup.bRequestType & USB_DIR_IN) != 0;
      const bool classRequest = (setup.bRequestType & USB_TYPE_MASK) == USB_TYPE_CLASS;
      if (classRequest && in && setup.bRequest == kRequestGetMaxLun) {
        const std::uint8_t maxLun = static_cast<std::uint8_t>(lunCount_ - 1);
        (void)!::write(ep0_, &maxLun, 1);
      } else if (classRequest && !in && setup.bRequest == kRequestBulkOnlyReset) {
        (void)!::read(ep0_, events, 0);  // the status stage acknowledges it
        NoteReset();
      } else if (in) {
        (void)!::read(ep0_, events, 0);  // a read on an IN request stalls it
      } else {
        (void)!::write(ep0_, events, 0);  // a write on an OUT request stalls it
      }
    }
  }
}

long FfsFunction::ReadOut(std::span<std::uint8_t> buffer) {
  const ssize_t n = ::read(out_, buffer.data(), buffer.size());
  return n < 0 ? -errno : n;
}

bool FfsFunction::ReadOutFully(std::span<std::uint8_t> buffer) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    const long n = ReadOut(buffer.subspan(done));
    if (n == -EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool FfsFunction::WriteIn(std::span<const std::uint8_t> bytes) {
  for (;;) {
    const ssize_t n = ::write(in_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    return n == static_cast<ssize_t>(bytes.size());
  }
}

void FfsFunction::HaltIn() {
  std::uint8_t none = 0;
  // The read fails with EBADMSG once the halt is set: that is the stall.
  (void)!::read(in_, &none, 0);
}

}  // namespace kelm::gadget
