// The undo and redo history of a module's table, and the rows ticked for deleting. Both modules keep the same
// rules here; what else an undo clears or cancels is each engine's own business.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

template <typename Row>
class RowHistory {
 public:
  static constexpr std::size_t LIMIT = 100;

  struct Step {
    std::vector<Row> rows;
    std::string what;
  };

  std::vector<Step> undoStack;  // oldest first
  std::vector<Step> redoStack;  // most recent last
  std::set<std::int64_t> ticks;

  // Records the table as it was before an edit, when the edit changed it; an edit that changed nothing
  // keeps the redo side.
  void record(std::vector<Row> before, const std::vector<Row>& after, std::string what) {
    if (before != after) {
      undoStack.push_back({std::move(before), std::move(what)});
      if (undoStack.size() > LIMIT) undoStack.erase(undoStack.begin());
      redoStack.clear();
    }
    keepTicksIn(after);
  }

  // One step back or forward: `rows` becomes the snapshot and the current table goes to the other side.
  // The step's label, or nothing when there is no step.
  std::optional<std::string> undo(std::vector<Row>& rows) { return step(undoStack, redoStack, rows); }
  std::optional<std::string> redo(std::vector<Row>& rows) { return step(redoStack, undoStack, rows); }

  void tick(std::int64_t id, const std::vector<Row>& rows) {
    if (!ticks.erase(id)) ticks.insert(id);
    keepTicksIn(rows);
  }

  // Everything ticked, or nothing when everything already was.
  void all(const std::vector<Row>& rows) {
    std::set<std::int64_t> every;
    for (const auto& r : rows)
      every.insert(r.id);
    ticks = (!rows.empty() && ticks == every) ? std::set<std::int64_t>{} : every;
  }

  // The ticked rows' ids in table order.
  std::vector<std::int64_t> ticked(const std::vector<Row>& rows) const {
    std::vector<std::int64_t> out;
    for (const auto& r : rows)
      if (ticks.count(r.id) && std::find(out.begin(), out.end(), r.id) == out.end()) out.push_back(r.id);
    return out;
  }

  void keepTicksIn(const std::vector<Row>& rows) {
    std::erase_if(ticks, [&](std::int64_t id) {
      return std::none_of(rows.begin(), rows.end(), [&](const Row& r) { return r.id == id; });
    });
  }

 private:
  std::optional<std::string> step(std::vector<Step>& from, std::vector<Step>& to, std::vector<Row>& rows) {
    if (from.empty()) return std::nullopt;
    auto last = std::move(from.back());
    from.pop_back();
    to.push_back({rows, last.what});
    rows = std::move(last.rows);
    keepTicksIn(rows);
    return last.what;
  }
};
