// The application's main-thread Loop over the Qt event loop, so that the engines' timers and work handed over
// from MIDI threads run between Qt's own events. Only the application includes this; Qt stays in the .cpp.
#pragma once

#include <functional>
#include <memory>

#include "platform/loop.h"

class QtLoop : public Loop {
 public:
  // Construct on the thread that runs the QCoreApplication; timers, watches and posted work run there.
  // after(), every(), watch() and cancelling a task belong on that thread too; post() may come from any
  // thread.
  QtLoop();
  ~QtLoop() override;
  QtLoop(const QtLoop&) = delete;
  QtLoop& operator=(const QtLoop&) = delete;

  double now() const override;
  TaskHandle after(double seconds, std::function<void()> fn) override;
  TaskHandle every(double seconds, std::function<void()> fn) override;
  void post(std::function<void()> fn) override;
  TaskHandle watch(int descriptor, std::function<void()> fn) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
