// The X keyboard backends: the key table in X's terms, and against the run's X server: strokes posted with
// XTEST reach another client's focused window as real chords, a capture swallows what it hands over, hot keys
// fire whatever locks are on, and a chord another client holds is refused without ending the process.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "keystroke/keys.h"
#include "platform/x11/keysyms.h"
#include "platform/x11/x11_hot_keys.h"
#include "platform/x11/x11_key_capture.h"
#include "platform/x11/x11_key_output.h"
#include "support/services.h"
#include "support/spawned_process.h"

// After GoogleTest: Xlib's macros (None, Bool) would rename its declarations.
#include <X11/XF86keysym.h>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

constexpr std::uint32_t HOT_COMMAND_SHIFT = 0x100 | 0x200;
using Keys = std::vector<long>;  // keysyms as a window sees them, a release negated

std::uint16_t code(const char* name) {
  return KS_KEYS().at(name);
}

// The key table in X's terms, checked without a display: every code has its keysym and leads back to it, the
// keypad reads the same with Num Lock off, and the modifier encodings agree with the key-event flags.
TEST(Keysyms, CodesKeysymsAndModifierMasksMapBothWays) {
  std::set<unsigned long> taken;
  for (const auto& [name, c] : KS_KEYS()) {
    const auto keysym = x11keys::keysymFor(c);
    ASSERT_EQ(keysym.has_value(), name != "fn") << name;
    EXPECT_TRUE(!keysym || (taken.insert(*keysym).second && x11keys::codeFor(*keysym) == c)) << name;
  }
  EXPECT_EQ(x11keys::soundKeysym(SoundKey::mute), XF86XK_AudioMute);
  // Names whose X keysym is not simply the name (both ways, by the round trip above), the keypad with Num
  // Lock off, which names its keys too, and keysyms and codes outside the table, which have no counterpart.
  const std::pair<unsigned long, const char*> named[] = {
      {XK_BackSpace, "delete"}, {XK_Delete, "forwarddelete"}, {XK_Super_L, "cmd"}, {XK_Prior, "pageup"},
      {XK_KP_Decimal, "pad."},  {XK_KP_Insert, "pad0"},       {XK_KP_End, "pad1"}, {XK_KP_Begin, "pad5"},
      {XK_KP_Prior, "pad9"},    {XK_KP_Delete, "pad."},       {NoSymbol, nullptr}, {XK_Insert, nullptr},
      {XK_F21, nullptr}};
  for (const auto& [keysym, name] : named)
    EXPECT_EQ(x11keys::codeFor(keysym), name ? std::optional(code(name)) : std::nullopt) << keysym;
  EXPECT_FALSE(KS_KEYNAMES().contains(x11keys::NO_CODE));  // the capture's marker for a key without a name

  // Key-event flags, a hot key's modifiers and X's masks; fn has no X modifier, and locks, buttons and the
  // other X modifiers are no flags.
  const std::tuple<std::uint64_t, std::uint32_t, unsigned int> cases[] = {
      {FLAG_COMMAND, 0x100, Mod4Mask},
      {FLAG_SHIFT, 0x200, ShiftMask},
      {FLAG_ALTERNATE, 0x800, Mod1Mask},
      {FLAG_COMMAND | FLAG_CONTROL, 0x1100, Mod4Mask | ControlMask},
  };
  for (const auto& [flags, hotKey, mask] : cases) {
    EXPECT_EQ(x11keys::modifiersOfFlags(flags | FLAG_SECONDARY_FN), mask) << flags;
    EXPECT_EQ(x11keys::modifiersOfHotKey(hotKey), mask) << hotKey;
    EXPECT_EQ(x11keys::flagsOfModifiers(mask | LockMask | Mod2Mask | Mod3Mask | Mod5Mask | Button1Mask),
              flags);
  }
}

