// The X keyboard backends against the run's X server: strokes posted with XTEST reach another client's
// focused window as real chords, a capture swallows what it hands over, hot keys fire whatever locks are on,
// and a chord another client holds is refused without ending the process.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "keystroke/keys.h"
#include "platform/x11/keysyms.h"
#include "platform/x11/x11_hot_keys.h"
#include "platform/x11/x11_key_capture.h"
#include "platform/x11/x11_key_output.h"
#include "platform/x11/x_errors.h"
#include "support/services.h"
#include "support/spawned_process.h"

// After GoogleTest: Xlib's macros (None, Bool) would rename its declarations.
#include <X11/XF86keysym.h>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

constexpr unsigned int CHORD_MASK = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;
constexpr std::uint32_t HOT_COMMAND_SHIFT = 0x100 | 0x200;

std::uint16_t code(const char* name) {
  return KS_KEYS().at(name);
}

struct KeyEvent {
  bool press;
  KeySym keysym;
  unsigned int state;
};

// What another thread hands over.
template <typename T>
class Inbox {
 public:
  void put(T item) {
    const std::lock_guard lock(mutex_);
    items_.push_back(std::move(item));
  }
  // Everything handed over once there are `count` items, or when the patience ran out.
  std::vector<T> await(std::size_t count) {
    eventually([&] { return take().size() >= count; });
    return take();
  }

 private:
  std::vector<T> take() {
    const std::lock_guard lock(mutex_);
    return items_;
  }
  std::mutex mutex_;
  std::vector<T> items_;
};

using Captured = std::pair<std::uint16_t, std::uint64_t>;

// A window of another X client, mapped and given the focus, and the output that types into it.
class X11Keyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_SERVICE("DISPLAY", "the X server");
    viewer_ = XOpenDisplay(nullptr);
    ASSERT_NE(viewer_, nullptr);
    root_ = DefaultRootWindow(viewer_);
    window_ = XCreateSimpleWindow(viewer_, root_, 0, 0, 200, 200, 0, 0, 0);
    XSelectInput(viewer_, window_, KeyPressMask | KeyReleaseMask | StructureNotifyMask | FocusChangeMask);
    XMapWindow(viewer_, window_);
    ASSERT_TRUE(awaitEvent(MapNotify));
    // There is no window manager to do it.
    XSetInputFocus(viewer_, window_, RevertToPointerRoot, CurrentTime);
    ASSERT_TRUE(awaitEvent(FocusIn));
  }

  void TearDown() override {
    if (viewer_) XCloseDisplay(viewer_);
  }

  std::optional<XEvent> nextEvent() {
    if (!eventually([&] { return XPending(viewer_) > 0; })) return std::nullopt;
    XEvent event;
    XNextEvent(viewer_, &event);
    if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
    return event;
  }

  bool awaitEvent(int type) {
    while (const auto event = nextEvent())
      if (event->type == type) return true;
    return false;
  }

  // The keysym as an application reads it: in the event's keyboard group, with no modifier held.
  std::optional<KeyEvent> nextKey() {
    while (const auto e = nextEvent())
      if (e->type == KeyPress || e->type == KeyRelease) {
        unsigned int mods = 0;
        KeySym keysym = NoSymbol;
        XkbLookupKeySym(viewer_, static_cast<KeyCode>(e->xkey.keycode),
                        XkbBuildCoreState(0, XkbGroupForCoreState(e->xkey.state)), &mods, &keysym);
        return KeyEvent{e->type == KeyPress, keysym, e->xkey.state};
      }
    return std::nullopt;
  }

  std::vector<KeyEvent> nextKeys(std::size_t count) {
    std::vector<KeyEvent> keys;
    while (keys.size() < count)
      if (const auto key = nextKey())
        keys.push_back(*key);
      else
        break;
    return keys;
  }

  // Strokes "b": its press must be the first the window sees, and its release follow. Releases before it are
  // allowed: a capture that ends once it has a press may let that stroke's releases through, which no
  // application acts on.
  ::testing::AssertionResult bIsTheFirstPressTheWindowSees() {
    stroke("b");
    while (const auto key = nextKey()) {
      if (!key->press) continue;
      if (key->keysym != XK_b)
        return ::testing::AssertionFailure()
               << "a press of keysym 0x" << std::hex << key->keysym << " came first";
      const auto release = nextKey();
      if (!release || release->press || release->keysym != XK_b)
        return ::testing::AssertionFailure() << "b was pressed but its release did not follow";
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "no press reached the window";
  }

  void stroke(const char* key, std::uint64_t flags = 0) {
    EXPECT_TRUE(output_.postKey(code(key), flags, true)) << key;
    EXPECT_TRUE(output_.postKey(code(key), flags, false)) << key;
  }

  Display* viewer_ = nullptr;
  Window root_ = 0;
  Window window_ = 0;
  X11KeyOutput output_;
};

