// The pure rules of the MK table: reading stored values leniently, the how of a row, describing its source
// and value, matching a message, and finding rows that clash. Safe to call from any thread.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "mackie/core/choice.h"
#include "mackie/core/row.h"

namespace MKRules {

// A stored source kind: "note" when its text lowered is "note", "cc" for anything else; null means absent.
std::string_view from(const nlohmann::json& stored);
std::string_view from(std::string_view text);
inline std::string_view from(const std::string& text) {
  return from(std::string_view(text));
}
inline std::string_view from(const char* text) {
  return from(std::string_view(text));
}

// A stored MIDI number: a JSON number or numeric text, rounded half up; nothing outside 0-127, for other
// types and for text that is not wholly a decimal number.
std::optional<int> number(const nlohmann::json& stored);
std::optional<int> number(double x);
inline std::optional<int> number(std::int64_t n) {
  return n < 0 || n > 127 ? std::nullopt : std::optional<int>(static_cast<int>(n));
}
inline std::optional<int> number(int n) {
  return number(static_cast<std::int64_t>(n));
}

// A stored row value: nothing (any value) for "", "any", "*", "-", and for anything `number` cannot read.
std::optional<int> value(const nlohmann::json& stored);
inline std::optional<int> value(int n) {
  return number(n);
}

// The how choices offered for a command.
const std::vector<MKMCU::MKChoice>& hows(std::string_view commandId);
std::string_view defaultHow(std::string_view commandId);
// The stored how if the command offers it, else the command's default.
std::string how(std::string_view commandId, std::optional<std::string_view> stored);
std::string howLabel(const MKRow& row);

// Nothing unless the command is a jog or V-Pot; then the stored flag, else the kind's default.
std::optional<bool> invert(std::string_view commandId, std::optional<bool> stored);

bool relative(const MKRow& row);
// True when the row uses the whole sweep of the value rather than one value.
bool sweeps(const MKRow& row);

std::string fromText(const MKRow& row);
std::string valueText(const MKRow& row);

bool matches(const MKRow& row, const MKMsg& msg);

// The ids of rows that are on and would fire on the same message as an earlier row.
std::set<std::int64_t> clashes(const std::vector<MKRow>& rows);

std::int64_t nextId(const std::vector<MKRow>& rows);

// A row, or no row and the reason it was refused.
struct MKCleaned {
  std::optional<MKRow> row;
  std::string message;
};

// Reads a row from its stored form; every field but the command and the number falls back to its default.
MKCleaned clean(const nlohmann::json& stored);
// Normalises a row by writing and reading back its stored form.
MKCleaned clean(const MKRow& row);

// A new row for the table: CC 1 on the jog wheel.
MKRow blank(const std::vector<MKRow>& rows);

}  // namespace MKRules