// A window of another X client, mapped and given the focus, and the output that types into it.
class X11Keyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_SERVICE("DISPLAY", "the X server");
    viewer_ = XOpenDisplay(nullptr);
    ASSERT_NE(viewer_, nullptr);
    root_ = DefaultRootWindow(viewer_);
    const Window window = XCreateSimpleWindow(viewer_, root_, 0, 0, 200, 200, 0, 0, 0);
    XSelectInput(viewer_, window, KeyPressMask | KeyReleaseMask);
    XMapWindow(viewer_, window);
    XSetInputFocus(viewer_, window, RevertToPointerRoot, CurrentTime);  // there is no window manager to do it
    XSync(viewer_, False);
  }
  void TearDown() override {
    if (!viewer_) return;
    XkbLockGroup(viewer_, XkbUseCoreKbd, 0);  // the first layout, which a row of the first test leaves
    XCloseDisplay(viewer_);
  }

  // The next `count` keys, as an application reads them: in the event's keyboard group with no modifier held;
  // the state of the last one in `state_`.
  Keys nextKeys(std::size_t count) {
    Keys keys;
    for (XEvent e; keys.size() < count && eventually([&] { return XPending(viewer_) > 0; });) {
      XNextEvent(viewer_, &e);
      if (e.type == MappingNotify) XRefreshKeyboardMapping(&e.xmapping);
      if (e.type != KeyPress && e.type != KeyRelease) continue;
      unsigned int mods = 0;
      KeySym keysym = NoSymbol;
      XkbLookupKeySym(viewer_, KeyCode(e.xkey.keycode),
                      XkbBuildCoreState(0, XkbGroupForCoreState(e.xkey.state)), &mods, &keysym);
      keys.push_back(e.type == KeyPress ? long(keysym) : -long(keysym));
      state_ = e.xkey.state & (ShiftMask | ControlMask | Mod1Mask | Mod4Mask);
    }
    return keys;
  }

  // The presses the window sees until `last` is released, which ends the list unless time ran out.
  Keys pressesUntil(KeySym last) {
    Keys presses;
    for (auto key = nextKeys(1); !key.empty() && key[0] != -long(last); key = nextKeys(1))
      if (key[0] > 0) presses.push_back(key[0]);
    return presses;
  }

  void stroke(const char* key, std::uint64_t flags = 0) {
    EXPECT_TRUE(output_.postKey(code(key), flags, true)) << key;
    EXPECT_TRUE(output_.postKey(code(key), flags, false)) << key;
  }

  Display* viewer_ = nullptr;
  Window root_ = 0;
  unsigned int state_ = 0;
  X11KeyOutput output_;
};

// Each stroke is posted twice: for the window to see, and for a capture to take if it has a key to give.
TEST_F(X11Keyboard, PostedStrokesArriveAsChordsAndACaptureSwallowsThemAndHandsOverTheirCodeAndFlags) {
  EXPECT_EQ(std::pair(output_.trusted(), output_.trustAdvice()), std::pair(true, std::string()));
  using Captured = std::pair<std::uint16_t, std::uint64_t>;
  // What, how, the key, the modifiers around it, their state at its press, and what a capture gets.
  const std::tuple<const char*, std::function<void()>, KeySym, std::vector<KeySym>, unsigned int,
                   std::optional<Captured>>
      cases[] = {
          // clang-format off
      {"cmd+shift+s", [&] { stroke("s", FLAG_COMMAND | FLAG_SHIFT); }, XK_s, {XK_Super_L, XK_Shift_L},
       Mod4Mask | ShiftMask, Captured{1, FLAG_COMMAND | FLAG_SHIFT}},
      {"fn+s, fn having no X modifier", [&] { stroke("s", FLAG_SECONDARY_FN); }, XK_s, {}, 0, Captured{1, 0}},
      {"shift+f13, F13 having no key here", [&] { stroke("f13", FLAG_SHIFT); }, XK_F13, {XK_Shift_L}, ShiftMask, {}},
      {"pad1, on the keypad's second level", [&] { stroke("pad1"); }, XK_KP_1, {}, 0, {}},
      {"a quarter volume step, a key with no name", [&] { output_.pressSoundKey(SoundKey::up, true); },
       XF86XK_AudioRaiseVolume, {XK_Shift_L, XK_Alt_L}, ShiftMask | Mod1Mask, Captured{x11keys::NO_CODE, FLAG_SHIFT | FLAG_ALTERNATE}},
      // A modifier already down is neither pressed again nor released by the stroke.
      {"shift+s, shift held", [&] { output_.postKey(code("shift"), FLAG_SHIFT, true); stroke("s", FLAG_SHIFT);
                                    output_.postKey(code("shift"), 0, false); }, XK_s, {XK_Shift_L}, ShiftMask, {}},
      // Under a second layout, where the S key gives "ы", made active until the test ends.
      {"ctrl+s, another layout", [&] { KeySym s[] = {XK_s, XK_S, XK_Cyrillic_yeru, XK_Cyrillic_YERU};
                                       XChangeKeyboardMapping(viewer_, XKeysymToKeycode(viewer_, XK_s), 4, s, 1);
                                       XkbLockGroup(viewer_, XkbUseCoreKbd, 1); XSync(viewer_, False);
                                       stroke("s", FLAG_CONTROL); }, XK_s, {XK_Control_L}, ControlMask, {}},
          // clang-format on
      };
  for (const auto& [what, press, keysym, modifiers, state, captures] : cases) {
    SCOPED_TRACE(what);
    press();
    const std::size_t n = modifiers.size();
    const Keys keys = nextKeys(n + 1);
    const unsigned int stateAtPress = state_;
    const Keys after = nextKeys(n + 1);
    ASSERT_EQ(std::pair(keys.size(), after.size()), std::pair(n + 1, n + 1));
    EXPECT_EQ(std::tuple(keys.back(), after.front(), stateAtPress),
              std::tuple(long(keysym), -long(keysym), state));
    // The modifiers go down before the key and up after it, each in any order.
    for (const KeySym modifier : modifiers) {
      EXPECT_EQ(std::count(keys.begin(), keys.end(), long(modifier)), 1) << modifier;
      EXPECT_EQ(std::count(after.begin(), after.end(), -long(modifier)), 1) << modifier;
    }
    if (!captures) continue;
    std::vector<Captured> captured;  // read once the capture's thread has ended, or has counted its calls
    std::atomic<int> calls = 0;
    X11KeyCapture capture;
    ASSERT_TRUE(capture.start([&, plain = captures->second == 0](std::uint16_t key, std::uint64_t flags) {
      if (plain) capture.stop();  // from the capture's own thread
      captured.emplace_back(key, flags);
      ++calls;
    }));
    press();
    EXPECT_TRUE(eventually([&] { return calls > 0; }));
    // Keys flow again before any stop(), and the captured stroke never reached the window (a capture that
    // ends once it has a press may let that stroke's releases through, which no application acts on).
    stroke("b");
    EXPECT_EQ(pressesUntil(XK_b), Keys{XK_b});
    capture.stop();
    // Modifier keys pressed alone are not handed over, nor anything after the first key.
    EXPECT_EQ(std::pair(calls.load(), captured), std::pair(1, std::vector<Captured>{*captures}));
  }
}

