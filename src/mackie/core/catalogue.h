// The fixed vocabulary of the MIDI to MK Control module: every Mackie Control command a row can name, what it
// puts on the bus, and how it is shown. Built once, on first use, from any thread; never changed afterwards.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace MKMCU {

struct MKCommand {
  std::string id;     // what a row's `command` holds, and what the configuration file stores
  std::string label;  // shown in the command picker
  std::string group;  // one of GROUPS
  std::string kind;   // "button", "transport", "jog", "vpot", "fader", "mac" or "macvolume"
  std::optional<int> note;
  std::optional<int> stopNote;           // "transport" only
  std::optional<int> cc;                 // jog CC 60, V-Pots 16-23
  std::optional<int> shift;              // "transport" only: SHIFT, 70
  std::optional<std::vector<int>> with;  // modifier notes held around `note`
  std::optional<int> channel;            // pitch-bend channel of a fader, 0-8
  std::optional<int> strip;              // 1-8 for V-Pots, 1-9 for faders
  std::optional<std::string> act;        // "mac": "up", "down" or "mute"
  std::string sid;                       // the control's name in Live's Mackie Control script, for reference
  std::string says;                      // one-line help text, may be empty

  bool operator==(const MKCommand&) const = default;
};

inline constexpr std::array<std::string_view, 13> GROUPS = {
    "THE TIMELINE",
    "TRANSPORT",
    "MARKERS AND THE LOOP",
    "THE ARROWS",
    "MODIFIERS  (hold them)",
    "UNDO AND REDO",
    "THE VIEWS AND THE EDITOR",
    "THE MIXER STRIP",
    "THE BANK",
    "WHAT THE V-POTS DO",
    "THE DISPLAY",
    "KNOBS AND FADERS",
    "THE MAC  (not Live)",
};

// All 121 commands, in picker order.
const std::vector<MKCommand>& COMMANDS();

// Every command by id.
const std::map<std::string, const MKCommand*, std::less<>>& BY_ID();

// The command with that id, or nothing; an absent id is looked up as the empty text, which names no command.
const MKCommand* command(std::optional<std::string_view> id);

struct MKCommandGroup {
  std::string group;
  std::vector<const MKCommand*> items;  // in COMMANDS order
};

// One entry per heading of GROUPS, in that order: what the command picker shows.
const std::vector<MKCommandGroup>& catalogue();

}  // namespace MKMCU
