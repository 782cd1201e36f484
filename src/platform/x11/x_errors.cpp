// The process-wide Xlib error handlers behind xerrors (see the header). Xlib allows one handler per process,
// so errors are matched to the connection being checked; everything else is dropped rather than fatal.
#include "platform/x11/x_errors.h"

#include <X11/Xlib.h>

#include <map>
#include <mutex>
#include <thread>

namespace {

// The connection being checked and its first error. Atomic because Xlib calls the handler on whichever thread
// reads an error, which for other connections is not the thread holding the mutex.
struct Checking {
  std::mutex mutex;
  std::atomic<Display*> display{nullptr};
  std::atomic<int> code{0};
};

Checking& checking() {
  static Checking state;
  return state;
}

// Lost displays, with the thread that noticed: the only one Xlib still lets in.
struct Losses {
  std::mutex mutex;
  std::map<Display*, std::thread::id> noticedBy;
};

Losses& losses() {
  static Losses state;
  return state;
}

int recordError(Display* display, XErrorEvent* error) {
  auto& state = checking();
  if (display == state.display.load()) {
    int none = 0;
    state.code.compare_exchange_strong(none, error->error_code);
  }
  return 0;
}

// Returning lets Xlib go on to the connection's exit handler: by default that still ends the process, for the
// connections given to survive() it only raises their flag.
int reportLoss(Display*) {
  return 0;
}

void markLost(Display* display, void* lost) {
  {
    auto& state = losses();
    const std::lock_guard lock(state.mutex);
    state.noticedBy.emplace(display, std::this_thread::get_id());
  }
  static_cast<std::atomic<bool>*>(lost)->store(true);
}

}  // namespace

namespace xerrors {

int firstError(_XDisplay* display, const std::function<void()>& calls) {
  auto& state = checking();
  const std::lock_guard lock(state.mutex);
  // Set again each time: another part of the process may have put Xlib's fatal default back.
  XSetErrorHandler(recordError);
  XSync(display, False);
  state.code.store(0);
  state.display.store(display);
  calls();
  XSync(display, False);
  state.display.store(nullptr);
  return state.code.load();
}

void survive(_XDisplay* display, std::atomic<bool>& lost) {
  XSetErrorHandler(recordError);
  XSetIOErrorHandler(reportLoss);
  XSetIOErrorExitHandler(display, markLost, &lost);
}

void closeDisplay(_XDisplay* display) {
  if (!display) return;
  {
    auto& state = losses();
    const std::lock_guard lock(state.mutex);
    const auto lost = state.noticedBy.find(display);
    if (lost != state.noticedBy.end()) {
      const bool here = lost->second == std::this_thread::get_id();
      state.noticedBy.erase(lost);
      if (!here) return;
    }
  }
  XCloseDisplay(display);
}

}  // namespace xerrors
