// The passive key grabs behind X11HotKeys (see the header). One mutex guards the X connection, shared by the
// callers' threads and the event thread; the event thread waits on the connection and on an eventfd.
#include "platform/x11/x11_hot_keys.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/x11/keysyms.h"
#include "platform/x11/x_errors.h"

struct X11HotKeys::Connection {
  struct Chord {
    KeySym keysym;
    KeyCode code;  // on the display open now
    unsigned int modifiers;
    std::uint32_t number;
  };

  std::optional<std::string> name;
  std::mutex mutex;
  Display* display = nullptr;
  std::atomic<bool> lost{false};
  bool stopping = false;
  // Counts the displays given up: the event thread of one ends without touching it again.
  unsigned int generation = 0;
  int wake = -1;
  std::thread thread;
  // Event threads of displays given up, joined outside the mutex, which they may still be waiting for.
  std::vector<std::thread> retired;
  unsigned int numLock = 0;  // the modifier Num Lock is on, which keyboards differ in
  std::map<Handle, Chord> chords;
  Handle next = 1;

  // Opens the connection and starts its event thread on first use, and again after the server went away,
  // grabbing the chords held before on the new one; false when there is no display. With the mutex held.
  bool open(X11HotKeys& owner) {
    if (display && !lost) return true;
    if (display) forget();
    if (thread.joinable()) retired.push_back(std::move(thread));
    if (wake < 0) wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) return false;
    display = XOpenDisplay(name ? name->c_str() : nullptr);
    if (!display) return false;
    lost = false;
    xerrors::survive(display, lost);
    numLock = numLockMask();
    regrab();
    thread = std::thread(
        [this, &owner, mine = generation, fd = ConnectionNumber(display)] { run(owner, mine, fd); });
    return true;
  }

  // Gives up a display whose server went away, on whichever thread saw it first. With the mutex held.
  void forget() {
    xerrors::closeDisplay(display);
    display = nullptr;
    ++generation;
    poke();
  }

  // A chord that another client took meanwhile, or whose key this keyboard lacks, is dropped with its handle.
  void regrab() {
    const Window root = DefaultRootWindow(display);
    for (auto it = chords.begin(); it != chords.end();) {
      Chord& chord = it->second;
      chord.code = XKeysymToKeycode(display, chord.keysym);
      const bool refused = chord.code == 0 || xerrors::firstError(display, [&] { grab(root, chord); }) != 0;
      if (refused && chord.code != 0) xerrors::firstError(display, [&] { ungrab(root, chord); });
      it = refused ? chords.erase(it) : std::next(it);
    }
  }

  // With the mutex held, or before the thread exists.
  void close() {
    if (display && !lost) {
      const Window root = DefaultRootWindow(display);
      xerrors::firstError(display, [&] {
        for (const auto& [handle, chord] : chords)
          ungrab(root, chord);
      });
    }
    chords.clear();
  }

  // Without the mutex. Not the calling thread itself, when a `pressed` was what gave its display up.
  void joinRetired() {
    std::vector<std::thread> ending;
    {
      const std::lock_guard lock(mutex);
      for (auto it = retired.begin(); it != retired.end();) {
        if (it->get_id() == std::this_thread::get_id()) {
          ++it;
          continue;
        }
        ending.push_back(std::move(*it));
        it = retired.erase(it);
      }
    }
    for (auto& t : ending)
      t.join();
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

  std::optional<Handle> add(X11HotKeys& owner, KeySym keysym, unsigned int modifiers, std::uint32_t number) {
    if (!open(owner)) return std::nullopt;
    // Any level will do: a hot key is the physical key, so the keypad digits grab their keys too.
    const Chord chord{keysym, XKeysymToKeycode(display, keysym), modifiers, number};
    if (chord.code == 0) return std::nullopt;
    for (const auto& [handle, held] : chords)
      if (held.code == chord.code && held.modifiers == chord.modifiers) return std::nullopt;
    const Window root = DefaultRootWindow(display);
    const bool refused = xerrors::firstError(display, [&] { grab(root, chord); }) != 0;
    if (refused) xerrors::firstError(display, [&] { ungrab(root, chord); });
    poke();
    if (refused || lost) return std::nullopt;
    const Handle handle = next++;
    chords.emplace(handle, chord);
    return handle;
  }

  // `mine` is the generation of the display this thread serves, `connection` that display's socket.
  void run(X11HotKeys& owner, unsigned int mine, int connection) {
    while (true) {
      std::vector<std::uint32_t> numbers;
      bool ended = false;
      {
        const std::lock_guard lock(mutex);
        ended = stopping || generation != mine;
        if (!ended) {
          // Read before the queue is: a poke that comes after it is still seen by the next poll.
          std::uint64_t count = 0;
          [[maybe_unused]] const auto got = read(wake, &count, sizeof count);
          while (!lost && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
            if (event.type != KeyPress) continue;
            // The modifier bits only, without the locks every chord is grabbed under.
            const unsigned int held = event.xkey.state & 0xFF & ~(LockMask | numLock);
            for (const auto& [handle, chord] : chords)
              if (chord.code == event.xkey.keycode && chord.modifiers == held)
                numbers.push_back(chord.number);
          }
          if (lost) forget();
          ended = lost;
        }
      }
      // Outside the lock, so that `pressed` may register and unregister keys.
      for (const auto number : numbers)
        owner.tellPressed(number);
      if (ended) return;
      pollfd ready[2] = {{wake, POLLIN, 0}, {connection, POLLIN, 0}};
      poll(ready, 2, -1);
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
  x_->joinRetired();
  xerrors::closeDisplay(x_->display);
  if (x_->wake >= 0) ::close(x_->wake);
}

std::optional<HotKeySystem::Handle> X11HotKeys::registerKey(std::uint32_t key, std::uint32_t modifiers,
                                                            std::uint32_t number) {
  if (key > 0xFFFF) return std::nullopt;
  const auto keysym = x11keys::keysymFor(static_cast<std::uint16_t>(key));
  if (!keysym) return std::nullopt;
  std::optional<Handle> handle;
  {
    const std::lock_guard lock(x_->mutex);
    handle = x_->add(*this, *keysym, x11keys::modifiersOfHotKey(modifiers), number);
  }
  x_->joinRetired();
  return handle;
}

void X11HotKeys::unregisterKey(Handle handle) {
  const std::lock_guard lock(x_->mutex);
  const auto found = x_->chords.find(handle);
  if (found == x_->chords.end()) return;
  if (x_->display && !x_->lost) {
    xerrors::firstError(x_->display, [&] { x_->ungrab(DefaultRootWindow(x_->display), found->second); });
    x_->poke();
  }
  x_->chords.erase(found);
}
