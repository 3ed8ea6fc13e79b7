#pragma once
// One mass-storage interface served through FunctionFS: the descriptors, the control
// requests of the Bulk-Only class on ep0 (answered on a thread of their own), and the two
// bulk endpoints.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <thread>

namespace kelm::gadget {

class FfsFunction {
 public:
  // Writes the descriptors to DIR/ep0 and opens the bulk endpoints; throws on failure.
  FfsFunction(const std::string& dir, std::uint8_t lunCount);
  ~FfsFunction();
  FfsFunction(const FfsFunction&) = delete;
  FfsFunction& operator=(const FfsFunction&) = delete;

  // Reads one bulk-out transfer; bytes read or -errno. While the gadget is unbound the
  // read waits; a reset or an unbind ends it with -ESHUTDOWN.
  long ReadOut(std::span<std::uint8_t> buffer);
  // Reads exactly `buffer.size()` bytes of a data-out phase; false when the host went away.
  bool ReadOutFully(std::span<std::uint8_t> buffer);
  // Sends bytes on bulk-in (a short transfer ends with a short packet); false on failure.
  bool WriteIn(std::span<const std::uint8_t> bytes);
  // Stalls bulk-in until the host clears it.
  void HaltIn();
  // Waits until the host resets the interface (class reset, port reset or unbind).
  void WaitForReset();

  static constexpr std::uint32_t kFullSpeedPacket = 64;

 private:
  void ServeControl();
  void NoteReset();

  int ep0_ = -1, in_ = -1, out_ = -1;
  std::uint8_t lunCount_;
  std::mutex mutex_;
  std::condition_variable resetSeen_;
  std::uint64_t resets_ = 0;
  std::thread control_;
};

}  // namespace kelm::gadget