TEST_F(X11Keyboard, PostedStrokesArriveInAnotherClientsWindowWithTheirModifiersPressedAroundThem) {
  EXPECT_TRUE(output_.trusted());
  EXPECT_EQ(output_.trustAdvice(), "");
  const struct {
    const char* what;
    std::function<void()> press;
    KeySym keysym;
    std::vector<KeySym> modifiers;
    unsigned int state;
  } cases[] = {
      // clang-format off
      {"cmd+shift+s", [&] { stroke("s", FLAG_COMMAND | FLAG_SHIFT); }, XK_s, {XK_Super_L, XK_Shift_L}, Mod4Mask | ShiftMask},
      {"fn+s, fn having no X modifier", [&] { stroke("s", FLAG_SECONDARY_FN); }, XK_s, {}, 0},
      {"shift+f13, F13 having no key here", [&] { stroke("f13", FLAG_SHIFT); }, XK_F13, {XK_Shift_L}, ShiftMask},
      {"pad1, on the keypad's second level", [&] { stroke("pad1"); }, XK_KP_1, {}, 0},
      {"shift with shift, holding itself", [&] { stroke("shift", FLAG_SHIFT); }, XK_Shift_L, {}, 0},
      {"a quarter volume step", [&] { output_.pressSoundKey(SoundKey::up, true); }, XF86XK_AudioRaiseVolume,
       {XK_Shift_L, XK_Alt_L}, ShiftMask | Mod1Mask},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.press();
    const std::size_t n = c.modifiers.size();
    const auto keys = nextKeys(2 * n + 2);
    ASSERT_EQ(keys.size(), 2 * n + 2);
    // The modifiers go down before the key and up after it, each in any order.
    const auto modifiers = [&](std::size_t from, bool press) {
      std::vector<KeySym> got;
      for (std::size_t i = from; i < from + n; ++i)
        got.push_back(keys[i].press == press ? keys[i].keysym : NoSymbol);
      std::sort(got.begin(), got.end());
      return got;
    };
    auto wanted = c.modifiers;
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(modifiers(0, true), wanted);
    EXPECT_EQ(modifiers(n + 2, false), wanted);
    EXPECT_EQ(std::tuple(keys[n].press, keys[n].keysym, keys[n].state & CHORD_MASK),
              std::tuple(true, c.keysym, c.state));
    EXPECT_EQ(std::pair(keys[n + 1].press, keys[n + 1].keysym), std::pair(false, c.keysym));
  }
  // A modifier already down is neither pressed again nor released by the stroke.
  EXPECT_TRUE(output_.postKey(code("shift"), FLAG_SHIFT, true));
  stroke("s", FLAG_SHIFT);
  EXPECT_TRUE(output_.postKey(code("shift"), 0, false));
  const auto keys = nextKeys(4);
  ASSERT_EQ(keys.size(), 4u);
  EXPECT_TRUE(keys[0].press && keys[0].keysym == XK_Shift_L);
  EXPECT_TRUE(keys[1].press && keys[1].keysym == XK_s && (keys[1].state & CHORD_MASK) == ShiftMask);
  EXPECT_TRUE(!keys[2].press && keys[2].keysym == XK_s);
  EXPECT_TRUE(!keys[3].press && keys[3].keysym == XK_Shift_L);
}

