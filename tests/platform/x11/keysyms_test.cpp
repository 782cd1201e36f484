// The key table in X's terms, checked without a display: every code has its keysym and leads back to it, the
// keypad reads the same with Num Lock off, and the modifier encodings agree with the key-event flags.
#include "platform/x11/keysyms.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <utility>

// After GoogleTest: Xlib's macros (None, Bool) would rename its declarations.
#include <X11/X.h>
#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include "keystroke/keys.h"

namespace {

std::uint16_t code(const char* name) {
  return KS_KEYS().at(name);
}

TEST(Keysyms, EveryCodeOfTheKeyTableButFnHasItsOwnKeysymThatLeadsBackToIt) {
  std::set<unsigned long> taken;
  for (const auto& [name, c] : KS_KEYS()) {
    const auto keysym = x11keys::keysymFor(c);
    if (name == "fn") {
      EXPECT_FALSE(keysym) << "fn has no X key";
      continue;
    }
    ASSERT_TRUE(keysym) << name;
    EXPECT_TRUE(taken.insert(*keysym).second) << name << " shares its keysym";
    EXPECT_EQ(x11keys::codeFor(*keysym), c) << name;
  }
}

TEST(Keysyms, NamedAndSoundKeysGetTheKeysymsOfTheUsLayout) {
  const struct {
    const char* name;
    unsigned long keysym;
  } cases[] = {
      // Names whose X keysym is not simply the name.
      {"'", XK_apostrophe},  {"`", XK_grave},          {"delete", XK_BackSpace}, {"forwarddelete", XK_Delete},
      {"cmd", XK_Super_L},   {"rightcmd", XK_Super_R}, {"alt", XK_Alt_L},        {"pageup", XK_Prior},
      {"pagedown", XK_Next}, {"padclear", XK_Clear},   {"pad.", XK_KP_Decimal},  {"f13", XK_F13},
  };
  for (const auto& c : cases)
    EXPECT_EQ(x11keys::keysymFor(code(c.name)), c.keysym) << c.name;
  EXPECT_EQ(x11keys::soundKeysym(SoundKey::up), XF86XK_AudioRaiseVolume);
  EXPECT_EQ(x11keys::soundKeysym(SoundKey::down), XF86XK_AudioLowerVolume);
  EXPECT_EQ(x11keys::soundKeysym(SoundKey::mute), XF86XK_AudioMute);
}

TEST(Keysyms, KeypadKeysWithNumLockOffNameTheirKeysAndKeysOutsideTheTableHaveNoCode) {
  const std::pair<unsigned long, const char*> keypad[] = {
      {XK_KP_Insert, "pad0"}, {XK_KP_End, "pad1"},         {XK_KP_Begin, "pad5"}, {XK_KP_Prior, "pad9"},
      {XK_KP_Delete, "pad."}, {NoSymbol, nullptr},         {XK_Insert, nullptr},  {XK_A, nullptr},
      {XK_F21, nullptr},      {XF86XK_AudioMute, nullptr},
  };
  for (const auto& [keysym, name] : keypad)
    EXPECT_EQ(x11keys::codeFor(keysym), name ? std::optional(code(name)) : std::nullopt) << keysym;
  for (const std::uint16_t c : {10, 52, 127, 0xFFFF})
    EXPECT_FALSE(x11keys::keysymFor(c)) << c;
  // The capture's marker for a key without a name.
  EXPECT_FALSE(KS_KEYNAMES().contains(x11keys::NO_CODE));
}

TEST(Keysyms, FlagsBecomeModifierMasksAndBack) {
  const struct {
    std::uint64_t flags;
    unsigned int mask;
  } cases[] = {{0, 0},
               {FLAG_COMMAND, Mod4Mask},
               {FLAG_ALTERNATE, Mod1Mask},
               {FLAG_SHIFT, ShiftMask},
               {FLAG_CONTROL, ControlMask},
               {FLAG_COMMAND | FLAG_SHIFT | FLAG_ALTERNATE | FLAG_CONTROL,
                Mod4Mask | ShiftMask | Mod1Mask | ControlMask}};
  for (const auto& c : cases) {
    EXPECT_EQ(x11keys::modifiersOfFlags(c.flags), c.mask) << c.flags;
    EXPECT_EQ(x11keys::flagsOfModifiers(c.mask), c.flags) << c.mask;
    // fn has no X modifier; locks, buttons and the other modifiers are no flags.
    EXPECT_EQ(x11keys::modifiersOfFlags(c.flags | FLAG_SECONDARY_FN), c.mask);
    EXPECT_EQ(x11keys::flagsOfModifiers(c.mask | LockMask | Mod2Mask | Mod3Mask | Mod5Mask | Button1Mask),
              c.flags);
  }
  // A hot key's chord grabs the modifiers its flags would press.
  const char* names[] = {"cmd", "shift", "alt", "ctrl"};
  for (unsigned int subset = 0; subset < 16; ++subset) {
    std::vector<std::string> mods;
    for (unsigned int i = 0; i < 4; ++i)
      if (subset & (1u << i)) mods.emplace_back(names[i]);
    const Chord chord = chordOf(mods, 0);
    EXPECT_EQ(x11keys::modifiersOfHotKey(chord.carbon), x11keys::modifiersOfFlags(chord.flags)) << subset;
  }
}

}  // namespace
