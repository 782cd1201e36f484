// The one table from the key table's virtual key codes to X keysyms, and the modifier conversions (see the
// header). Punctuation follows the US layout, as the key table's names do.
#include "platform/x11/keysyms.h"

#include <X11/X.h>
#include <X11/XF86keysym.h>
#include <X11/keysym.h>

namespace x11keys {
namespace {

struct KeyPair {
  std::uint16_t code;
  unsigned long keysym;  // NoSymbol: the code has no X key
};

constexpr KeyPair KEYS[] = {
    {0, XK_a},
    {1, XK_s},
    {2, XK_d},
    {3, XK_f},
    {4, XK_h},
    {5, XK_g},
    {6, XK_z},
    {7, XK_x},
    {8, XK_c},
    {9, XK_v},
    {11, XK_b},
    {12, XK_q},
    {13, XK_w},
    {14, XK_e},
    {15, XK_r},
    {16, XK_y},
    {17, XK_t},
    {18, XK_1},
    {19, XK_2},
    {20, XK_3},
    {21, XK_4},
    {22, XK_6},
    {23, XK_5},
    {24, XK_equal},
    {25, XK_9},
    {26, XK_7},
    {27, XK_minus},
    {28, XK_8},
    {29, XK_0},
    {30, XK_bracketright},
    {31, XK_o},
    {32, XK_u},
    {33, XK_bracketleft},
    {34, XK_i},
    {35, XK_p},
    {36, XK_Return},
    {37, XK_l},
    {38, XK_j},
    {39, XK_apostrophe},
    {40, XK_k},
    {41, XK_semicolon},
    {42, XK_backslash},
    {43, XK_comma},
    {44, XK_slash},
    {45, XK_n},
    {46, XK_m},
    {47, XK_period},
    {48, XK_Tab},
    {49, XK_space},
    {50, XK_grave},
    {51, XK_BackSpace},
    {53, XK_Escape},
    {54, XK_Super_R},
    {55, XK_Super_L},
    {56, XK_Shift_L},
    {57, XK_Caps_Lock},
    {58, XK_Alt_L},
    {59, XK_Control_L},
    {60, XK_Shift_R},
    {61, XK_Alt_R},
    {62, XK_Control_R},
    {63, NoSymbol},  // fn never leaves the keyboard on other systems either
    {65, XK_KP_Decimal},
    {67, XK_KP_Multiply},
    {69, XK_KP_Add},
    {71, XK_Clear},  // not KP_Begin: that is keypad 5 with Num Lock off
    {75, XK_KP_Divide},
    {76, XK_KP_Enter},
    {78, XK_KP_Subtract},
    {81, XK_KP_Equal},
    {82, XK_KP_0},
    {83, XK_KP_1},
    {84, XK_KP_2},
    {85, XK_KP_3},
    {86, XK_KP_4},
    {87, XK_KP_5},
    {88, XK_KP_6},
    {89, XK_KP_7},
    {91, XK_KP_8},
    {92, XK_KP_9},
    {114, XK_Help},
    {115, XK_Home},
    {116, XK_Prior},
    {117, XK_Delete},
    {119, XK_End},
    {121, XK_Next},
    {123, XK_Left},
    {124, XK_Right},
    {125, XK_Down},
    {126, XK_Up},
    {122, XK_F1},
    {120, XK_F2},
    {99, XK_F3},
    {118, XK_F4},
    {96, XK_F5},
    {97, XK_F6},
    {98, XK_F7},
    {100, XK_F8},
    {101, XK_F9},
    {109, XK_F10},
    {103, XK_F11},
    {111, XK_F12},
    {105, XK_F13},
    {107, XK_F14},
    {113, XK_F15},
    {106, XK_F16},
    {64, XK_F17},
    {79, XK_F18},
    {80, XK_F19},
    {90, XK_F20},
};

// What the keypad's keys read as with Num Lock off; read only, never posted.
constexpr KeyPair KEYPAD_UNLOCKED[] = {
    {65, XK_KP_Delete}, {82, XK_KP_Insert}, {83, XK_KP_End},   {84, XK_KP_Down},
    {85, XK_KP_Next},   {86, XK_KP_Left},   {87, XK_KP_Begin}, {88, XK_KP_Right},
    {89, XK_KP_Home},   {91, XK_KP_Up},     {92, XK_KP_Prior},
};

// The key-event flags of KeyOutput and KeyCapture, each with its X modifier.
constexpr std::uint64_t FLAG_COMMAND = 0x100000;
constexpr std::uint64_t FLAG_ALTERNATE = 0x80000;
constexpr std::uint64_t FLAG_SHIFT = 0x20000;
constexpr std::uint64_t FLAG_CONTROL = 0x40000;

constexpr struct {
  std::uint64_t flag;
  std::uint32_t hotKey;
  unsigned int mask;
} MODIFIERS[] = {
    {FLAG_COMMAND, 0x100, Mod4Mask},
    {FLAG_SHIFT, 0x200, ShiftMask},
    {FLAG_ALTERNATE, 0x800, Mod1Mask},
    {FLAG_CONTROL, 0x1000, ControlMask},
};

}  // namespace

std::optional<unsigned long> keysymFor(std::uint16_t code) {
  for (const auto& key : KEYS)
    if (key.code == code && key.keysym != NoSymbol) return key.keysym;
  return std::nullopt;
}

std::optional<std::uint16_t> codeFor(unsigned long keysym) {
  if (keysym == NoSymbol) return std::nullopt;
  for (const auto& key : KEYS)
    if (key.keysym == keysym) return key.code;
  for (const auto& key : KEYPAD_UNLOCKED)
    if (key.keysym == keysym) return key.code;
  return std::nullopt;
}

unsigned int modifiersOfFlags(std::uint64_t flags) {
  unsigned int mask = 0;
  for (const auto& m : MODIFIERS)
    if (flags & m.flag) mask |= m.mask;
  return mask;
}

std::uint64_t flagsOfModifiers(unsigned int state) {
  std::uint64_t flags = 0;
  for (const auto& m : MODIFIERS)
    if (state & m.mask) flags |= m.flag;
  return flags;
}

unsigned int modifiersOfHotKey(std::uint32_t mask) {
  unsigned int mods = 0;
  for (const auto& m : MODIFIERS)
    if (mask & m.hotKey) mods |= m.mask;
  return mods;
}

unsigned long soundKeysym(SoundKey key) {
  switch (key) {
    case SoundKey::up:
      return XF86XK_AudioRaiseVolume;
    case SoundKey::down:
      return XF86XK_AudioLowerVolume;
    case SoundKey::mute:
      break;
  }
  return XF86XK_AudioMute;
}

}  // namespace x11keys
