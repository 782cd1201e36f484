// The texts that show a row (see the header).
#include "mackie/core/says.h"

#include "mackie/core/catalogue.h"
#include "mackie/core/rules.h"
#include "mackie/core/wire.h"

namespace MKRules {

std::string target(const MKRow& row) {
  const auto* c = MKMCU::command(row.command);
  return c ? c->label : "";
}

std::string says(const MKRow& row) {
  const auto* c = MKMCU::command(row.command);
  if (!c) return "";
  const std::string w = MKMCU::wire(row.command) + (c->kind == "fader" ? "" : ", channel 1");
  const std::string d = c->says.empty() ? "" : " — " + c->says;
  const std::string warn =
      row.from == "cc" && !row.value
          ? "  —  THIS ROW FIRES ON EVERY VALUE THE KNOB SENDS: put 127 in VALUE so only the press half fires"
          : "";

  if (c->kind == "transport") return w + d + warn;
  if (c->kind == "button" && c->with) return w + ", pressed and released inside it" + d + warn;
  if (c->kind == "button" && row.how == "press") return w + " pressed and released" + d;
  if (c->kind == "button") return w + " held while the knob is at 64 or above" + d;
  if (c->kind == "mac" || c->kind == "macvolume") {
    std::string text = "THE MAC, NOT LIVE: " + (c->says.empty() ? c->label : c->says);
    if (c->kind == "macvolume" && row.how == "silent")
      text += "  —  no blob, the number is set behind the Mac's back";
    return text;
  }
  if (c->kind == "jog" || c->kind == "vpot")
    return w + ", sign-magnitude, from a knob sending " + howLabel(row) +
           (row.invert == true ? ", TURNED ROUND (right goes back)" : ", as the hand turns") + d;
  if (c->kind == "fader") return w + ", " + howLabel(row) + d;
  return "";
}

}  // namespace MKRules
