// A key capture that a test can refuse and press keys into, as the system's hook would.
#pragma once

#include "platform/key_capture.h"

class FakeKeyCapture : public KeyCapture {
 public:
  bool refuse = false;
  Refusal why = Refusal::notAllowed;  // what a refusal says
  bool active = false;

  bool start(Pressed pressed) override {
    if (refuse) return false;
    active = true;
    pressed_ = std::move(pressed);
    return true;
  }
  Refusal refusal() const override { return why; }
  void stop() override {
    active = false;
    pressed_ = {};
  }
  // A key-down while capturing; ignored otherwise, as the hook would not be there.
  void press(std::uint16_t code, std::uint64_t flags) {
    if (active && pressed_) pressed_(code, flags);
  }

 private:
  Pressed pressed_;
};
