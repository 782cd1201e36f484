// Reading one MK row from its stored, hand-editable form: the command and the number must be usable, every
// other field falls back to its default.
#include "common/loose_value.h"
#include "mackie/core/catalogue.h"
#include "mackie/core/rules.h"

namespace MKRules {
namespace {

// The entry under `key`, or null when it is missing or the stored row is not an object at all.
const nlohmann::json& entry(const nlohmann::json& stored, const char* key) {
  static const nlohmann::json missing;
  if (!stored.is_object()) return missing;
  const auto found = stored.find(key);
  return found == stored.end() ? missing : *found;
}

std::int64_t readId(const nlohmann::json& stored) {
  if (stored.is_number_integer() && !stored.is_number_unsigned()) return stored.get<std::int64_t>();
  if (stored.is_number_unsigned()) {
    const auto n = stored.get<std::uint64_t>();
    return n <= static_cast<std::uint64_t>(INT64_MAX) ? static_cast<std::int64_t>(n) : 0;
  }
  // A whole float ("3.0", as some editors write numbers) is the integer it holds.
  if (stored.is_number_float()) {
    const double x = stored.get<double>();
    const auto n = loose::roundedHalfUp(x, INT64_MIN, INT64_MAX);
    return n && static_cast<double>(*n) == x ? *n : 0;
  }
  if (stored.is_string()) return loose::decimalInteger(stored.get_ref<const std::string&>()).value_or(0);
  return 0;
}

}  // namespace

MKCleaned clean(const nlohmann::json& stored) {
  // A missing command reads as the empty text; a stored null keeps its text "<null>" for the message.
  const bool hasCommand = stored.is_object() && stored.contains("command");
  const std::string commandId = hasCommand ? loose::textOf(stored.at("command")) : "";
  if (!MKMCU::command(commandId)) return {std::nullopt, "no Mackie command is called \"" + commandId + "\""};

  const auto n = number(entry(stored, "number"));
  if (!n) return {std::nullopt, "the MIDI number must be from 0 to 127"};

  MKRow row;
  row.command = commandId;
  row.number = *n;
  row.id = readId(entry(stored, "id"));
  row.from = std::string(from(entry(stored, "from")));

  const auto& howEntry = entry(stored, "how");
  row.how = how(commandId, howEntry.is_string()
                               ? std::optional<std::string_view>(howEntry.get_ref<const std::string&>())
                               : std::nullopt);

  const auto& onEntry = entry(stored, "on");
  row.on = onEntry.is_boolean() ? onEntry.get<bool>() : true;

  const auto& noteEntry = entry(stored, "note");
  row.note = noteEntry.is_null() ? "" : loose::textOf(noteEntry);

  const auto& invertEntry = entry(stored, "invert");
  row.invert = invert(commandId,
                      invertEntry.is_boolean() ? std::optional<bool>(invertEntry.get<bool>()) : std::nullopt);

  const auto& ledEntry = entry(stored, "led");
  if (ledEntry.is_boolean() && ledEntry.get<bool>()) row.led = true;

  if (!sweeps(row)) row.value = value(entry(stored, "value"));
  return {std::move(row), ""};
}

MKCleaned clean(const MKRow& row) {
  return clean(row.dict());
}

}  // namespace MKRules
