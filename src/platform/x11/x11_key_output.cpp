// Posting key strokes through XTEST (see the header). The modifiers of a stroke are pressed as real modifier
// keys around it, and only those not already down, so that the application in front sees an ordinary chord.
#include "platform/x11/x11_key_output.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <vector>

#include "platform/x11/keysyms.h"
#include "platform/x11/x_errors.h"

namespace {

// The modifiers a stroke can carry, with the key pressed for each when the keyboard has it on that modifier.
constexpr struct {
  int index;
  KeySym preferred;
} MODIFIER_KEYS[] = {
    {Mod4MapIndex, XK_Super_L},
    {Mod1MapIndex, XK_Alt_L},
    {ShiftMapIndex, XK_Shift_L},
    {ControlMapIndex, XK_Control_L},
};

constexpr std::uint64_t QUARTER_FLAGS = 0x20000 | 0x80000;  // shift and alternate

}  // namespace

struct X11KeyOutput::Connection {
  std::optional<std::string> name;
  Display* display = nullptr;
  std::atomic<bool> lost{false};
  std::string advice;
  // Spare key codes given a keysym the keyboard lacks, the least recently given first.
  struct Borrowed {
    KeyCode code;
    KeySym keysym;
  };
  std::vector<Borrowed> borrowed;
  // Modifier keys this object pressed, with how many held keys still need each.
  std::map<KeyCode, int> heldModifiers;
  // Keys this object holds down, with the modifier keys pressed for them.
  std::map<KeyCode, std::vector<KeyCode>> keysDown;

