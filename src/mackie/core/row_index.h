// The MK table's rows by the kind and number of message that reaches them, so that a message visits only the
// few rows it can reach instead of the whole table. Built when the rows change; messages only read it.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "mackie/core/catalogue.h"
#include "mackie/core/row.h"

namespace MKRules {

class MKRowIndex {
 public:
  // One row a message reaches, with what firing would otherwise look up in the row for every message.
  struct Entry {
    std::uint32_t at = 0;                       // the row's position in the table
    bool fine = false;                          // a 14-bit fader row: both halves of its pair reach it
    const MKMCU::MKCommand* command = nullptr;  // nullptr when the row names no command
  };

  MKRowIndex() = default;
  explicit MKRowIndex(const std::vector<MKRow>& rows);

  // The rows a message of that kind ("cc" or "note", spelt exactly) and number reaches, on or off, in table
  // order: those listening to the number, and the fine faders whose lower half it is. MIDI numbers are 0-127:
  // nothing reaches a message outside them, nor a row outside them (a stored row never is).
  std::span<const Entry> reached(std::string_view kind, int number) const;
  // Whether a row that is on and asks for its ring listens to exactly that kind and number.
  bool lights(std::string_view kind, int number) const;

 private:
  static constexpr int SLOTS = 2 * 128;  // CC 0-127, then notes 0-127
  static int slot(std::string_view kind, int number);

  std::array<std::vector<Entry>, SLOTS> reached_;
  std::bitset<SLOTS> lights_;
};

}  // namespace MKRules
