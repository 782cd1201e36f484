// Key names and their virtual key codes (a US keyboard layout), the key-event modifier flags, and the chord
// value that global hot keys store.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Name to virtual key code; 110 entries, every code once.
const std::map<std::string, std::uint16_t, std::less<>>& KS_KEYS();
// The exact inverse of KS_KEYS, built once on first use.
const std::map<std::uint16_t, std::string>& KS_KEYNAMES();

// Key-event modifier flags.
inline constexpr std::uint64_t FLAG_COMMAND = 0x100000;
inline constexpr std::uint64_t FLAG_ALTERNATE = 0x80000;
inline constexpr std::uint64_t FLAG_SHIFT = 0x20000;
inline constexpr std::uint64_t FLAG_CONTROL = 0x40000;
inline constexpr std::uint64_t FLAG_SECONDARY_FN = 0x800000;

// The flags of the modifier names "cmd", "alt", "shift", "ctrl" and "fn"; other names add nothing.
std::uint64_t ksFlags(const std::vector<std::string>& mods);

// A key with modifiers, in both encodings: the hot-key modifier mask and the key-event flags.
struct Chord {
  std::uint32_t carbon = 0;  // command 0x100, shift 0x200, option 0x800, control 0x1000
  std::uint64_t flags = 0;   // as ksFlags, without fn: a hot key cannot hold it
  std::uint32_t key = 0;     // virtual key code

  bool operator==(const Chord&) const = default;
};

Chord chordOf(const std::vector<std::string>& mods, std::uint32_t key);
