// The MK module's settings file and the edits of its table, each recorded in the undo history and saved.
#include <algorithm>

#include "common/json_file.h"
#include "common/loose_value.h"
#include "mackie/core/rules.h"
#include "mackie/core/says.h"
#include "mackie/engine/engine.h"

namespace {

void defaultText(nlohmann::json& conf, const char* key) {
  const auto found = conf.find(key);
  if (found == conf.end() || !found->is_string()) conf[key] = "";
}

// A stored number at or below zero is replaced; anything that is not a number is left for the reader's
// default.
void positive(nlohmann::json& conf, const char* key, const nlohmann::json& replacement) {
  const auto found = conf.find(key);
  if (found != conf.end() && found->is_number() && found->get<double>() <= 0) *found = replacement;
}

}  // namespace

void MKEngine::load() {
  const auto path = CONF(services_.home);
  auto read = readJsonObject(path);
  // A file that is there but does not read would be overwritten with defaults at the next save, losing the
  // whole table: it is kept aside first.
  saves_.read(read.exists && !read.object);
  conf_ = read.object ? std::move(*read.object) : nlohmann::json::object();
  if (!conf_.contains("on")) conf_["on"] = true;
  defaultText(conf_, "device");
  defaultText(conf_, "out");
  defaultText(conf_, "back");
  if (!conf_.contains("blob")) conf_["blob"] = true;
  positive(conf_, "blobSize", 22);
  positive(conf_, "blobHold", 1.4);

  std::vector<MKRow> read_rows;
  const auto stored = conf_.find("rows");
  if (stored != conf_.end() && stored->is_array())
    for (const auto& entry : *stored)
      if (entry.is_object())
        if (auto r = MKRules::clean(entry).row) read_rows.push_back(std::move(*r));
  view_.rows = std::move(read_rows);
  reindex();
  loaded_ = true;
  dirty_ = true;
}

void MKEngine::save() {
  if (!loaded_) {
    // Defaults written now would replace the user's table before it was ever read.
    note(NOT_READ_YET);
    return;
  }
  auto stored = nlohmann::json::array();
  for (const auto& r : view_.rows)
    stored.push_back(r.dict());
  conf_["rows"] = std::move(stored);
  for (const auto& line : saves_.save(CONF(services_.home), conf_))
    note(line);
  dirty_ = true;
}

std::optional<MKRow> MKEngine::row(std::int64_t id) const {
  const auto found =
      std::find_if(view_.rows.begin(), view_.rows.end(), [&](const MKRow& r) { return r.id == id; });
  return found == view_.rows.end() ? std::nullopt : std::optional(*found);
}

void MKEngine::change(const std::string& what, const std::function<void()>& edit) {
  auto before = view_.rows;
  edit();
  reindex();
  history_.record(std::move(before), view_.rows, what);
  coarse_.clear();  // an upper half heard for the old table must not complete a pair of the new one
  save();
}

void MKEngine::add() {
  const auto fresh = MKRules::blank(view_.rows);
  change("row " + std::to_string(fresh.id) + " added", [&] { view_.rows.push_back(fresh); });
}

void MKEngine::set(std::int64_t id, const std::string& key, const std::optional<nlohmann::json>& value) {
  const auto current = row(id);
  if (!current) return;
  auto stored = current->dict();
  if (value)
    stored[key] = *value;
  else
    stored.erase(key);
  if (key == "command" && value && value->is_string() && value->get<std::string>() != current->command) {
    stored["how"] = std::string(MKRules::defaultHow(value->get<std::string>()));
    stored.erase("invert");
  }
  const auto cleaned = MKRules::clean(stored);
  if (!cleaned.row) {
    note("that row was refused: " + cleaned.message);
    return;
  }
  const auto what = "row " + std::to_string(id) + ": " + (key == "from" ? "filter" : key) + " " +
                    (value ? loose::textOf(*value) : "any");
  change(what, [&] {
    *std::find_if(view_.rows.begin(), view_.rows.end(), [&](const MKRow& r) { return r.id == id; }) =
        *cleaned.row;
    held_.erase(id);
  });
}

void MKEngine::tick(std::int64_t id) {
  history_.tick(id, view_.rows);
  dirty_ = true;
}

void MKEngine::tickAll() {
  history_.all(view_.rows);
  dirty_ = true;
}

void MKEngine::deleteTicked() {
  std::vector<MKRow> doomed;
  for (const auto& r : view_.rows)
    if (history_.ticks.count(r.id)) doomed.push_back(r);
  if (doomed.empty()) return;
  std::string ids;
  for (const auto& r : doomed)
    ids += (ids.empty() ? "" : ", ") + std::to_string(r.id);
  const bool learning = view_.learnId && history_.ticks.count(*view_.learnId);
  change((doomed.size() == 1 ? "row " : "rows ") + ids + " deleted", [&] {
    for (const auto& r : doomed) {
      note("row " + std::to_string(r.id) + " removed  (" + MKRules::fromText(r) + " = " +
           MKRules::valueText(r) + " → " + MKRules::target(r) + ")");
      held_.erase(r.id);
    }
    std::erase_if(view_.rows, [&](const MKRow& r) { return history_.ticks.count(r.id) > 0; });
  });
  if (learning) view_.learnId.reset();
}

void MKEngine::undo() {
  if (const auto what = history_.undo(view_.rows)) {
    held_.clear();
    afterHistory("UNDO: " + *what);
  }
}

void MKEngine::redo() {
  if (const auto what = history_.redo(view_.rows)) {
    held_.clear();
    afterHistory("REDO: " + *what);
  }
}

void MKEngine::afterHistory(const std::string& text) {
  reindex();
  history_.keepTicksIn(view_.rows);
  coarse_.clear();
  if (view_.learnId && !row(*view_.learnId)) view_.learnId.reset();
  save();
  note(text);
}

void MKEngine::colour(std::int64_t id, int colour) {
  const auto r = row(id);
  if (!r) return;
  // The helper runs beside the loop: its outcome is told when it comes.
  rings().setColour(r->from, r->number, colour, [weak = weak_from_this()](const std::string& line) {
    if (const auto engine = weak.lock()) engine->note(line);
  });
}