TEST_F(X11Keyboard, ACaptureIsRefusedWhileAnotherClientHoldsTheKeyboardAndGivesItBackWhenItsTimeIsUp) {
  // Refused while another client holds the keyboard; then, with no stop(), the keyboard comes back when the
  // capture's time is up, however long its owner takes.
  const auto grabKeyboard = [&] {
    const bool free = XGrabKeyboard(viewer_, root_, False, GrabModeAsync, GrabModeAsync, 0) == GrabSuccess;
    XSync(viewer_, False);
    return free;
  };
  ASSERT_TRUE(grabKeyboard());
  X11KeyCapture capture(std::nullopt, std::chrono::milliseconds(100));
  const auto ignore = [](std::uint16_t, std::uint64_t) {};
  EXPECT_FALSE(capture.start(ignore));
  EXPECT_EQ(capture.refusal(), KeyCapture::Refusal::keyboardHeld);
  XUngrabKeyboard(viewer_, CurrentTime);
  XSync(viewer_, False);
  ASSERT_TRUE(capture.start(ignore));
  EXPECT_FALSE(grabKeyboard()) << "the capture holds the keyboard";
  EXPECT_TRUE(eventually(grabKeyboard));
  XUngrabKeyboard(viewer_, CurrentTime);
}

// Another client holds the chord first, only with Caps Lock on: the registration is refused. Then it is the
// program's, and fires whatever locks are on.
TEST_F(X11Keyboard, AHotKeyIsRefusedWhileAnotherClientHoldsAVariantAndFiresWhateverLocksAreOn) {
  const KeyCode f9 = XKeysymToKeycode(viewer_, XK_F9);
  const unsigned int variant = Mod4Mask | ShiftMask | LockMask;
  std::atomic<std::uint32_t> fired = 0;  // the sum of the numbers fired; outlives the hot keys' thread
  X11HotKeys hotKeys;
  hotKeys.onPress([&](std::uint32_t number) { fired += number; });
  XGrabKey(viewer_, f9, variant, root_, False, GrabModeAsync, GrabModeAsync);
  XSync(viewer_, False);
  EXPECT_FALSE(hotKeys.registerKey(code("f9"), HOT_COMMAND_SHIFT, 7));
  XUngrabKey(viewer_, f9, variant, root_);
  XSync(viewer_, False);

  const auto handle = hotKeys.registerKey(code("f9"), HOT_COMMAND_SHIFT, 7);
  ASSERT_TRUE(handle);
  stroke("f9", FLAG_COMMAND | FLAG_SHIFT);
  EXPECT_TRUE(eventually([&] { return fired == 7; }));
  const unsigned int locks = XkbKeysymToModifiers(viewer_, XK_Num_Lock) | LockMask;
  XkbLockModifiers(viewer_, XkbUseCoreKbd, locks, locks);
  XSync(viewer_, False);
  stroke("f9", FLAG_COMMAND | FLAG_SHIFT);
  EXPECT_TRUE(eventually([&] { return fired == 14; })) << "with Num Lock and Caps Lock on";
  XkbLockModifiers(viewer_, XkbUseCoreKbd, locks, 0);
  XSync(viewer_, False);
  ASSERT_TRUE(hotKeys.registerKey(code("f10"), HOT_COMMAND_SHIFT, 100));  // the same modifiers, another key
  stroke("f10", FLAG_COMMAND | FLAG_SHIFT);
  EXPECT_TRUE(eventually([&] { return fired == 114; })) << "F10 fired " << fired - 14;

  hotKeys.unregisterKey(*handle);
  stroke("f9", FLAG_COMMAND | FLAG_SHIFT);
  const Keys presses = pressesUntil(XK_F9);
  EXPECT_TRUE(!presses.empty() && presses.back() == long(XK_F9)) << "the window never got F9";
  EXPECT_EQ(fired.load(), 114u);
}

}  // namespace