  bool connect() {
    // Reading what is pending is what notices a server that went away, without a round trip.
    if (display && !lost) drain();
    if (display && !lost) return true;
    if (display) forget();
    display = XOpenDisplay(name ? name->c_str() : nullptr);
    if (!display) {
      const char* variable = std::getenv("DISPLAY");
      if (name)
        advice = "no X display is reachable at \"" + *name + "\"";
      else if (!variable || !*variable)
        advice = "no X display is reachable: DISPLAY is not set";
      else
        advice = "no X display is reachable at \"" + std::string(variable) + "\"";
      return false;
    }
    lost = false;
    xerrors::survive(display, lost);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
      advice = "the X display has no XTEST extension";
      xerrors::closeDisplay(display);
      display = nullptr;
      return false;
    }
    advice.clear();
    return true;
  }

  // Also after the server went away: nothing there is left to release or give back then.
  void forget() {
    xerrors::closeDisplay(display);
    display = nullptr;
    borrowed.clear();
    heldModifiers.clear();
    keysDown.clear();
  }

  void close() {
    if (!display) return;
    if (lost) return forget();
    // A key left down would repeat in the application in front until the user pressed it.
    for (const auto& [code, mods] : keysDown)
      XTestFakeKeyEvent(display, code, False, CurrentTime);
    for (const auto& [code, count] : heldModifiers)
      XTestFakeKeyEvent(display, code, False, CurrentTime);
    xerrors::firstError(display, [this] {
      for (const auto& b : borrowed) {
        KeySym none = NoSymbol;
        // Somebody else may have taken the code over since; theirs is left alone.
        if (mapsTo(b.code, b.keysym)) XChangeKeyboardMapping(display, b.code, 1, &none, 1);
      }
    });
    forget();
  }

  // Keeps Xlib's copy of the keyboard mapping current; nothing else is selected on this connection.
  void drain() {
    while (!lost && XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
    }
  }

  // Whether the server maps `code` to `keysym` now, asked afresh: Xlib's copy lags behind another client's
  // change until its MappingNotify has been read.
  bool mapsTo(KeyCode code, KeySym keysym) {
    int perCode = 0;
    KeySym* now = XGetKeyboardMapping(display, code, 1, &perCode);
    const bool mapped = now && perCode > 0 && now[0] == keysym;
    if (now) XFree(now);
    return mapped;
  }

  // What `code` gives with no modifier held in keyboard group `group`, as the receiving application reads it:
  // a key with fewer groups wraps round to its first.
  KeySym keysymIn(KeyCode code, unsigned int group) {
    unsigned int mods = 0;
    KeySym keysym = NoSymbol;
    return XkbLookupKeySym(display, code, XkbBuildCoreState(0, group), &mods, &keysym) ? keysym : NoSymbol;
  }

  // The key code that gives `keysym` with no modifier held, in the layout active now.
  std::optional<KeyCode> keyCodeOf(KeySym keysym) {
    const auto given = [&](const Borrowed& each) { return each.keysym == keysym; };
    if (const auto b = std::find_if(borrowed.begin(), borrowed.end(), given); b != borrowed.end()) {
      if (mapsTo(b->code, keysym)) return b->code;
      // Another client took the code over: it is theirs now, and the keysym needs a code again.
      borrowed.erase(b);
    }
    XkbStateRec state{};
    const unsigned int group = XkbGetState(display, XkbUseCoreKbd, &state) == Success ? state.group : 0;
    const KeyCode code = XKeysymToKeycode(display, keysym);
    if (code != 0 && keysymIn(code, group) == keysym) return code;
    int low = 0, high = 0;
    XDisplayKeycodes(display, &low, &high);
    for (int c = low; c <= high; ++c)
      if (keysymIn(static_cast<KeyCode>(c), group) == keysym) return static_cast<KeyCode>(c);
    return borrow(keysym);
  }

  std::optional<KeyCode> borrow(KeySym keysym) {
    int low = 0, high = 0, perCode = 0;
    XDisplayKeycodes(display, &low, &high);
    KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(low), high - low + 1, &perCode);
    XModifierKeymap* mods = XGetModifierMapping(display);
    if (!map || !mods) {
      if (map) XFree(map);
      if (mods) XFreeModifiermap(mods);
      return std::nullopt;
    }
    const auto spare = [&](int code) {
      for (int i = 0; i < perCode; ++i)
        if (map[(code - low) * perCode + i] != NoSymbol) return false;
      for (int i = 0; i < 8 * mods->max_keypermod; ++i)
        if (mods->modifiermap[i] == code) return false;
      return std::none_of(borrowed.begin(), borrowed.end(),
                          [&](const Borrowed& b) { return b.code == code; });
    };
    // From the top: the low codes are the ones keyboards and their drivers actually send.
    KeyCode code = 0;
    for (int c = high; c >= low && code == 0; --c)
      if (spare(c)) code = static_cast<KeyCode>(c);
    XFree(map);
    XFreeModifiermap(mods);
    if (code == 0) {
      // All taken: the least recently given code that is not held down takes the new keysym.
      const auto reusable = std::find_if(borrowed.begin(), borrowed.end(),
                                         [&](const Borrowed& b) { return !keysDown.contains(b.code); });
      if (reusable == borrowed.end()) return std::nullopt;
      code = reusable->code;
      borrowed.erase(reusable);
    }
    if (xerrors::firstError(display, [&] { XChangeKeyboardMapping(display, code, 1, &keysym, 1); }) != 0)
      return std::nullopt;
    borrowed.push_back({code, keysym});
    return code;
  }

  // Presses the modifier keys `flags` need and that are not down yet; returns those it now holds for the
  // stroke (pressed here, or pressed earlier by this object for another key). Nothing when a modifier has no
  // key on this keyboard: a chord without its modifier would be a different chord.
  std::optional<std::vector<KeyCode>> holdModifiers(std::uint64_t flags, KeyCode key) {
    const unsigned int mask = x11keys::modifiersOfFlags(flags);
    std::vector<KeyCode> held;
    if (mask == 0) return held;
    XModifierKeymap* map = XGetModifierMapping(display);
    if (!map) return std::nullopt;
    char down[32] = {};
    XQueryKeymap(display, down);
    const auto isDown = [&](KeyCode c) { return (down[c / 8] >> (c % 8)) & 1; };
    bool complete = true;
    for (const auto& m : MODIFIER_KEYS) {
      if (!(mask & (1u << m.index))) continue;
      const KeyCode* row = map->modifiermap + m.index * map->max_keypermod;
      const KeyCode* end = row + map->max_keypermod;
      // The stroke's key is this modifier's own key (posting "shift" with shift): it holds itself.
      if (std::find(row, end, key) != end) continue;
      const KeyCode preferred = XKeysymToKeycode(display, m.preferred);
      KeyCode chosen = std::find(row, end, preferred) != end ? preferred : 0;
      for (const KeyCode* c = row; c != end && chosen == 0; ++c)
        chosen = *c;
      if (chosen == 0) {
        complete = false;
        break;
      }
      if (const auto ours = heldModifiers.find(chosen); ours != heldModifiers.end()) {
        ++ours->second;
        held.push_back(chosen);
        continue;
      }
      if (std::any_of(row, end, [&](KeyCode c) { return c != 0 && isDown(c); })) continue;
      XTestFakeKeyEvent(display, chosen, True, CurrentTime);
      heldModifiers[chosen] = 1;
      held.push_back(chosen);
    }
    XFreeModifiermap(map);
    if (!complete) {
      releaseModifiers(held);
      return std::nullopt;
    }
    return held;
  }

  void releaseModifiers(const std::vector<KeyCode>& held) {
    for (auto c = held.rbegin(); c != held.rend(); ++c) {
      const auto count = heldModifiers.find(*c);
      if (count == heldModifiers.end() || --count->second > 0) continue;
      heldModifiers.erase(count);
      XTestFakeKeyEvent(display, *c, False, CurrentTime);
    }
  }

  bool post(KeySym keysym, std::uint64_t flags, bool down) {
    if (!connect()) return false;
    const auto code = keyCodeOf(keysym);
    if (!code) return false;
    if (down) {
      const auto mods = holdModifiers(flags, *code);
      if (!mods) return false;
      XTestFakeKeyEvent(display, *code, True, CurrentTime);
      auto& needs = keysDown[*code];
      needs.insert(needs.end(), mods->begin(), mods->end());
    } else {
      std::vector<KeyCode> mods;
      if (const auto held = keysDown.find(*code); held != keysDown.end()) {
        mods = std::move(held->second);
        keysDown.erase(held);
      } else if (auto pressed = holdModifiers(flags, *code)) {
        // A release with no press before it still carries its modifiers.
        mods = std::move(*pressed);
      } else {
        return false;
      }
      XTestFakeKeyEvent(display, *code, False, CurrentTime);
      releaseModifiers(mods);
    }
    XFlush(display);
    return !lost;
  }
};

