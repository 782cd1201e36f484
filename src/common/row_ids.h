// New row ids for either module's table: one more than the largest id in use.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <set>

namespace rowIds {

// One more than the largest `id` among the rows; 1 for none. Ids come from hand-editable files, so the
// largest may be the largest integer: then the smallest positive id that no row has is taken instead of
// overflowing.
template <typename Rows>
std::int64_t next(const Rows& rows) {
  if (rows.empty()) return 1;
  std::int64_t largest = std::numeric_limits<std::int64_t>::min();
  for (const auto& row : rows)
    largest = std::max<std::int64_t>(largest, row.id);
  if (largest < std::numeric_limits<std::int64_t>::max()) return largest + 1;
  std::set<std::int64_t> taken;
  for (const auto& row : rows)
    taken.insert(row.id);
  std::int64_t id = 1;
  while (taken.count(id))
    ++id;
  return id;
}

}  // namespace rowIds
