#pragma once
// The disk claim port: while a bridge is flashed, nothing else may use the drive behind it
// (a mounted filesystem keeps sending commands among ours and is yanked by the re-plug).

#include <string>

namespace kelm::platform {

class DiskClaim {
 public:
  virtual ~DiskClaim() = default;
  // Takes the drive behind `devicePath` for this process alone, until Release. False when
  // something else uses it (a mounted partition, another claim); nothing is held then.
  virtual bool Claim(const std::string& devicePath) = 0;
  // Gives back what Claim took; harmless when nothing is held.
  virtual void Release() = 0;
  // After a refused Claim: what holds the drive, named as the user sees it (drive letters,
  // mount points), and what to do about it, in a sentence or two; empty when nothing is known.
  virtual std::string Refusal() const { return {}; }
};

// Where no other user of a drive can exist (the simulated bench): every claim succeeds.
class UncontestedDiskClaim final : public DiskClaim {
 public:
  bool Claim(const std::string&) override { return true; }
  void Release() override {}
};

}  // namespace kelm::platform
