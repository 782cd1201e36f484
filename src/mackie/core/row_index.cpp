// The rows by what reaches them (see the header).
#include "mackie/core/row_index.h"

#include "mackie/core/fire.h"

namespace MKRules {

int MKRowIndex::slot(std::string_view kind, int number) {
  if (number < 0 || number > 127) return -1;
  if (kind == "cc") return number;
  if (kind == "note") return 128 + number;
  return -1;
}

MKRowIndex::MKRowIndex(const std::vector<MKRow>& rows) {
  for (std::size_t at = 0; at < rows.size(); ++at) {
    const auto& row = rows[at];
    const Entry entry{static_cast<std::uint32_t>(at), finePair(row), MKMCU::command(row.command)};
    if (const int own = slot(row.from, row.number); own >= 0) {
      reached_[own].push_back(entry);
      if (row.on && row.led == true) lights_.set(own);
    }
    if (entry.fine)
      if (const int lower = slot(row.from, row.number + 32); lower >= 0) reached_[lower].push_back(entry);
  }
}

std::span<const MKRowIndex::Entry> MKRowIndex::reached(std::string_view kind, int number) const {
  const int at = slot(kind, number);
  if (at < 0) return {};
  return reached_[at];
}

bool MKRowIndex::lights(std::string_view kind, int number) const {
  const int at = slot(kind, number);
  return at >= 0 && lights_.test(at);
}

}  // namespace MKRules
