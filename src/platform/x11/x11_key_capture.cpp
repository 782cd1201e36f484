// The keyboard grab behind X11KeyCapture (see the header). The grab's thread waits on the X connection and on
// an eventfd, so that stop() never waits for the next X event to arrive.
#include "platform/x11/x11_key_capture.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>
#include <utility>

#include "platform/x11/keysyms.h"
#include "platform/x11/x_errors.h"

struct X11KeyCapture::Session {
  Display* display = nullptr;
  std::atomic<bool> lost{false};
  std::atomic<bool> stopping{false};
  int wake = -1;
  Pressed pressed;
  std::thread thread;

  ~Session() {
    signal();
    if (thread.joinable()) thread.join();
    xerrors::closeDisplay(display);
    if (wake >= 0) close(wake);
  }

  void signal() {
    stopping = true;
    const std::uint64_t one = 1;
    // Cannot fail short of overflowing the counter, and the flag alone is seen at the next wake anyway.
    [[maybe_unused]] const auto written = wake >= 0 ? write(wake, &one, sizeof one) : 0;
  }

  void run(std::chrono::milliseconds longest) {
    const int connection = ConnectionNumber(display);
    const auto deadline = std::chrono::steady_clock::now() + longest;
    std::optional<std::pair<std::uint16_t, std::uint64_t>> key;
    while (!stopping && !key) {
      while (!stopping && !lost && !key && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
        if (event.type == KeyPress) key = keyOf(event.xkey);
      }
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (key || stopping || left.count() <= 0) break;
      // A lost connection stays readable for ever; only the eventfd is worth waiting on then.
      pollfd ready[2] = {{wake, POLLIN, 0}, {connection, POLLIN, 0}};
      if (poll(ready, lost ? 1 : 2, static_cast<int>(left.count())) > 0 && (ready[0].revents & POLLIN)) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto got = read(wake, &count, sizeof count);
      }
    }
    // Closed here, by the one thread that uses it: after a loss Xlib lets no other thread in. Closing ends
    // the grab, before the key is handed over, so that the keyboard is free whatever `pressed` waits for.
    xerrors::closeDisplay(display);
    display = nullptr;
    if (key && !stopping) pressed(key->first, key->second);
  }

  // The key table's code and the flags of a press; nothing for a modifier key pressed alone.
  std::optional<std::pair<std::uint16_t, std::uint64_t>> keyOf(const XKeyEvent& key) {
    const auto keycode = static_cast<KeyCode>(key.keycode);
    // The key as printed, whatever modifiers are held: shift+s is "s" with shift.
    const KeySym base = XkbKeycodeToKeysym(display, keycode, 0, 0);
    if (IsModifierKey(base)) return std::nullopt;
    std::optional<std::uint16_t> code;
    // The layout in use first; the first layout when that one's keysym has no code (a non-Latin layout).
    if (const unsigned int group = (key.state >> 13) & 3; group != 0)
      code = x11keys::codeFor(XkbKeycodeToKeysym(display, keycode, group, 0));
    if (!code) code = x11keys::codeFor(base);
    return std::pair{code.value_or(x11keys::NO_CODE), x11keys::flagsOfModifiers(key.state)};
  }
};

X11KeyCapture::X11KeyCapture(std::optional<std::string> display, std::chrono::milliseconds longest)
    : display_(std::move(display)), longest_(longest) {}

X11KeyCapture::~X11KeyCapture() {
  stop();
}

bool X11KeyCapture::start(Pressed pressed) {
  stop();
  auto session = std::make_unique<Session>();
  refusal_ = Refusal::notAllowed;
  session->display = XOpenDisplay(display_ ? display_->c_str() : nullptr);
  if (!session->display) return false;
  xerrors::survive(session->display, session->lost);
  const int grab = XGrabKeyboard(session->display, DefaultRootWindow(session->display), False, GrabModeAsync,
                                 GrabModeAsync, CurrentTime);
  if (grab == AlreadyGrabbed || grab == GrabFrozen) refusal_ = Refusal::keyboardHeld;
  if (grab != GrabSuccess || session->lost) return false;
  session->wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (session->wake < 0) return false;
  session->pressed = std::move(pressed);
  session->thread = std::thread([s = session.get(), longest = longest_] { s->run(longest); });
  std::unique_ptr<Session> replaced;
  {
    const std::lock_guard lock(mutex_);
    replaced = std::exchange(session_, std::move(session));
  }
  return true;
}

void X11KeyCapture::stop() {
  std::unique_ptr<Session> ending, ended;
  {
    const std::lock_guard lock(mutex_);
    if (session_ && session_->thread.get_id() == std::this_thread::get_id()) {
      session_->signal();
      ended = std::exchange(ended_, std::move(session_));
      return;  // `ended` belongs to another thread: joined here, after the lock
    }
    ending = std::move(session_);
    ended = std::move(ended_);
  }
  // Joined outside the lock: a `pressed` still running may call stop() itself.
}
