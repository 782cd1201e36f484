// Fuzz target for reading one Key Stroke row from its stored form: whatever JSON a hand-edited file holds, a
// row is either refused with a reason or comes out within its ranges, reads back to itself, and fires only
// what its kind asks for.
#include <cstdint>
#include <initializer_list>
#include <variant>

#include "check.h"
#include "keystroke/rules.h"

namespace {

using fuzz::check;

void checkRow(const KSRules::KSRow& row) {
  check(row.cc >= 0 && row.cc <= 127);
  check(!row.value || (*row.value >= 0 && *row.value <= 127));
  check(row.type == "cc" || row.type == "note");
  const auto* special = KSRules::special(row.kind);
  check(row.kind == "key" || special != nullptr);
  check(!(special && special->sweep && row.value));
  if (row.kind != "key") check(!row.key && row.mods.empty());
  check(!row.key || !row.key->empty());
  // The modifiers: known names, each once, in their canonical order.
  std::size_t next = 0;
  for (const auto& m : row.mods) {
    while (next < KSRules::MODS.size() && KSRules::MODS[next] != m)
      ++next;
    check(next < KSRules::MODS.size());
    ++next;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto stored = fuzz::parsed(data, size);
  if (!stored) return 0;
  const auto cleaned = KSRules::clean(*stored);
  if (!cleaned.row) {
    check(!cleaned.message.empty());
    return 0;
  }
  const auto& row = *cleaned.row;
  checkRow(row);
  // What the table saves must read back as the same row, or every save would change the table.
  check(KSRules::clean(row.dict()).row == row);

  check(!KSRules::midiText(row).empty() && !KSRules::valueText(row).empty());
  check(KSRules::target(row).empty() == (row.kind == "key" && !row.key));

  // A row that can fire hears its own message, and a copy of it below clashes with it.
  if (row.on && (row.kind != "key" || row.key)) {
    check(KSRules::matches(row, row.cc, row.value.value_or(64), row.type));
    auto twin = row;
    twin.id = row.id ^ 1;
    check(KSRules::clashes({row, twin}) == std::set<std::int64_t>({row.id, twin.id}));
  }

  for (const int value : {row.value.value_or(64), 0, 1, 64, 127}) {
    for (const auto& act : KSRules::fire({row}, row.cc, value, row.type)) {
      if (const auto* key = std::get_if<KSRules::KeyAct>(&act)) {
        check(row.kind == "key" && row.key == key->key && key->mods == row.mods);
      } else {
        const auto& volume = std::get<KSRules::VolumeAct>(act);
        check(row.kind == "volume" && volume.percent >= 0 && volume.percent <= 100);
      }
    }
  }
  return 0;
}
