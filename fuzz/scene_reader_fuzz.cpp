// Fuzz target for the E16 scene reader: the input is the only scene file in a temporary Documents folder, and
// every CC and note is looked up in it, on any channel and on the first. Nothing may crash, and every knob
// found must send the message it was asked for.
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>

#include "check.h"
#include "e16/knob.h"
#include "e16/palette.h"
#include "e16/scene_reader.h"
#include "support/settable_clock.h"
#include "support/temp_folder.h"

namespace {

using fuzz::check;

void checkKnob(const e16::E16Knob& knob, bool note, int number) {
  check(!knob.guessed && knob.page >= 1 && knob.knob >= 1);
  check(knob.colour.has_value() == (knob.index >= 0 && knob.index < static_cast<int>(e16::PALETTE.size())));
  // A note is only ever a push; a CC is the turn's unless the push sends it.
  if (note) check(knob.push);
  if (!knob.push) check(knob.cc == number && knob.turn >= 1 && knob.turn <= 4);
  const auto shown = e16::mkKnob(knob);
  check(shown.colour.size() == 7 && shown.colour.front() == '#');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TempFolder documents;
  documents.write("scene.oxie16", std::string(reinterpret_cast<const char*>(data), size));

  const SettableClock clock;
  e16::SceneReader reader(clock, documents.path(), e16::FolderLinks::skip);
  for (const bool note : {false, true}) {
    for (int number = 0; number <= 127; ++number) {
      for (const std::optional<int> channel : {std::optional<int>(), std::optional<int>(0)}) {
        const auto knob = reader.knobFor(note ? "note" : "cc", number, channel);
        if (knob) checkKnob(*knob, note, number);
        const auto guess = reader.knobOrGuess(note ? "note" : "cc", number, channel);
        check(guess.has_value() == (knob.has_value() || (note && number >= 1 && number <= 16)));
      }
    }
  }
  return 0;
}
