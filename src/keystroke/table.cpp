// The Key Stroke module's settings file and the edits of its table, each recorded in the undo history.
#include <algorithm>

#include "common/json_file.h"
#include "common/loose_value.h"
#include "keystroke/engine.h"
#include "keystroke/rules.h"

void KSEngine::load() {
  const auto read = readJsonObject(CONF(services_.home));
  saves_.read(read.exists && !read.object);
  const auto conf = read.object.value_or(nlohmann::json::object());
  const auto entry = [&](const char* key) { return conf.contains(key) ? conf.at(key) : nlohmann::json(); };
  view_.on = entry("on").is_boolean() ? entry("on").get<bool>() : true;
  view_.device = entry("device").is_string() ? entry("device").get<std::string>() : "";
  blob_ = entry("blob").is_boolean() ? entry("blob").get<bool>() : true;
  view_.rows.clear();
  if (const auto stored = entry("rows"); stored.is_array())
    for (const auto& r : stored)
      if (r.is_object())
        if (auto cleaned = KSRules::clean(r).row) view_.rows.push_back(std::move(*cleaned));
  loaded_ = true;
  changed();
}

void KSEngine::save() {
  if (dry_) return;
  if (!loaded_) {
    // Defaults written now would replace the user's table before it was ever read.
    note(NOT_READ_YET);
    return;
  }
  const auto path = CONF(services_.home);
  // Only this module's keys are rewritten; whatever else the file holds stays.
  auto conf = readJsonObject(path).object.value_or(nlohmann::json::object());
  conf["on"] = view_.on;
  conf["device"] = view_.device;
  auto stored = nlohmann::json::array();
  for (const auto& r : view_.rows)
    stored.push_back(r.dict());
  conf["rows"] = std::move(stored);
  for (const auto& line : saves_.save(path, conf))
    note(line);
}

std::optional<KSRow> KSEngine::row(std::int64_t id) const {
  const auto found =
      std::find_if(view_.rows.begin(), view_.rows.end(), [&](const KSRow& r) { return r.id == id; });
  return found == view_.rows.end() ? std::nullopt : std::optional(*found);
}

void KSEngine::change(const std::string& label, const std::function<void()>& body) {
  auto before = view_.rows;
  body();
  keep_.record(std::move(before), view_.rows, label);
  changed();
}

std::optional<KSRow> KSEngine::replace(const KSRow& old, const std::string& label,
                                       const nlohmann::json& stored) {
  const auto cleaned = KSRules::clean(stored);
  if (!cleaned.row) {
    note("that row was refused: " + cleaned.message);
    return std::nullopt;
  }
  change(label, [&] {
    const auto at =
        std::find_if(view_.rows.begin(), view_.rows.end(), [&](const KSRow& r) { return r.id == old.id; });
    if (at != view_.rows.end()) *at = *cleaned.row;
  });
  return cleaned.row;
}

void KSEngine::add() {
  const auto id = KSRules::nextId(view_.rows);
  const auto fresh = *KSRules::clean({{"id", id}, {"cc", 1}, {"kind", "key"}}).row;
  change("row " + std::to_string(id) + " added", [&] { view_.rows.push_back(fresh); });
  save();
}

void KSEngine::set(std::int64_t id, const std::string& field, const nlohmann::json& value) {
  const auto current = row(id);
  if (!current) return;
  auto stored = current->dict();
  bool forgotten = false;
  if (field == "number") {
    stored["cc"] = value;
  } else if (field == "value") {
    if (KSRules::isAny(value))
      stored.erase("value");
    else
      stored["value"] = value;
  } else if (field == "key") {
    if (loose::textOf(value).empty()) {
      // Forgetting the key forgets its modifiers with it.
      stored.erase("key");
      stored["mods"] = nlohmann::json::array();
      forgotten = true;
    } else {
      stored["key"] = value;
    }
  } else {
    stored[field] = value;
  }
  const auto label = "row " + std::to_string(id) + ": " + (field == "type" ? "filter" : field) + " " +
                     (forgotten ? "forgotten" : loose::textOf(value));
  if (replace(*current, label, stored)) save();
}

void KSEngine::tick(std::int64_t id) {
  keep_.tick(id, view_.rows);
  changed();
}

void KSEngine::tickAll() {
  keep_.all(view_.rows);
  changed();
}

void KSEngine::deleteTicked() {
  const auto ids = keep_.ticked(view_.rows);
  if (ids.empty()) return;
  std::string joined;
  for (const auto id : ids)
    joined += (joined.empty() ? "" : ", ") + std::to_string(id);
  const std::set<std::int64_t> doomed(ids.begin(), ids.end());
  change((ids.size() == 1 ? "row " : "rows ") + joined + " deleted", [&] {
    for (const auto& r : view_.rows)
      if (doomed.count(r.id))
        note("row " + std::to_string(r.id) + " removed  (" + KSRules::midiText(r) + " = " +
             KSRules::valueText(r) + " → " + KSRules::target(r) + ")");
    std::erase_if(view_.rows, [&](const KSRow& r) { return doomed.count(r.id) > 0; });
  });
  if (view_.capId && doomed.count(*view_.capId)) captureStop();
  if (view_.learnId && doomed.count(*view_.learnId)) view_.learnId.reset();
  save();
}

void KSEngine::undo() {
  afterHistory("UNDO: ", keep_.undo(view_.rows));
}

void KSEngine::redo() {
  afterHistory("REDO: ", keep_.redo(view_.rows));
}

void KSEngine::afterHistory(const std::string& step, const std::optional<std::string>& label) {
  if (!label) return;
  if (view_.capId && !row(*view_.capId)) captureStop();
  if (view_.learnId && !row(*view_.learnId)) view_.learnId.reset();
  save();
  note(step + *label);
  changed();
}

void KSEngine::colour(std::int64_t id, int index) {
  const auto r = row(id);
  if (!r) return;
  // The helper runs beside the loop: its outcome is told when it comes.
  e16_.setColour(std::string(KSRules::type(r->type)), r->cc, index,
                 [weak = weak_from_this()](const std::string& line) {
                   if (const auto engine = weak.lock()) engine->note(line);
                 });
}
