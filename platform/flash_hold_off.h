#pragma once
// The hold-off port: what would cut a flash short (an interrupt, a shutdown, sleep) is held
// off from the first command that changes a flash until the procedure has ended, since a
// bridge left between an erase and its write has no firmware to start from.

#include <memory>
#include <utility>
#include <vector>

namespace kelm::platform {

class FlashHoldOff {
 public:
  virtual ~FlashHoldOff() = default;
  // The procedure's first command that changes a flash is about to be sent.
  virtual void Hold() = 0;
  // The procedure has ended (verified, restored or failed): whatever was held goes.
  virtual void Release() = 0;
  // Whether an interrupt came while held (a program that holds interrupts ends after the
  // procedure with the interrupted status).
  virtual bool interrupted() const { return false; }
};

// Where nothing needs holding off (the simulated bench, tests).
class NoFlashHoldOff final : public FlashHoldOff {
 public:
  void Hold() override {}
  void Release() override {}
};

// Several hold-offs as one: held in order, released in the reverse order.
class FlashHoldOffs final : public FlashHoldOff {
 public:
  void Add(std::unique_ptr<FlashHoldOff> holdOff) { parts_.push_back(std::move(holdOff)); }
  void Hold() override {
    for (const auto& part : parts_) part->Hold();
  }
  void Release() override {
    for (auto part = parts_.rbegin(); part != parts_.rend(); ++part) (*part)->Release();
  }
  bool interrupted() const override {
    for (const auto& part : parts_) {
      if (part->interrupted()) return true;
    }
    return false;
  }

 private:
  std::vector<std::unique_ptr<FlashHoldOff>> parts_;
};

// The shared instance for callers that hold nothing off.
inline FlashHoldOff& NothingHeldOff() {
  static NoFlashHoldOff nothing;
  return nothing;
}

}  // namespace kelm::platform
