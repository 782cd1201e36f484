// The pure rules of the Key Stroke table: lenient readers, matching, firing, the row texts and clashes.
// Nothing here keeps state or touches the system.
#pragma once

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "keystroke/row.h"

namespace KSRules {

// The modifier names in their canonical order.
inline constexpr std::array<std::string_view, 5> MODS = {"cmd", "alt", "shift", "ctrl", "fn"};

// How the desktop writes each modifier, in the order Qt and KDE list them in a shortcut ("cmd" is the Super
// key, which KDE calls Meta). "fn" is missing on purpose: no key stands for it here, so nothing presses it.
inline constexpr std::array<std::pair<std::string_view, std::string_view>, 4> MOD_TEXT = {{
    {"cmd", "Super"},
    {"ctrl", "Ctrl"},
    {"alt", "Alt"},
    {"shift", "Shift"},
}};

inline constexpr std::array<std::pair<std::string_view, std::string_view>, 2> TYPES = {
    {{"cc", "CC"}, {"note", "N"}}};

struct Special {
  std::string_view kind;
  std::string_view label;
  bool sweep;  // uses the whole value range: no value of its own
};

// The row kinds other than "key".
inline constexpr std::array<Special, 1> SPECIALS = {{{"volume", "System volume", true}}};

// What a fired row asks for.
struct KeyAct {
  std::string key;
  std::vector<std::string> mods;
  KSRow row;
  bool operator==(const KeyAct&) const = default;
};
struct VolumeAct {
  int percent = 0;  // 0-100
  KSRow row;
  bool operator==(const VolumeAct&) const = default;
};
using Act = std::variant<KeyAct, VolumeAct>;

// The common number reader: JSON numbers (booleans as 0 and 1), numeric text and integers, rounded half up;
// nothing outside [lo, hi], for other types, and for text that is not a number. Null means absent.
std::optional<std::int64_t> readInt(const nlohmann::json& value, std::int64_t lo, std::int64_t hi);

// True for an absent or null value and for the texts "", "any", "*", "-".
bool isAny(const nlohmann::json& value);

// The value column: nothing (any value) for the any-words and for whatever is not a number from 0 to 127.
std::optional<int> value(const nlohmann::json& value);
std::optional<int> value(int v);

// "note" for "note" or "n" in any case, "cc" for anything else (not trimmed).
std::string_view type(const nlohmann::json& value);
std::string_view type(std::string_view text);
inline std::string_view type(const std::string& text) {
  return type(std::string_view(text));
}
inline std::string_view type(const char* text) {
  return type(std::string_view(text));
}

// The MODS names found in the list, in MODS order, each once; other names are dropped.
std::vector<std::string> mods(const nlohmann::json& list);

const Special* special(std::string_view kind);

struct Cleaned {
  std::optional<KSRow> row;
  std::string message;
};

// Builds a row from its stored form, or refuses it with a message.
Cleaned clean(const nlohmann::json& stored);

bool matches(const KSRow& row, int number, int value, std::string_view type);

// The actions of every matching row, in table order.
std::vector<Act> fire(const std::vector<KSRow>& rows, int number, int value, std::string_view type);

std::string midiText(const KSRow& row);
std::string valueText(const KSRow& row);
std::string target(const KSRow& row);
// A chord as the desktop writes shortcuts, the one text every screen, log and trace shows: the modifiers in
// MOD_TEXT's order, then the key by its desktop name, joined by "+": "Ctrl+Shift+S", "Super+F5", "Alt+Left".
// "fn" is left out; a modifier name it does not know is shown as it is, after the known ones.
std::string chord(const std::vector<std::string>& mods, std::string_view key);

// The ids of rows that are on and would fire on the same message as an earlier row.
std::set<std::int64_t> clashes(const std::vector<KSRow>& rows);

std::int64_t nextId(const std::vector<KSRow>& rows);

}  // namespace KSRules
