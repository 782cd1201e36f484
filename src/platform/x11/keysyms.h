// The key table's virtual key codes and key-event flags in X's terms (keysyms and modifier masks), as pure
// functions that need no display, so that posting, capturing and hot keys agree on one mapping.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/key_output.h"

namespace x11keys {

// Handed to a capture for a key the table has no code for, so that it is reported as a key without a name.
inline constexpr std::uint16_t NO_CODE = 0xFFFF;

// The keysym of a virtual key code, by the US layout; nothing for fn (X has no such key) and unknown codes.
std::optional<unsigned long> keysymFor(std::uint16_t code);
// The virtual key code of a keysym: the inverse of keysymFor, and also the keypad's keysyms with Num Lock
// off (KP_End is pad1, KP_Delete is pad.), since that is what an unshifted keypad key reads as.
std::optional<std::uint16_t> codeFor(unsigned long keysym);

// Key-event flags as X modifier masks: command is Mod4 (Super), alternate Mod1 (Alt), shift Shift, control
// Control. fn has no X modifier and is dropped.
unsigned int modifiersOfFlags(std::uint64_t flags);
// The inverse, from an event's state; lock, button and other modifier bits add nothing.
std::uint64_t flagsOfModifiers(unsigned int state);
// A hot-key modifier mask (command 0x100, shift 0x200, option 0x800, control 0x1000) as X modifier masks.
unsigned int modifiersOfHotKey(std::uint32_t mask);

// The X media keys that change the system volume.
unsigned long soundKeysym(SoundKey key);

}  // namespace x11keys
