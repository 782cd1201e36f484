// The MK table's pure rules (see the header); reading a whole stored row is in clean.cpp.
#include "mackie/core/rules.h"

#include <algorithm>
#include <unordered_map>

#include "common/loose_value.h"
#include "common/row_ids.h"
#include "mackie/core/catalogue.h"
#include "mackie/core/fire.h"
#include "mackie/core/hows.h"

namespace MKRules {

std::string_view from(std::string_view text) {
  // Lowered without allocating: this runs for every row on every message.
  constexpr std::string_view note = "note";
  const bool isNote =
      text.size() == note.size() && std::equal(text.begin(), text.end(), note.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
      });
  return isNote ? "note" : "cc";
}

std::string_view from(const nlohmann::json& stored) {
  if (stored.is_null()) return "cc";
  if (stored.is_string()) return from(std::string_view(stored.get_ref<const std::string&>()));
  return "cc";  // a number or a container never reads as "note"
}

std::optional<int> number(double x) {
  const auto n = loose::roundedHalfUp(x, 0, 127);
  if (!n) return std::nullopt;
  return static_cast<int>(*n);
}

std::optional<int> number(const nlohmann::json& stored) {
  if (stored.is_number_unsigned()) {
    const auto n = stored.get<std::uint64_t>();
    return n > 127 ? std::nullopt : std::optional<int>(static_cast<int>(n));
  }
  if (stored.is_number_integer()) return number(stored.get<std::int64_t>());
  if (stored.is_number_float()) return number(stored.get<double>());
  if (stored.is_string()) {
    const auto x = loose::decimalNumber(loose::trimmed(stored.get_ref<const std::string&>()));
    return x ? number(*x) : std::nullopt;
  }
  return std::nullopt;
}

std::optional<int> value(const nlohmann::json& stored) {
  if (stored.is_string() && loose::meansAny(stored.get_ref<const std::string&>())) return std::nullopt;
  return number(stored);
}

const std::vector<MKMCU::MKChoice>& hows(std::string_view commandId) {
  const auto& all = HOWS();
  const auto* c = MKMCU::command(commandId);
  if (c && c->with) return all.find("combo")->second;
  if (c) {
    const auto found = all.find(c->kind);
    if (found != all.end()) return found->second;
  }
  return all.find("button")->second;
}

std::string_view defaultHow(std::string_view commandId) {
  if (std::find(HOLD_FIRST.begin(), HOLD_FIRST.end(), commandId) != HOLD_FIRST.end()) return "hold";
  return hows(commandId).front().id;
}

std::string how(std::string_view commandId, std::optional<std::string_view> stored) {
  if (stored) {
    for (const auto& choice : hows(commandId))
      if (choice.id == *stored) return std::string(choice.id);
  }
  return std::string(defaultHow(commandId));
}

std::string howLabel(const MKRow& row) {
  for (const auto& choice : hows(row.command))
    if (choice.id == row.how) return std::string(choice.label);
  return row.how;
}

std::optional<bool> invert(std::string_view commandId, std::optional<bool> stored) {
  const auto* c = MKMCU::command(commandId);
  if (!c || (c->kind != "jog" && c->kind != "vpot")) return std::nullopt;
  if (stored) return stored;
  for (const auto& [kind, first] : INVERT_FIRST)
    if (kind == c->kind) return first;
  return false;
}

bool relative(const MKRow& row) {
  const auto* c = MKMCU::command(row.command);
  return c && (c->kind == "jog" || c->kind == "vpot");
}

bool sweeps(const MKRow& row) {
  const auto* c = MKMCU::command(row.command);
  if (!c) return false;
  if (c->kind == "jog" || c->kind == "vpot" || c->kind == "fader" || c->kind == "macvolume") return true;
  return c->kind == "button" && !c->with && row.how == "hold";
}

std::string fromText(const MKRow& row) {
  return (row.from == "note" ? "NOTE " : "CC ") + std::to_string(row.number);
}

std::string valueText(const MKRow& row) {
  if (sweeps(row)) return "0-127";
  return row.value ? std::to_string(*row.value) : "any";
}

bool matches(const MKRow& row, const MKMsg& msg) {
  // The number first: it is the cheapest test and rules out almost every row of a table.
  if (!row.on || number(msg.number) != row.number) return false;
  if (from(msg.from) != row.from) return false;
  return !row.value || value(msg.value) == row.value;
}

std::set<std::int64_t> clashes(const std::vector<MKRow>& rows) {
  std::set<std::int64_t> out;
  std::unordered_map<std::string, std::int64_t> first;
  for (const auto& row : rows) {
    if (!row.on) continue;
    const auto value = "|" + (row.value ? std::to_string(*row.value) : std::string("any"));
    // A fine fader also answers the lower half of its pair.
    std::vector<int> numbers = {row.number};
    if (finePair(row)) numbers.push_back(row.number + 32);
    for (const int n : numbers) {
      const auto [found, isNew] = first.emplace(row.from + "|" + std::to_string(n) + value, row.id);
      if (!isNew && found->second != row.id) {
        out.insert(row.id);
        out.insert(found->second);
      }
    }
  }
  return out;
}

std::int64_t nextId(const std::vector<MKRow>& rows) {
  return rowIds::next(rows);
}

MKRow blank(const std::vector<MKRow>& rows) {
  const nlohmann::json stored = {
      {"id", nextId(rows)}, {"from", "cc"}, {"number", 1}, {"command", "jog"}, {"how", "twos"}, {"on", true},
  };
  return *clean(stored).row;
}

}  // namespace MKRules
