// The Key Stroke module's E16 rings (see the header): Key Stroke rows decide what lights and which rings
// follow the volume; the engine supplies the way out and the timer.
#include "keystroke/e16.h"

#include <algorithm>
#include <utility>

#include "e16/colour_helper.h"
#include "keystroke/rules.h"

KSE16::KSE16(Loop& loop, AudioOutput& audio, std::string documents, std::string helper)
    : rings(loop, std::move(documents), e16::FolderLinks::skip),
      loop_(loop),
      audio_(audio),
      helper_(std::move(helper)) {}

std::optional<KSE16::Knob> KSE16::knobFor(const std::string& type, int number, std::optional<int> channel) {
  return rings.reader.knobFor(type, number, channel);
}

std::optional<KSE16::Knob> KSE16::knobOrGuess(const std::string& type, int number,
                                              std::optional<int> channel) {
  return rings.reader.knobOrGuess(type, number, channel);
}

std::optional<std::string> KSE16::feel(const std::vector<KSRules::KSRow>& rows, const std::string& type,
                                       int number, int value, int channel) {
  const bool lights = std::any_of(rows.begin(), rows.end(), [&](const KSRules::KSRow& row) {
    return row.on && row.led && KSRules::type(row.type) == type && row.cc == number;
  });
  return rings.feel(lights, type, number, value, channel, send);
}

void KSE16::follow(const std::vector<KSRules::KSRow>& rows) {
  // The rows first: reading the volume asks the sound server, twice a second, for nothing when none follows
  // it.
  std::vector<int> ccs;
  for (const auto& row : rows)
    if (row.on && row.led && row.kind == "volume" && KSRules::type(row.type) == "cc") ccs.push_back(row.cc);
  if (ccs.empty()) return;
  const auto volume = audio_.volume();
  if (!volume) return;
  rings.follow(e16::ringLevel(*volume), ccs, send);
}

KSE16::About KSE16::about(const std::string& type, int number, bool isVolume) {
  auto r = rings.about(type, number, isVolume);
  return {r.can, r.colour, r.index, std::move(r.knob), std::move(r.says)};
}

void KSE16::setColour(const std::string& type, int number, int colour, e16::RingDriver::Say say) {
  rings.setColour(
      type, number, colour,
      [this](const std::string& scene, int page, int knob, int c, std::function<void(ProcessResult)> done) {
        return startColourHelper(loop_, helper_, scene, page, knob, c, std::move(done), HELPER_TIMEOUT,
                                 interpreter);
      },
      [](const std::string& error) { return "the scene was not changed: " + error; }, std::move(say));
}