X11KeyOutput::X11KeyOutput(std::optional<std::string> display) : x_(std::make_unique<Connection>()) {
  x_->name = std::move(display);
}

X11KeyOutput::~X11KeyOutput() {
  const std::lock_guard lock(mutex_);
  x_->close();
}

bool X11KeyOutput::trusted() {
  const std::lock_guard lock(mutex_);
  return x_->connect();
}

void X11KeyOutput::askForTrust() {
  const std::lock_guard lock(mutex_);
  x_->connect();
}

std::string X11KeyOutput::trustAdvice() {
  const std::lock_guard lock(mutex_);
  return x_->connect() ? std::string() : x_->advice;
}

bool X11KeyOutput::postKey(std::uint16_t code, std::uint64_t flags, bool down) {
  const auto keysym = x11keys::keysymFor(code);
  if (!keysym) return false;
  const std::lock_guard lock(mutex_);
  return x_->post(*keysym, flags, down);
}

void X11KeyOutput::pressSoundKey(SoundKey key, bool quarter) {
  const std::lock_guard lock(mutex_);
  const KeySym keysym = x11keys::soundKeysym(key);
  const std::uint64_t flags = quarter ? QUARTER_FLAGS : 0;
  if (x_->post(keysym, flags, true)) x_->post(keysym, flags, false);
}