// A second layout that has the S key give "ы" is made active; another client then takes the code that the
// output borrowed for F13.
TEST_F(X11Keyboard, StrokesArriveAsTheirKeysymUnderASecondLayoutAndOnACodeAnotherClientTookOver) {
  const KeyCode s = XKeysymToKeycode(viewer_, XK_s);
  int perCode = 0;
  KeySym* saved = XGetKeyboardMapping(viewer_, s, 1, &perCode);
  ASSERT_NE(saved, nullptr);
  KeySym twoGroups[] = {XK_s, XK_S, XK_Cyrillic_yeru, XK_Cyrillic_YERU};
  XChangeKeyboardMapping(viewer_, s, 4, twoGroups, 1);
  XkbLockGroup(viewer_, XkbUseCoreKbd, 1);
  XSync(viewer_, False);
  stroke("s", FLAG_CONTROL);
  const auto keys = nextKeys(4);
  XkbLockGroup(viewer_, XkbUseCoreKbd, 0);
  XChangeKeyboardMapping(viewer_, s, perCode, saved, 1);
  XFree(saved);
  XSync(viewer_, False);
  ASSERT_EQ(keys.size(), 4u);
  EXPECT_EQ(std::tuple(keys[1].press, keys[1].keysym, keys[1].state & CHORD_MASK),
            std::tuple(true, KeySym(XK_s), ControlMask));

  stroke("f13");
  ASSERT_EQ(nextKeys(2).size(), 2u);
  const KeyCode borrowed = XKeysymToKeycode(viewer_, XK_F13);
  ASSERT_NE(borrowed, 0);
  KeySym theirs = XK_F14;
  XChangeKeyboardMapping(viewer_, borrowed, 1, &theirs, 1);
  XSync(viewer_, False);
  stroke("f13");
  const auto again = nextKeys(2);
  theirs = NoSymbol;
  XChangeKeyboardMapping(viewer_, borrowed, 1, &theirs, 1);
  XSync(viewer_, False);
  ASSERT_EQ(again.size(), 2u);
  EXPECT_EQ(again[0].keysym, KeySym(XK_F13));
}

