// The passive key grabs behind X11HotKeys (see the header). One mutex guards the X connection, shared by the
// callers' threads and the event thread; the event thread waits on the connection and on an eventfd.
#include "platform/x11/x11_hot_keys.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/x11/keysyms.h"
#include "platform/x11/x_errors.h"

struct X11HotKeys::Connection {
  struct Chord {
    KeyCode code;
    unsigned int modifiers;
    std::uint32_t number;
  };

  std::optional<std::string> name;
  std::mutex mutex;
  Display* display = nullptr;
  std::atomic<bool> lost{false};
  std::atomic<bool> stopping{false};
  int wake = -1;
  std::thread thread;
  unsigned int numLock = 0;  // the modifier Num Lock is on, which keyboards differ in
  std::map<Handle, Chord> chords;
  Handle next = 1;

  // Opens the connection and starts the event thread on first use; false when there is no display.
  bool open(X11HotKeys& owner) {
    if (display) return !lost;
    if (wake < 0) wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) return false;
    display = XOpenDisplay(name ? name->c_str() : nullptr);
    if (!display) return false;
    xerrors::survive(display, lost);
    numLock = numLockMask();
    thread = std::thread([this, &owner] { run(owner); });
    return true;
  }

  // Called with the mutex held, or before the thread exists.
  void close() {
    if (!display) return;
    if (!lost) {
      const Window root = DefaultRootWindow(display);
      xerrors::firstError(display, [&] {
        for (const auto& [handle, chord] : chords)
          ungrab(root, chord);
      });
    }
    chords.clear();
  }

  unsigned int numLockMask() {
    XModifierKeymap* map = XGetModifierMapping(display);
    if (!map) return 0;
    const KeyCode key = XKeysymToKeycode(display, XK_Num_Lock);
    unsigned int mask = 0;
    for (int i = 0; i < 8 * map->max_keypermod && key != 0; ++i)
      if (map->modifiermap[i] == key) mask = 1u << (i / map->max_keypermod);
    XFreeModifiermap(map);
    return mask;
  }

  std::vector<unsigned int> lockVariants() const {
    if (numLock == 0 || numLock == LockMask) return {0, LockMask};
    return {0, LockMask, numLock, LockMask | numLock};
  }

  void grab(Window root, const Chord& chord) {
    for (const unsigned int locks : lockVariants())
      XGrabKey(display, chord.code, chord.modifiers | locks, root, False, GrabModeAsync, GrabModeAsync);
  }

  // Releases only this client's grabs: a variant another client holds stays theirs.
  void ungrab(Window root, const Chord& chord) {
    for (const unsigned int locks : lockVariants())
      XUngrabKey(display, chord.code, chord.modifiers | locks, root);
  }

  // Answering a request may have read events off the connection into Xlib's queue, where poll cannot see
  // them: the event thread is woken to look.
  void poke() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = wake >= 0 ? write(wake, &one, sizeof one) : 0;
  }

  void run(X11HotKeys& owner) {
    const int connection = ConnectionNumber(display);
    while (!stopping) {
      std::vector<std::uint32_t> numbers;
      {
        const std::lock_guard lock(mutex);
        while (!lost && XPending(display) > 0) {
          XEvent event;
          XNextEvent(display, &event);
          if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
          if (event.type != KeyPress) continue;
          // The modifier bits only, without the locks every chord is grabbed under.
          const unsigned int held = event.xkey.state & 0xFF & ~(LockMask | numLock);
          for (const auto& [handle, chord] : chords)
            if (chord.code == event.xkey.keycode && chord.modifiers == held) numbers.push_back(chord.number);
        }
      }
      // Outside the lock, so that `pressed` may register and unregister keys.
      for (const auto number : numbers)
        if (owner.pressed) owner.pressed(number);
      pollfd ready[2] = {{wake, POLLIN, 0}, {connection, POLLIN, 0}};
      if (poll(ready, lost ? 1 : 2, -1) > 0 && (ready[0].revents & POLLIN)) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto got = read(wake, &count, sizeof count);
      }
    }
  }
};

X11HotKeys::X11HotKeys(std::optional<std::string> display) : x_(std::make_unique<Connection>()) {
  x_->name = std::move(display);
  const std::lock_guard lock(x_->mutex);
  x_->open(*this);
}

X11HotKeys::~X11HotKeys() {
  {
    const std::lock_guard lock(x_->mutex);
    x_->close();
    x_->stopping = true;
    x_->poke();
  }
  if (x_->thread.joinable()) x_->thread.join();
  xerrors::closeDisplay(x_->display);
  if (x_->wake >= 0) ::close(x_->wake);
}

std::optional<HotKeySystem::Handle> X11HotKeys::registerKey(std::uint32_t key, std::uint32_t modifiers,
                                                            std::uint32_t number) {
  if (key > 0xFFFF) return std::nullopt;
  const auto keysym = x11keys::keysymFor(static_cast<std::uint16_t>(key));
  if (!keysym) return std::nullopt;
  const std::lock_guard lock(x_->mutex);
  if (!x_->open(*this)) return std::nullopt;
  Display* display = x_->display;
  // Any level will do: a hot key is the physical key, so the keypad digits grab their keys too.
  const Connection::Chord chord{XKeysymToKeycode(display, *keysym), x11keys::modifiersOfHotKey(modifiers),
                                number};
  if (chord.code == 0) return std::nullopt;
  for (const auto& [handle, held] : x_->chords)
    if (held.code == chord.code && held.modifiers == chord.modifiers) return std::nullopt;
  const Window root = DefaultRootWindow(display);
  const bool refused = xerrors::firstError(display, [&] { x_->grab(root, chord); }) != 0;
  if (refused) xerrors::firstError(display, [&] { x_->ungrab(root, chord); });
  x_->poke();
  if (refused || x_->lost) return std::nullopt;
  const Handle handle = x_->next++;
  x_->chords.emplace(handle, chord);
  return handle;
}

void X11HotKeys::unregisterKey(Handle handle) {
  const std::lock_guard lock(x_->mutex);
  const auto found = x_->chords.find(handle);
  if (found == x_->chords.end()) return;
  if (!x_->lost) {
    xerrors::firstError(x_->display, [&] { x_->ungrab(DefaultRootWindow(x_->display), found->second); });
    x_->poke();
  }
  x_->chords.erase(found);
}
