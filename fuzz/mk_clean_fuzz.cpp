// Fuzz target for reading one MK row from its stored form: whatever JSON a hand-edited file holds, a row is
// either refused with a reason or comes out within its ranges, reads back to itself, and fires only
// messages that fit on the wire.
#include <cstdint>
#include <initializer_list>

#include "check.h"
#include "mackie/core/catalogue.h"
#include "mackie/core/fire.h"
#include "mackie/core/rules.h"
#include "mackie/core/says.h"

namespace {

using fuzz::check;

bool midiByte(int n) {
  return n >= 0 && n <= 127;
}

void checkRow(const MKRules::MKRow& row) {
  const auto* command = MKMCU::command(row.command);
  check(command != nullptr);
  check(midiByte(row.number));
  check(row.from == "cc" || row.from == "note");
  check(!row.value || midiByte(*row.value));
  check(!(row.value && MKRules::sweeps(row)));
  check(row.invert.has_value() == MKRules::relative(row));
  check(row.led != false);
  bool offered = false;
  for (const auto& choice : MKRules::hows(row.command))
    offered = offered || choice.id == row.how;
  check(offered);
}

void checkActs(const std::vector<MKRules::MKAct>& acts) {
  for (const auto& act : acts) {
    check(midiByte(act.note) && midiByte(act.velocity) && midiByte(act.play) && midiByte(act.stop));
    check(midiByte(act.number) && midiByte(act.value) && midiByte(act.lsb) && midiByte(act.msb));
    check(act.channel >= 0 && act.channel <= 15);
    check(act.percent >= 0 && act.percent <= 100);
    for (const auto& part : act.parts)
      check(midiByte(part.note) && midiByte(part.velocity));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto stored = fuzz::parsed(data, size);
  if (!stored) return 0;
  const auto cleaned = MKRules::clean(*stored);
  if (!cleaned.row) {
    check(!cleaned.message.empty());
    return 0;
  }
  const auto& row = *cleaned.row;
  checkRow(row);
  // What the table saves must read back as the same row, or every save would change the table.
  const auto again = MKRules::clean(row);
  check(again.row == row);

  // The texts the table shows are built for any row.
  check(!MKRules::fromText(row).empty() && !MKRules::valueText(row).empty());
  check(!MKRules::howLabel(row).empty() && !MKRules::target(row).empty());
  MKRules::says(row);

  // A row that is on hears its own message, and a copy of it below clashes with it.
  if (row.on) {
    check(MKRules::matches(row, {row.from, row.number, row.value.value_or(0), std::nullopt}));
    auto twin = row;
    twin.id = row.id ^ 1;
    check(MKRules::clashes({row, twin}) == std::set<std::int64_t>({row.id, twin.id}));
  }

  // Firing it with the values a knob sends, in turn, as the engine would: held buttons and fine faders keep
  // state between messages.
  MKRules::MKHeld held;
  MKRules::MKCoarse coarse;
  for (const int value : {row.value.value_or(0), 0, 1, 63, 64, 65, 127}) {
    checkActs(MKRules::fire({row}, {row.from, row.number, value, std::nullopt}, held, coarse));
    if (MKRules::finePair(row))
      checkActs(MKRules::fire({row}, {row.from, row.number + 32, value, std::nullopt}, held, coarse));
  }
  return 0;
}
