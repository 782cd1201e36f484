// Firing: which actions the MK table asks for when one message arrives. The engine carries them out.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "mackie/core/catalogue.h"
#include "mackie/core/row.h"
#include "mackie/core/row_index.h"

namespace MKRules {

// One note message of a sequence: a press (127) or a release (0).
struct MKPart {
  int note = 0;
  int velocity = 0;
  bool operator==(const MKPart&) const = default;
};

// What one fired row asks for. Fields that the kind does not use stay at their zero value.
struct MKAct {
  MKRow row;
  std::string kind;  // "note", "combo", "transport", "cc", "pitch", "mac" or "macvolume"
  std::string what;  // the command's label, with " down" or " up" for a held button
  int note = 0;
  int velocity = 0;
  bool release = false;  // "note": press now and release shortly after
  std::vector<MKPart> parts;
  int play = 0;
  int stop = 0;
  int number = 0;                  // "cc": the CC; "transport": the jog CC
  int value = 0;                   // "cc": the V-Pot byte
  int clicks = 0;                  // "cc": signed clicks after inversion
  std::optional<std::string> rel;  // "cc": "jog" or "vpot"
  int channel = 0;
  int lsb = 0;
  int msb = 0;
  std::string act;  // "mac": "up", "down" or "mute"
  double percent = 0;
  bool blob = false;

  bool operator==(const MKAct&) const = default;
};

// Row id to the last velocity a held button sent, so each change of half is sent once.
using MKHeld = std::map<std::int64_t, int>;

// A controller knob set to 14 bits sends its position as a pair of CCs: n (0-31) with the upper seven bits
// and n + 32 with the lower seven. A row for a 14-bit fader on CC n hears both and moves the fader to the
// whole position; `coarse` keeps each such row's last upper half. An upper half alone counts as the position
// with a lower half of 0, as MIDI reads a pair; a lower half before any upper half is ignored, as it would
// throw the fader to the bottom. Above CC 31 such a row takes the one 7-bit value as the position.
using MKCoarse = std::map<std::int64_t, int>;
bool finePair(const MKRow& row);

// The actions of every row that matches, in table order; `index` was built from these rows.
std::vector<MKAct> fire(const std::vector<MKRow>& rows, const MKRowIndex& index, const MKMsg& msg,
                        MKHeld& held, MKCoarse& coarse);
// The same for rows that have no index yet, such as a single row tried out.
std::vector<MKAct> fire(const std::vector<MKRow>& rows, const MKMsg& msg, MKHeld& held, MKCoarse& coarse);
// Adds to `out` the action one row asks for when the message matches it; `command` and `fine` are the row's
// command in the catalogue and finePair(row), worked out once per table rather than once per message.
void fireRow(std::vector<MKAct>& out, const MKRow& row, const MKMCU::MKCommand* command, bool fine,
             const MKMsg& msg, MKHeld& held, MKCoarse& coarse);

// 0-127 as a percentage, 0-100.
double percent(int v);

}  // namespace MKRules
