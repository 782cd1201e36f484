// The how choices of each command kind.
#include "mackie/core/hows.h"

#include "mackie/core/wire.h"

namespace MKRules {
namespace {

std::vector<MKChoice> relativeChoices() {
  // Shorter labels than the encodings' own, with the same help texts.
  constexpr std::array<std::string_view, 3> labels = {"CC Rel 1", "CC Rel 2", "Sign-mag"};
  std::vector<MKChoice> out;
  for (std::size_t i = 0; i < MKMCU::MODES.size(); ++i)
    out.push_back({MKMCU::MODES[i].id, labels[i], MKMCU::MODES[i].says});
  return out;
}

}  // namespace

const std::map<std::string, std::vector<MKChoice>, std::less<>>& HOWS() {
  static const std::map<std::string, std::vector<MKChoice>, std::less<>> hows = {
      {"button",
       {{"press", "PRESS", "the button is pressed and released"},
        {"hold", "HOLD", "64 and above holds it down, below lets it go"}}},
      {"combo",
       {{"press", "PRESS",
         "the modifier goes down, the button is pressed and released, the modifier comes up"}}},
      {"transport",
       {{"press", "PRESS",
         "playing, Live stops and the insert point jumps to the playhead; stopped, Live plays from the "
         "insert "
         "point"}}},
      {"jog", relativeChoices()},
      {"vpot", relativeChoices()},
      {"fader",
       {{"7", "7-BIT", "the knob's 0-127 becomes the fader's whole range"},
        {"14", "14-BIT", "for a knob set to CC14 on the E16: 16384 steps, not 128"}}},
      {"mac", {{"press", "PRESS", "the Mac's own key, once"}}},
      {"macvolume",
       {{"blob", "WITH THE BLOB", "the Mac's own volume keys, so the Mac's own blob comes up"},
        {"silent", "SILENT", "the exact number is set and no blob appears"}}},
  };
  return hows;
}

}  // namespace MKRules