TEST_F(X11Keyboard, ACapturedKeyReachesNoWindowAndComesBackAsItsCodeAndFlags) {
  const struct {
    const char* what;
    std::function<void()> press;
    Captured expected;
    bool stopInside = false;  // the callback stops the capture from the capture's own thread
  } cases[] = {
      // clang-format off
      {"cmd+shift+s", [&] { stroke("s", FLAG_COMMAND | FLAG_SHIFT); }, {1, FLAG_COMMAND | FLAG_SHIFT}},
      // Not ctrl+alt: with those two the F keys switch the server's virtual terminal.
      {"ctrl+shift+f5", [&] { stroke("f5", FLAG_CONTROL | FLAG_SHIFT); }, {96, FLAG_CONTROL | FLAG_SHIFT}},
      {"a key with no name", [&] { output_.pressSoundKey(SoundKey::mute, true); }, {x11keys::NO_CODE, FLAG_SHIFT | FLAG_ALTERNATE}},
      {"s, stopped from the callback", [&] { stroke("s"); }, {1, 0}, true},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Inbox<Captured> captured;
    X11KeyCapture capture;
    ASSERT_TRUE(capture.start([&](std::uint16_t key, std::uint64_t flags) {
      if (c.stopInside) capture.stop();
      captured.put({key, flags});
    }));
    c.press();
    captured.await(1);
    // Keys flow again before any stop(), and the captured stroke never reached the window.
    EXPECT_TRUE(bIsTheFirstPressTheWindowSees());
    // Modifier keys pressed alone are not handed over, nor anything after the first key.
    EXPECT_EQ(captured.await(0), std::vector<Captured>{c.expected});
    capture.stop();
  }

  // Refused while another client holds the keyboard; then, with no stop(), the keyboard comes back when the
  // capture's time is up, however long its owner takes.
  ASSERT_EQ(XGrabKeyboard(viewer_, root_, False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
  X11KeyCapture capture(std::nullopt, std::chrono::milliseconds(100));
  Inbox<Captured> captured;
  const auto put = [&](std::uint16_t key, std::uint64_t flags) { captured.put({key, flags}); };
  EXPECT_FALSE(capture.start(put));
  EXPECT_EQ(capture.refusal(), KeyCapture::Refusal::keyboardHeld);
  XUngrabKeyboard(viewer_, CurrentTime);
  XSync(viewer_, False);
  ASSERT_TRUE(capture.start(put));
  EXPECT_TRUE(eventually([&] {
    const bool free =
        XGrabKeyboard(viewer_, root_, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    XUngrabKeyboard(viewer_, CurrentTime);
    XSync(viewer_, False);
    return free;
  }));
  EXPECT_TRUE(bIsTheFirstPressTheWindowSees());
  EXPECT_TRUE(captured.await(0).empty());
}

TEST_F(X11Keyboard, AHotKeyFiresWhateverLocksAreOnAndStopsGrabbingWhenUnregistered) {
  Inbox<std::uint32_t> fired;  // outlives the hot keys' thread
  X11HotKeys hotKeys;
  hotKeys.pressed = [&](std::uint32_t number) { fired.put(number); };
  const auto handle = hotKeys.registerKey(code("f9"), HOT_COMMAND_SHIFT, 7);
  ASSERT_TRUE(handle);
  EXPECT_FALSE(hotKeys.registerKey(code("f9"), HOT_COMMAND_SHIFT, 8)) << "held twice";
  stroke("f9", FLAG_COMMAND | FLAG_SHIFT);
  EXPECT_EQ(fired.await(1), std::vector<std::uint32_t>{7});
  stroke("capslock");
  stroke("f9", FLAG_COMMAND | FLAG_SHIFT);
  stroke("capslock");
  EXPECT_EQ(fired.await(2), (std::vector<std::uint32_t>{7, 7}));
  const unsigned int numLock = XkbKeysymToModifiers(viewer_, XK_Num_Lock);
  ASSERT_NE(numLock, 0u);
  XkbLockModifiers(viewer_, XkbUseCoreKbd, numLock | LockMask, numLock | LockMask);
  XSync(viewer_, False);
  stroke("f9", FLAG_COMMAND | FLAG_SHIFT);
  XkbLockModifiers(viewer_, XkbUseCoreKbd, numLock | LockMask, 0);
  XSync(viewer_, False);
  EXPECT_EQ(fired.await(3), (std::vector<std::uint32_t>{7, 7, 7})) << "with Num Lock and Caps Lock on";

  hotKeys.unregisterKey(*handle);
  stroke("f9", FLAG_COMMAND | FLAG_SHIFT);
  std::optional<KeyEvent> key;
  while ((key = nextKey()) && !(key->press && key->keysym == XK_F9)) {
  }
  EXPECT_TRUE(key) << "the window never got F9 after the chord was given up";
  EXPECT_EQ(fired.await(0).size(), 3u);
}

TEST_F(X11Keyboard, AChordAnotherClientHoldsIsRefusedWithNoVariantLeftGrabbed) {
  const KeyCode f8 = XKeysymToKeycode(viewer_, XK_F8);
  const auto grab = [&](Display* display, unsigned int modifiers) {
    return xerrors::firstError(
        display, [&] { XGrabKey(display, f8, modifiers, root_, False, GrabModeAsync, GrabModeAsync); });
  };
  // The other client holds the chord only with Caps Lock on.
  ASSERT_EQ(grab(viewer_, Mod4Mask | ShiftMask | LockMask), 0);
  X11HotKeys hotKeys;
  EXPECT_FALSE(hotKeys.registerKey(code("f8"), HOT_COMMAND_SHIFT, 1));

  Display* third = XOpenDisplay(nullptr);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(grab(third, Mod4Mask | ShiftMask | LockMask), BadAccess);
  EXPECT_EQ(grab(third, Mod4Mask | ShiftMask), 0) << "the refused registration kept the plain chord";
  XCloseDisplay(third);

  xerrors::firstError(viewer_, [&] { XUngrabKey(viewer_, f8, Mod4Mask | ShiftMask | LockMask, root_); });
  EXPECT_TRUE(hotKeys.registerKey(code("f8"), HOT_COMMAND_SHIFT, 1));
}

// A display that went away is XServerLoss's.
TEST(X11KeyboardWithoutDisplay, NothingIsTrustedOrGrabbedAndTheAdviceSaysWhy) {
  const char* variable = std::getenv("DISPLAY");
  const std::string saved = variable ? variable : "";
  unsetenv("DISPLAY");
  X11KeyOutput output;
  EXPECT_FALSE(output.trusted());
  output.askForTrust();
  EXPECT_EQ(output.trustAdvice(), "no X display is reachable: DISPLAY is not set");
  EXPECT_FALSE(output.postKey(code("a"), 0, true));
  output.pressSoundKey(SoundKey::mute, false);
  X11KeyCapture capture;
  EXPECT_FALSE(capture.start([](std::uint16_t, std::uint64_t) {}));
  EXPECT_EQ(capture.refusal(), KeyCapture::Refusal::notAllowed);
  capture.stop();
  EXPECT_FALSE(X11HotKeys().registerKey(code("f9"), HOT_COMMAND_SHIFT, 1));
  if (!saved.empty()) setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
