// The Key Stroke table's pure rules (see the header); reading a whole stored row is in clean.cpp.
#include "keystroke/rules.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "common/letter_case.h"
#include "common/loose_value.h"
#include "common/row_ids.h"
#include "keystroke/keys.h"

namespace KSRules {

namespace {

// The keys whose desktop name is not their stored name made upper case: Qt's and KDE's names, and for the
// key stored as "delete" the key it presses here, Backspace.
constexpr std::pair<std::string_view, std::string_view> KEY_TEXT[] = {
    {"return", "Return"},
    {"tab", "Tab"},
    {"space", "Space"},
    {"delete", "Backspace"},
    {"escape", "Esc"},
    {"rightcmd", "Right Super"},
    {"cmd", "Super"},
    {"shift", "Shift"},
    {"capslock", "CapsLock"},
    {"alt", "Alt"},
    {"ctrl", "Ctrl"},
    {"rightshift", "Right Shift"},
    {"rightalt", "Right Alt"},
    {"rightctrl", "Right Ctrl"},
    {"fn", "Fn"},
    {"help", "Help"},
    {"home", "Home"},
    {"pageup", "PgUp"},
    {"forwarddelete", "Del"},
    {"end", "End"},
    {"pagedown", "PgDown"},
    {"left", "Left"},
    {"right", "Right"},
    {"down", "Down"},
    {"up", "Up"},
    {"padclear", "Num+Clear"},
    {"padenter", "Num+Enter"},
};

// A key by its desktop name. A name the key table does not know is shown as stored (one character
// upper-cased), so that what the file says stays visible.
std::string keyText(std::string_view key) {
  for (const auto& [name, text] : KEY_TEXT)
    if (name == key) return std::string(text);
  if (KS_KEYS().count(key) && key.size() > 1) {
    if (key.starts_with("pad")) return "Num+" + std::string(key.substr(3));
    if (key.starts_with("f")) return "F" + std::string(key.substr(1));
  }
  return letterCase::upperOne(key);
}

}  // namespace

std::optional<std::int64_t> readInt(const nlohmann::json& v, std::int64_t lo, std::int64_t hi) {
  if (v.is_number_unsigned()) {
    const auto n = v.get<std::uint64_t>();
    if (hi < 0 || n > static_cast<std::uint64_t>(hi)) return std::nullopt;
    const auto s = static_cast<std::int64_t>(n);
    return s < lo ? std::nullopt : std::optional(s);
  }
  if (v.is_number_integer()) {
    const auto n = v.get<std::int64_t>();
    return n < lo || n > hi ? std::nullopt : std::optional(n);
  }
  if (v.is_boolean()) return loose::roundedHalfUp(v.get<bool>() ? 1.0 : 0.0, lo, hi);
  if (v.is_number_float()) return loose::roundedHalfUp(v.get<double>(), lo, hi);
  if (v.is_string()) {
    const auto x = loose::decimalNumber(loose::trimmed(v.get_ref<const std::string&>()));
    return x ? loose::roundedHalfUp(*x, lo, hi) : std::nullopt;
  }
  return std::nullopt;
}

bool isAny(const nlohmann::json& v) {
  return v.is_null() || loose::meansAny(loose::textOf(v));
}

std::optional<int> value(const nlohmann::json& v) {
  if (isAny(v)) return std::nullopt;
  // Read from the value's text form, so a boolean is not a number here.
  const auto n = readInt(nlohmann::json(loose::textOf(v)), 0, 127);
  return n ? std::optional<int>(static_cast<int>(*n)) : std::nullopt;
}

std::optional<int> value(int v) {
  return v < 0 || v > 127 ? std::nullopt : std::optional(v);
}

std::string_view type(std::string_view text) {
  const auto t = loose::lowered(text);
  return t == "note" || t == "n" ? "note" : "cc";
}

std::string_view type(const nlohmann::json& v) {
  return v.is_null() ? "cc" : type(loose::textOf(v));
}

std::vector<std::string> mods(const nlohmann::json& list) {
  if (!list.is_array()) return {};
  std::set<std::string> named;
  for (const auto& element : list)
    named.insert(loose::lowered(loose::textOf(element)));
  std::vector<std::string> out;
  for (const auto m : MODS)
    if (named.count(std::string(m))) out.emplace_back(m);
  return out;
}

const Special* special(std::string_view kind) {
  for (const auto& s : SPECIALS)
    if (s.kind == kind) return &s;
  return nullptr;
}

bool matches(const KSRow& row, int number, int v, std::string_view messageType) {
  if (!row.on) return false;
  if (row.kind == "key" && !row.key) return false;
  const auto t = type(messageType);
  if (t != type(row.type)) return false;
  if (number < 0 || number > 127 || number != row.cc) return false;
  // A note-on with velocity 0 is a release: only a row that asks for exactly 0 answers it.
  if (t == "note" && value(v) == 0) return row.value == 0;
  return !row.value || value(v) == row.value;
}

std::vector<Act> fire(const std::vector<KSRow>& rows, int number, int v, std::string_view messageType) {
  std::vector<Act> out;
  for (const auto& row : rows) {
    if (!matches(row, number, v, messageType)) continue;
    if (row.kind == "key") {
      out.emplace_back(KeyAct{row.key.value_or(""), row.mods, row});
    } else if (row.kind == "volume") {
      const int level = value(v).value_or(0);
      out.emplace_back(VolumeAct{static_cast<int>(std::floor(level * 100.0 / 127.0 + 0.5)), row});
    }
  }
  return out;
}

std::string midiText(const KSRow& row) {
  std::string_view label = "CC";
  for (const auto& [t, l] : TYPES)
    if (t == type(row.type)) label = l;
  return std::string(label) + " " + std::to_string(row.cc);
}

std::string valueText(const KSRow& row) {
  const auto* s = special(row.kind);
  if (s && s->sweep) return "0-127";
  return row.value ? std::to_string(*row.value) : "any";
}

std::string target(const KSRow& row) {
  if (const auto* s = special(row.kind)) return std::string(s->label);
  return row.key ? chord(row.mods, *row.key) : "";
}

std::string chord(const std::vector<std::string>& modifiers, std::string_view key) {
  std::string out;
  for (const auto& [name, text] : MOD_TEXT)
    if (std::find(modifiers.begin(), modifiers.end(), name) != modifiers.end())
      out += std::string(text) + "+";
  for (const auto& m : modifiers) {
    const bool known = m == "fn" || std::any_of(MOD_TEXT.begin(), MOD_TEXT.end(),
                                                [&](const auto& t) { return t.first == m; });
    if (!known) out += m + "+";
  }
  return out + keyText(key);
}

std::set<std::int64_t> clashes(const std::vector<KSRow>& rows) {
  std::set<std::int64_t> out;
  std::unordered_map<std::string, std::int64_t> first;
  for (const auto& row : rows) {
    if (!row.on) continue;
    auto key = midiText(row) + "|" + (row.value ? std::to_string(*row.value) : "any");
    const auto [found, isNew] = first.emplace(std::move(key), row.id);
    if (!isNew) {
      out.insert(row.id);
      out.insert(found->second);
    }
  }
  return out;
}

std::int64_t nextId(const std::vector<KSRow>& rows) {
  return rowIds::next(rows);
}

}  // namespace KSRules
